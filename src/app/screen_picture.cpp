#include "app/screen_picture.h"

#include <algorithm>

#include "gfx/brix.h"
#include "gfx/brix_writer.h"

namespace velk {

bool MakeScreenPicture(const TFrameView& screen, int32_t width, int32_t height, int32_t rotate,
                       std::vector<uint32_t>& pixels, int32_t& out_width, int32_t& out_height) {
  if (screen.Pixels == nullptr || screen.Width <= 0 || screen.Height <= 0) return false;
  const int32_t w = width > 0 ? width : screen.Width;
  const int32_t h = height > 0 ? height : screen.Height;
  if (w > kMaxScreenPictureSide || h > kMaxScreenPictureSide) return false;
  std::vector<uint32_t> scaled(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    const int32_t y0 = static_cast<int32_t>(int64_t{y} * screen.Height / h);
    const int32_t y1 = std::max(y0 + 1, static_cast<int32_t>(int64_t{y + 1} * screen.Height / h));
    for (int32_t x = 0; x < w; ++x) {
      const int32_t x0 = static_cast<int32_t>(int64_t{x} * screen.Width / w);
      const int32_t x1 = std::max(x0 + 1, static_cast<int32_t>(int64_t{x + 1} * screen.Width / w));
      uint64_t r = 0, g = 0, b = 0;
      for (int32_t sy = y0; sy < y1; ++sy) {
        const uint32_t* row = screen.Pixels + static_cast<size_t>(sy) * static_cast<size_t>(screen.Stride);
        for (int32_t sx = x0; sx < x1; ++sx) {
          r += row[sx] >> 16 & 0xFF;
          g += row[sx] >> 8 & 0xFF;
          b += row[sx] & 0xFF;
        }
      }
      const uint64_t n = static_cast<uint64_t>(y1 - y0) * static_cast<uint64_t>(x1 - x0);
      scaled[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          static_cast<uint32_t>((r + n / 2) / n << 16 | (g + n / 2) / n << 8 | (b + n / 2) / n);
    }
  }
  const int32_t turns = rotate % 90 == 0 ? ((rotate / 90) % 4 + 4) % 4 : 0;
  out_width = turns % 2 == 0 ? w : h;
  out_height = turns % 2 == 0 ? h : w;
  pixels.assign(scaled.size(), 0);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      // Where (x, y) lands after the clockwise turns.
      int32_t dx = x, dy = y;
      if (turns == 1) {
        dx = h - 1 - y;
        dy = x;
      } else if (turns == 2) {
        dx = w - 1 - x;
        dy = h - 1 - y;
      } else if (turns == 3) {
        dx = y;
        dy = w - 1 - x;
      }
      pixels[static_cast<size_t>(dy) * static_cast<size_t>(out_width) + static_cast<size_t>(dx)] =
          scaled[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
    }
  }
  return true;
}

void WriteScreenBrix(TStream& stream, const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  TBrixFrameList list;
  TBrixFrame& frame = list.AddFrame();
  frame.Picture.SetSize(width, height, 24, kMasks888);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = frame.Picture.ScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t c = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      row[3 * x] = static_cast<uint8_t>(c);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
  }
  WriteBrix(stream, list, TBrixWriteOptions{});
}

}  // namespace velk
