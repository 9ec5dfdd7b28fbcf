#include "media/wave_output.h"

namespace velk {

namespace {

// One source of the wave output, removed from it with the item that plays it.
class TWaveOutputBuffer : public IWaveBuffer {
 public:
  TWaveOutputBuffer(TWavOut& out, TWavBuffer& buffer) : out_(out), buffer_(buffer) {}
  ~TWaveOutputBuffer() override { out_.RemoveBuffer(&buffer_); }
  TWaveOutputBuffer(const TWaveOutputBuffer&) = delete;
  TWaveOutputBuffer& operator=(const TWaveOutputBuffer&) = delete;

  void Play() override { buffer_.Play(); }
  void Stop() override { buffer_.Stop(); }
  bool Playing() const override { return buffer_.Playing && !buffer_.Stopped; }
  bool Done() const override { return buffer_.IsDone(); }
  int32_t ReadPosition() const override { return buffer_.ReadPosition(); }
  void SetReadPosition(int32_t position) override { buffer_.SetReadPosition(position); }
  void SetVolume(int32_t volume) override { buffer_.SetVolume(volume); }
  void SetLoop(bool loop, int32_t loop_start) override {
    buffer_.LoopStart = loop_start;
    buffer_.Loop = loop;
  }

 private:
  TWavOut& out_;
  TWavBuffer& buffer_;
};

}  // namespace

void TWaveOutput::Open() {
  if (!out_.IsOpen()) out_.Open(run_worker_);
}

std::unique_ptr<IWaveBuffer> TWaveOutput::AddBuffer(const TVelkWaveFormat& format, TStream* stream) {
  TWaveFormat f = MakePcmFormat(format.Channels, format.SamplesPerSec, format.BitsPerSample);
  f.FormatTag = format.FormatTag;
  return std::make_unique<TWaveOutputBuffer>(out_, *out_.AddBuffer(f, stream));
}

}  // namespace velk
