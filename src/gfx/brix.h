#pragma once
// Layered images (".brx"): a list of frames (animation cels with a display time), each composed of layers with
// visibility, opacity, a transparent value and an optional 8-bit alpha channel. Pixel data may be deflated, stored
// raw or JPEG-compressed, deduplicated by blocks, and scrambled: rows or block-table entries stored in an order
// permuted by TRandomGenerator seeded with the project's identification code.
//
// The reader treats the file as hostile: every count, size and block source is checked against the stream and
// against what has been decoded, and all pictures alive in one frame list share a byte budget (MaxBytes).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/rect.h"
#include "gfx/dib_surface.h"

namespace velk {

class TStream;
class TBrixFrame;

// Compression codes of the header.
constexpr uint8_t kBrixDeflate = 0;
constexpr uint8_t kBrixRaw = 1;
constexpr uint8_t kBrixJpeg = 2;  // colour data as JPEG, alpha data deflated
// The version current files carry.
constexpr int32_t kBrixVersion = 106;

class TBrixLayer {
 public:
  TBrixFrame* Frame = nullptr;
  std::string Name;
  // Frame size and depth; may carry an alpha bitmap.
  TDIBSurface Picture;
  bool Visible = true;
  int32_t TransparentValue = -1;
  int32_t Opacity = 255;
  bool AlphaEnabled = false;

  bool HasAlpha() const { return Picture.HasAlpha(); }
};

class TBrixFrame {
 public:
  std::string Name;
  // A pixel value in the frame's own format, -1 none; and its colour 0x00BBGGRR, -1 none.
  int32_t TransparentValue = -1;
  int32_t TransparentColor = -1;
  int32_t DisplayTime = 100;
  uint8_t Kept = 0;  // the byte after the display time, kept as read
  TDIBSurface Picture;
  std::vector<TRect> ContentRects;
  std::vector<TRect> ExtraRects;

  int32_t Count() const { return static_cast<int32_t>(layers_.size()); }
  TBrixLayer& Layer(int32_t index) { return *layers_.at(static_cast<size_t>(index)); }
  TBrixLayer& AddLayer();
  void ClearLayers() { layers_.clear(); }
  int BitCount() const;
  bool HasAlpha() const { return Picture.HasAlpha(); }

  // Composes the visible layers into Picture, in file order, over what Picture holds (the background).
  // take_layers: the layers are not needed afterwards, so a first layer copied whole hands its picture over instead
  // of being copied (the layer keeps the frame's former pixels).
  void Compose(bool layer_composition, bool take_layers = false);
  // Whether Compose replaces every pixel of Picture (its first visible layer is copied whole), so that a background
  // put in first would never show.
  bool ComposeCoversPicture(bool layer_composition) const;
  // Frames without alpha: an alpha bitmap of 255 with 0 where a pixel equals the transparent value (kept layers
  // likewise).
  void MakeMaskFromTransparent();
  // Crops the picture to the smallest rectangle of pixels with alpha != 0 (or not equal to the transparent value)
  // and cuts the rectangle lists to it; returns the top-left of that rectangle, (0, 0) when nothing changed.
  TPoint Trim();

 private:
  std::vector<std::unique_ptr<TBrixLayer>> layers_;
};

class TBrixFrameList {
 public:
  // The identification code is the scrambling seed of scrambled files.
  explicit TBrixFrameList(int32_t identification = 0) : Identification(identification) {}

  int32_t Version = 0;
  int32_t BackgroundColor = 0;
  // Depth frames are converted to when loading with convert (15, 16, 24 or 32); 0 keeps the file's depth.
  int32_t BitDepth = 0;
  int32_t Identification;
  bool LayerComposition = false;
  // Header values of files of version 103 and later (0 otherwise).
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HeaderBitCount = 0;
  bool Scrambled = false;
  uint8_t Compression = kBrixDeflate;
  int32_t BlockWidth = 0;
  int32_t BlockHeight = 0;
  uint8_t JpegQuality = 0;

  // Bytes all pictures of one load may take together (frames and the layers kept while reading): a small file
  // whose blocks copy one block everywhere must not reserve unbounded memory.
  int64_t MaxBytes = int64_t{768} << 20;

  // By the lower-cased extension of the name: ".brx" the layered reader, ".png" PNG, ".bmp" or ".dib" BMP, any
  // other extension loads nothing. read_file fills a stream with the named file (the virtual file manager).
  void LoadFromFile(const std::function<void(TStream&, const std::string&)>& read_file, const std::string& name,
                    bool first_frame_only, bool convert, bool keep_layers);
  // The layered reader, from the stream's position. file_name only names the file in errors.
  void LoadFromStream(TStream& stream, bool first_frame_only, bool convert, bool keep_layers,
                      const std::string& file_name = {});
  // One-frame images.
  void LoadPng(const uint8_t* data, size_t size, const std::string& file_name);
  // Appends the PNG picture as one more frame (animations made of single pictures).
  void AddPng(const uint8_t* data, size_t size, const std::string& file_name);
  void LoadBmp(const uint8_t* data, size_t size, const std::string& file_name);

  int32_t Count() const { return static_cast<int32_t>(frames_.size()); }
  TBrixFrame& Frame(int32_t index) { return *frames_.at(static_cast<size_t>(index)); }
  TBrixFrame& AddFrame();
  void Clear() { frames_.clear(); }

 private:
  class Reader;
  std::vector<std::unique_ptr<TBrixFrame>> frames_;
};

// Whether the bytes start with the layered image signature "Brix".
bool IsBrix(const uint8_t* data, size_t size);

}  // namespace velk
