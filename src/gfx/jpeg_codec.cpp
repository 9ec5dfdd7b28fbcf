#include "gfx/jpeg_codec.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "base/error.h"

namespace velk {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the caller's setjmp,
// so no C++ object with a destructor may live between the setjmp and the library calls.
struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* e = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, e->message);
  longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

// Decodes into rows of RGB bytes; false (with the library's message) on failure.
bool DecodeRgb(const uint8_t* data, size_t size, std::vector<uint8_t>& rgb, int32_t& width, int32_t& height,
               JpegError& err, const std::string& file_name) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.emit_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  width = static_cast<int32_t>(cinfo.image_width);
  height = static_cast<int32_t>(cinfo.image_height);
  // The size check throws; it runs before any allocation and outside the library's jump scope.
  bool size_ok = width >= 1 && height >= 1 && width <= kMaxImageDimension && height <= kMaxImageDimension &&
                 int64_t{width} * height <= kMaxImagePixels;
  if (!size_ok) {
    jpeg_destroy_decompress(&cinfo);
    CheckImageSize(width, height, file_name);
  }
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(err.message, sizeof err.message, "unsupported JPEG colour components");
    return false;
  }
  rgb.resize(static_cast<size_t>(width) * height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rgb.data() + static_cast<size_t>(cinfo.output_scanline) * width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

TDecodedImage DecodeJpeg(const uint8_t* data, size_t size, const std::string& file_name) {
  JpegError err{};
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  if (size == 0 || !DecodeRgb(data, size, rgb, width, height, err, file_name))
    throw EFormatError(std::string("damaged JPEG data: ") + err.message, file_name);
  TDecodedImage img;
  img.Width = width;
  img.Height = height;
  img.BitCount = 24;
  img.Colors.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < img.Colors.size(); ++i)
    img.Colors[i] = rgb[3 * i] | uint32_t{rgb[3 * i + 1]} << 8 | uint32_t{rgb[3 * i + 2]} << 16;
  return img;
}

std::vector<uint8_t> EncodeJpeg(int32_t width, int32_t height, const std::vector<uint32_t>& colors, int quality) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < colors.size() && i * 3 < rgb.size(); ++i) {
    rgb[3 * i] = static_cast<uint8_t>(colors[i]);
    rgb[3 * i + 1] = static_cast<uint8_t>(colors[i] >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(colors[i] >> 16);
  }
  JpegError err{};
  jpeg_compress_struct cinfo;
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    throw EVelkError(std::string("JPEG encoding failed: ") + err.message);
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = rgb.data() + static_cast<size_t>(cinfo.next_scanline) * width * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + out_size);
  std::free(out);
  return bytes;
}

}  // namespace velk
