#pragma once
// Media files made at test time: wave files written by hand, Ogg Vorbis through the Vorbis encoder, and ASF, AVI
// and MPEG files through FFmpeg's encoders and muxers. Sounds are sine tones; pictures are plain colours that change
// at known times, so tests can tell which picture is shown.
#include <cstdint>
#include <vector>

namespace velk::test {

// Little-endian fields and four-character tags of RIFF files, appended to b.
void Put16(std::vector<uint8_t>& b, uint32_t v);
void Put32(std::vector<uint8_t>& b, uint32_t v);
void PutTag(std::vector<uint8_t>& b, const char* tag);

std::vector<uint8_t> MakeWav(int32_t ms, int32_t rate = 44100, int32_t channels = 2);
std::vector<uint8_t> MakeOgg(int32_t ms, int32_t rate = 44100, int32_t channels = 2);

enum class TAvKind {
  Wma,   // ASF with Windows Media audio
  Wmv,   // ASF with Windows Media video and audio
  Mpeg,  // MPEG-1 program stream with MPEG-1 video and MPEG audio
  Avi,   // AVI with MPEG-4 video, no sound
};

// The colour (0x00RRGGBB) of the pictures of a video made here at a time: red for the first half, blue after.
uint32_t TestVideoColour(int32_t ms, int32_t length_ms);

std::vector<uint8_t> MakeAvMedia(TAvKind kind, int32_t ms, int32_t width = 160, int32_t height = 120);

}  // namespace velk::test
