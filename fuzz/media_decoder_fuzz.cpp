// Decodes arbitrary bytes as Ogg Vorbis, as sound (plain waves by their own reader, the rest by the general decoder)
// and through the general decoder (every container it knows), sound and pictures, seeking once into the middle.
// Refusal or an early end is a clean outcome; anything else is a finding.
#include <cstdint>
#include <vector>

#include "medialib/media_decoder.h"

namespace {

void decode_all(std::unique_ptr<velk::IMediaDecoder> d) {
  if (!d) return;
  velk::TDecodedPiece piece;
  // A bounded number of pieces: a decoder that never ends is a finding of its own (the fuzzer's timeout).
  for (int i = 0; i < 4096 && d->Decode(piece); ++i) {
  }
  d->Seek(d->LengthFrames() / 2);
  for (int i = 0; i < 64 && d->Decode(piece); ++i) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  decode_all(velk::OpenVorbisDecoder(std::make_unique<velk::TMemorySource>(bytes)));
  decode_all(velk::OpenSoundDecoder(std::make_unique<velk::TMemorySource>(bytes)));
  decode_all(velk::OpenAvDecoder(std::make_unique<velk::TMemorySource>(bytes), true, true));
  return 0;
}
