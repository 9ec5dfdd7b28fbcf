#include "gfx/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "base/error.h"

namespace velk {
namespace {

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos;
  char message[128];
};

void ReadFn(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (count > src->size - src->pos) png_error(png, "truncated");
  std::memcpy(out, src->data + src->pos, count);
  src->pos += count;
}

void ErrorFn(png_structp png, png_const_charp message) {
  auto* src = static_cast<Source*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", message);
  png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

// What the decoding step hands back; plain data only, because it crosses a longjmp.
struct Raw {
  png_uint_32 width = 0, height = 0;
  int color_type = 0, bit_depth = 0;
  bool has_alpha = false;
  bool has_trns_colour = false;
  uint32_t trns = 0;
  int palette_count = 0;
  png_color palette[256];
};

// Reads the header, then (when `rows` is set) the picture as 8-bit RGBA rows. Returns false on a libpng error,
// with the message in src.message. Kept free of C++ objects with destructors: libpng reports errors by longjmp.
// `rows` is called once the header is known; it returns the row addresses, or null to stop after the header.
bool Decode(Source& src, Raw& raw, png_bytep* (*rows_for)(png_uint_32, png_uint_32, void*), void* ctx) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, ErrorFn, WarningFn);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_user_limits(png, kMaxImageDimension, kMaxImageDimension);
  png_set_read_fn(png, &src, ReadFn);
  png_read_info(png, info);
  raw.width = png_get_image_width(png, info);
  raw.height = png_get_image_height(png, info);
  raw.color_type = png_get_color_type(png, info);
  raw.bit_depth = png_get_bit_depth(png, info);
  raw.has_alpha = (raw.color_type & PNG_COLOR_MASK_ALPHA) != 0;
  if (raw.color_type == PNG_COLOR_TYPE_PALETTE) {
    png_colorp pal = nullptr;
    int n = 0;
    if (png_get_PLTE(png, info, &pal, &n) && n > 0) {
      raw.palette_count = n > 256 ? 256 : n;
      std::memcpy(raw.palette, pal, sizeof(png_color) * raw.palette_count);
    }
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_bytep trans_alpha = nullptr;
    int num_trans = 0;
    png_color_16p trans_color = nullptr;
    png_get_tRNS(png, info, &trans_alpha, &num_trans, &trans_color);
    if (raw.color_type == PNG_COLOR_TYPE_PALETTE) {
      // A palette picture with transparency gets an alpha channel; a single fully transparent entry also names
      // the transparent colour by its index.
      raw.has_alpha = true;
      int zero = -1, zeros = 0;
      for (int i = 0; i < num_trans; ++i)
        if (trans_alpha[i] == 0) zero = i, ++zeros;
      if (zeros == 1) {
        raw.has_trns_colour = true;
        raw.trns = 0x01000000u | static_cast<uint32_t>(zero);
      }
    } else if (trans_color) {
      int shift = raw.bit_depth == 16 ? 8 : 0;
      auto to8 = [&](png_uint_16 v) -> uint32_t {
        return raw.bit_depth < 8 ? (v * 255u) / ((1u << raw.bit_depth) - 1) : (v >> shift) & 0xFF;
      };
      raw.has_trns_colour = true;
      if (raw.color_type == PNG_COLOR_TYPE_GRAY) {
        uint32_t g = to8(trans_color->gray);
        raw.trns = g | g << 8 | g << 16;
      } else {
        raw.trns = to8(trans_color->red) | to8(trans_color->green) << 8 | to8(trans_color->blue) << 16;
      }
    }
  }
  png_bytep* rows = rows_for(raw.width, raw.height, ctx);
  if (!rows) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_expand(png);  // palette to RGB, grey below 8 bits to 8 bits, tRNS to alpha
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{raw.width} * 4) png_error(png, "unexpected row layout");
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

struct Buffer {
  bool header_only;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
};

// Called between libpng calls, never from inside one, so it may allocate (the size is checked by then).
png_bytep* RowsFor(png_uint_32 w, png_uint_32 h, void* ctx) {
  auto* b = static_cast<Buffer*>(ctx);
  if (b->header_only) return nullptr;
  b->rgba.assign(size_t{w} * h * 4, 0);
  b->rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) b->rows[y] = b->rgba.data() + size_t{y} * w * 4;
  return b->rows.data();
}

}  // namespace

TDecodedImage DecodePng(const uint8_t* data, size_t size, const std::string& file_name) {
  Source src{data, size, 0, {}};
  Raw raw;
  // First pass: the header only, so that the size is checked before anything is allocated.
  Buffer header{true, {}, {}};
  Decode(src, raw, RowsFor, &header);
  if (raw.width == 0 || src.message[0] != 0) throw EFormatError(std::string("damaged PNG: ") + src.message, file_name);
  CheckImageSize(raw.width, raw.height, file_name);
  src.pos = 0;
  raw = Raw{};
  Buffer body{false, {}, {}};
  if (!Decode(src, raw, RowsFor, &body)) throw EFormatError(std::string("damaged PNG: ") + src.message, file_name);
  const std::vector<uint8_t>& rgba = body.rgba;

  TDecodedImage img;
  img.Width = static_cast<int32_t>(raw.width);
  img.Height = static_cast<int32_t>(raw.height);
  img.BitCount = raw.color_type == PNG_COLOR_TYPE_PALETTE ? raw.bit_depth : 8;
  const size_t pixels = size_t{raw.width} * raw.height;
  img.Colors.resize(pixels);
  if (raw.has_alpha) img.Alpha.resize(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = &rgba[4 * i];
    img.Colors[i] = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    if (raw.has_alpha) img.Alpha[i] = p[3];
  }
  for (int i = 0; i < raw.palette_count; ++i)
    img.Palette.push_back(raw.palette[i].red | uint32_t{raw.palette[i].green} << 8 |
                          uint32_t{raw.palette[i].blue} << 16);
  img.HasTransparentColor = raw.has_trns_colour;
  img.TransparentColor = raw.trns;
  return img;
}

}  // namespace velk
