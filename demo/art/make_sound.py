#!/usr/bin/env python3
"""Writes the demo story's music (Standard MIDI Files, played by the player's MIDI synthesiser) and its sound
effects (16-bit wave files synthesised here) beside this script.

The files are committed; run this again only to change them. Plain Python.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
TICKS = 480  # per quarter note


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def track(events):
    """events: (tick, bytes) in any order; returns an MTrk chunk."""
    data, now = bytearray(), 0
    for tick, message in sorted(events, key=lambda e: e[0]):
        data += var_len(tick - now) + message
        now = tick
    data += var_len(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def notes(channel, program, volume, melody, start=0):
    """melody: (note or None, length in eighths, velocity)."""
    events = [(0, bytes((0xC0 | channel, program))), (0, bytes((0xB0 | channel, 7, volume)))]
    tick = start
    for note, eighths, velocity in melody:
        length = eighths * TICKS // 2
        if note is not None:
            events.append((tick, bytes((0x90 | channel, note, velocity))))
            events.append((tick + length - 10, bytes((0x80 | channel, note, 0))))
        tick += length
    return events


def write_midi(name, tempo_bpm, tracks):
    tempo = bytes((0xFF, 0x51, 0x03)) + (60_000_000 // tempo_bpm).to_bytes(3, "big")
    chunks = [track([(0, tempo)])] + [track(t) for t in tracks]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(chunks), TICKS)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + b"".join(chunks))


def chord_pad(channel, program, volume, chords, eighths_each):
    events = [(0, bytes((0xC0 | channel, program))), (0, bytes((0xB0 | channel, 7, volume)))]
    tick, length = 0, eighths_each * TICKS // 2
    for chord in chords:
        for n in chord:
            events.append((tick, bytes((0x90 | channel, n, 60))))
            events.append((tick + length - 10, bytes((0x80 | channel, n, 0))))
        tick += length
    return events


def title_theme():
    # A gentle piano melody over strings: C - Am - F - G, twice.
    m = [(72, 2, 80), (74, 2, 70), (76, 4, 85), (79, 2, 75), (76, 2, 70), (74, 4, 80),
         (72, 2, 80), (69, 2, 70), (72, 4, 85), (74, 2, 75), (72, 2, 70), (71, 4, 80)]
    chords = [(48, 55, 64), (45, 52, 60), (41, 48, 57), (43, 50, 59)] * 2
    write_midi("title.mid", 84, [notes(0, 0, 100, m * 2), chord_pad(1, 48, 70, chords, 8)])


def scene_theme():
    # A light, walking tune on flute and pizzicato: F - Dm - Bb - C.
    m = [(77, 1, 80), (79, 1, 70), (81, 2, 85), (77, 2, 70), (79, 2, 75), (74, 2, 70),
         (76, 2, 80), (72, 2, 70), (74, 4, 85), (None, 2, 0), (70, 2, 70), (72, 4, 80)]
    chords = [(41, 53, 57), (38, 50, 57), (34, 46, 53), (36, 48, 55)] * 2
    write_midi("scene.mid", 108, [notes(0, 73, 95, m * 2), chord_pad(1, 45, 80, chords, 6)])


def write_wave(name, seconds, sample, rate=22050):
    count = int(seconds * rate)
    frames = bytearray()
    for i in range(count):
        v = max(-1.0, min(1.0, sample(i / rate)))
        frames += struct.pack("<h", int(v * 32000))
    header = b"RIFF" + struct.pack("<I", 36 + len(frames)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(frames))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + frames)


def click(t):
    """A short wooden tap."""
    return math.sin(2 * math.pi * 1200 * t) * math.exp(-t * 60) * 0.8


def chime(t):
    """Two bell partials falling away."""
    env = math.exp(-t * 4)
    return (math.sin(2 * math.pi * 880 * t) + 0.5 * math.sin(2 * math.pi * 1320 * t)) * env * 0.5


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    title_theme()
    scene_theme()
    write_wave("click.wav", 0.12, click)
    write_wave("chime.wav", 1.2, chime)
