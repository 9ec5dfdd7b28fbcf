#include "app/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

#include "base/error.h"

namespace velk {

void WritePngFile(const std::string& path, const TFrameView& frame) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw EVelkError(path + ": cannot write the image");
  std::vector<png_byte> row(static_cast<size_t>(frame.Width) * 3);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    throw EVelkError(path + ": cannot write the image");
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(frame.Width), static_cast<png_uint_32>(frame.Height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < frame.Height; ++y) {
    const uint32_t* src = frame.Pixels + static_cast<size_t>(y) * static_cast<size_t>(frame.Stride);
    for (int32_t x = 0; x < frame.Width; ++x) {
      row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(src[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  bool ok = std::fclose(f) == 0;
  if (!ok) throw EVelkError(path + ": cannot write the image");
}

}  // namespace velk
