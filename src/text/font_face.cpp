#include "text/font_face.h"

#include <fcntl.h>
#include <ft2build.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <memory>
#include <mutex>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "base/sjis.h"
#include "text/font_config.h"

namespace velk {

namespace {

// Face names of the systems the games were written on, and the installed faces that stand in for them.
struct TFontAlias {
  const char* Name;  // UTF-8
  const char* Family;
};

const std::array<TFontAlias, 12> kFontAliases = {{
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"MS Gothic", "IPAGothic"},
    {"MS PGothic", "IPAPGothic"},
    {"MS Mincho", "IPAMincho"},
    {"MS PMincho", "IPAPMincho"},
    {"MS UI Gothic", "IPAPGothic"},
    {"ＭＳ ＵＩ ゴシック", "IPAPGothic"},
    {"メイリオ", "IPAPGothic"},
    {"Meiryo", "IPAPGothic"},
}};

// The face used when the system does not know the one asked for.
constexpr const char* kDefaultFace = "ＭＳ ゴシック";

// The engine instance shared by every face; faces keep it alive, so it outlives the last of them.
struct TFontLibrary {
  FT_Library Library = nullptr;
  TFontLibrary() {
    if (FT_Init_FreeType(&Library) != 0) Library = nullptr;
  }
  ~TFontLibrary() {
    if (Library) FT_Done_FreeType(Library);
  }
};

std::shared_ptr<TFontLibrary> SharedLibrary() {
  static const auto library = std::make_shared<TFontLibrary>();
  return library;
}

// A font file mapped once for every face opened from it: faces read their tables and outlines from the one
// mapping, so that the file's pages come in once however many sizes and styles of it are open.
struct TFontFile {
  const FT_Byte* Data = nullptr;
  size_t Size = 0;
  ~TFontFile() {
    if (Data) ::munmap(const_cast<FT_Byte*>(Data), Size);
  }
};

// Null when the file cannot be read; the mapping goes with the last face that uses it.
std::shared_ptr<TFontFile> MapFontFile(const std::string& path) {
  static std::mutex lock;
  static std::map<std::string, std::weak_ptr<TFontFile>> mapped;
  std::lock_guard<std::mutex> hold(lock);
  if (auto file = mapped[path].lock()) return file;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  void* data = MAP_FAILED;
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= uint64_t{LONG_MAX})
    data = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (data == MAP_FAILED) return nullptr;
  auto file = std::make_shared<TFontFile>();
  file->Data = static_cast<const FT_Byte*>(data);
  file->Size = static_cast<size_t>(st.st_size);
  mapped[path] = file;
  return file;
}

// The fontconfig match for a family; empty unless the matched font carries the family among its names.
std::string MatchFamily(const std::string& family) {
  FcConfig* config = FontConfig();
  if (!config || family.empty()) return {};
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  std::string file;
  if (match) {
    FcChar8* name = nullptr;
    bool known = false;
    for (int i = 0; !known && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
      known = FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0;
    }
    FcChar8* path = nullptr;
    if (known && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      file = reinterpret_cast<const char*>(path);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

int32_t Pixels(FT_Pos value26_6) { return static_cast<int32_t>((value26_6 + 32) >> 6); }

int32_t ScaledPixels(FT_Face face, FT_Short units) { return Pixels(FT_MulFix(units, face->size->metrics.y_scale)); }

}  // namespace

std::string FontFamilyFor(const std::string& face_name) {
  const std::string utf8 = Cp932ToUtf8(face_name);
  for (const TFontAlias& alias : kFontAliases) {
    if (SameText(utf8, alias.Name)) return alias.Family;
  }
  return utf8;
}

std::string FindFontFile(const std::string& face_name) {
  // Matching is slow, so answers are kept; scripts may name any number of faces, so not too many of them.
  static std::map<std::string, std::string> found;
  const auto it = found.find(face_name);
  if (it != found.end()) return it->second;
  if (found.size() >= 256) found.clear();
  return found[face_name] = MatchFamily(FontFamilyFor(face_name));
}

char32_t CharCodeToUnicode(uint16_t code) {
  std::string bytes;
  if (code > 0xFF) bytes.push_back(static_cast<char>(code >> 8));
  bytes.push_back(static_cast<char>(code & 0xFF));
  const std::string utf8 = Cp932ToUtf8(bytes);
  if (utf8.empty()) return 0;
  const auto b = [&](size_t i) { return i < utf8.size() ? static_cast<uint8_t>(utf8[i]) & 0x3Fu : 0u; };
  const auto lead = static_cast<uint8_t>(utf8[0]);
  char32_t cp = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = char32_t(lead & 0x1F) << 6 | b(1);
  } else if ((lead & 0xF0) == 0xE0) {
    cp = char32_t(lead & 0x0F) << 12 | b(1) << 6 | b(2);
  } else {
    cp = char32_t(lead & 0x07) << 18 | b(1) << 12 | b(2) << 6 | b(3);
  }
  // A two-byte code that decodes to more than one character (or not at all) is not a character of the code page.
  return cp == 0xFFFD || CharCount(bytes) != 1 ? 0 : cp;
}

struct TFontFace::TImpl {
  std::shared_ptr<TFontLibrary> Library;
  std::shared_ptr<TFontFile> File;
  FT_Face Face = nullptr;
  ~TImpl() {
    if (Face) FT_Done_Face(Face);
  }
};

TFontFace::TFontFace(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TFontFace::~TFontFace() = default;

std::unique_ptr<TFontFace> TFontFace::Open(const std::string& face_name, int32_t height, uint8_t style) {
  std::string file = FindFontFile(face_name);
  if (file.empty()) file = FindFontFile(Utf8ToCp932(kDefaultFace));
  // Any Japanese face at all, for a system without the default face.
  if (file.empty()) file = JapaneseFontFile();
  auto impl = std::make_unique<TImpl>();
  impl->Library = SharedLibrary();
  if (!file.empty()) impl->File = MapFontFile(file);
  if (!impl->File || !impl->Library->Library ||
      FT_New_Memory_Face(impl->Library->Library, impl->File->Data, static_cast<FT_Long>(impl->File->Size), 0,
                         &impl->Face) != 0) {
    return nullptr;
  }
  // A positive height is the cell (ascent plus descent), a negative one the character height; 0 takes 12.
  const int32_t h = std::clamp(height == 0 ? 12 : height, -kMaxFontHeight, kMaxFontHeight);
  FT_Size_RequestRec request{};
  request.type = h > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
  request.height = static_cast<FT_Long>(h > 0 ? h : -h) << 6;
  if (FT_Request_Size(impl->Face, &request) != 0) return nullptr;

  std::unique_ptr<TFontFace> face(new TFontFace(std::move(impl)));
  FT_Face f = face->impl_->Face;
  face->file_ = file;
  face->style_ = style;
  // The size metrics round the ascender up and the descender down, which makes the cell one pixel taller than
  // asked; the ascent is rounded to the nearest pixel and, for a cell height, the descent is what remains of it.
  face->ascent_ = ScaledPixels(f, f->ascender);
  face->descent_ = h > 0 ? h - face->ascent_ : -ScaledPixels(f, f->descender);
  face->underline_size_ = std::max(1, ScaledPixels(f, f->underline_thickness));
  face->underline_position_ = ScaledPixels(f, f->underline_position);
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    face->strike_out_position_ = ScaledPixels(f, os2->yStrikeoutPosition);
    face->strike_out_size_ = std::max(1, ScaledPixels(f, os2->yStrikeoutSize));
  } else {
    face->strike_out_position_ = face->ascent_ * 2 / 5;
    face->strike_out_size_ = face->underline_size_;
  }
  return face;
}

bool TFontFace::Load(uint16_t code, int32_t quality) {
  FT_Face f = impl_->Face;
  const FT_UInt index = FT_Get_Char_Index(f, CharCodeToUnicode(code));
  const FT_Int32 flags = FT_LOAD_NO_BITMAP | (quality == 0 ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(f, index, flags) != 0) return false;
  if (style_ & kFontBold) FT_GlyphSlot_Embolden(f->glyph);
  if (style_ & kFontItalic) FT_GlyphSlot_Oblique(f->glyph);
  return true;
}

bool TFontFace::Render(uint16_t code, int32_t quality, TGlyphImage& out) {
  static constexpr std::array<int32_t, 4> kMaxLevels = {1, 4, 16, 64};
  out = TGlyphImage{};
  if (quality < 0 || quality > 3 || !Load(code, quality)) return false;
  FT_GlyphSlot slot = impl_->Face->glyph;
  out.Advance = Pixels(slot->advance.x);
  if (FT_Render_Glyph(slot, quality == 0 ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
  const FT_Bitmap& bm = slot->bitmap;
  out.MaxLevel = kMaxLevels[static_cast<size_t>(quality)];
  if (bm.width == 0 || bm.rows == 0 || !bm.buffer) return true;
  const bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
  if (!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
  out.Width = static_cast<int32_t>(bm.width);
  out.Height = static_cast<int32_t>(bm.rows);
  out.Left = slot->bitmap_left;
  out.Top = slot->bitmap_top;
  out.Levels.resize(static_cast<size_t>(out.Width) * static_cast<size_t>(out.Height));
  const int32_t gray_max = std::max(1, static_cast<int32_t>(bm.num_grays) - 1);
  for (int32_t y = 0; y < out.Height; ++y) {
    const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    uint8_t* dst = &out.Levels[static_cast<size_t>(y) * static_cast<size_t>(out.Width)];
    for (int32_t x = 0; x < out.Width; ++x) {
      if (mono) {
        dst[x] = (row[x / 8] >> (7 - x % 8)) & 1;
      } else {
        dst[x] = static_cast<uint8_t>((row[x] * out.MaxLevel + gray_max / 2) / gray_max);
      }
    }
  }
  return true;
}

int32_t TFontFace::TextWidth(uint16_t code) { return Load(code, 3) ? Pixels(impl_->Face->glyph->advance.x) : 0; }

TCharWidths TFontFace::CharWidths(uint16_t code) {
  if (!Load(code, 3)) return {};
  const FT_Glyph_Metrics& m = impl_->Face->glyph->metrics;
  const int32_t a = static_cast<int32_t>(m.horiBearingX >> 6);
  const int32_t b = Pixels(m.width);
  return {a, b, Pixels(impl_->Face->glyph->advance.x) - a - b};
}

}  // namespace velk

// Sanitizer builds (gcc says so with __SANITIZE_ADDRESS__, clang through __has_feature): fontconfig loses a few
// bytes of its own while it parses its configuration files, once per process; that is not ours to fix, and every
// program that renders text would report it.
#if defined(__SANITIZE_ADDRESS__)
#define VELK_FONTCONFIG_LEAK_SUPPRESSION 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELK_FONTCONFIG_LEAK_SUPPRESSION 1
#endif
#endif
#if defined(VELK_FONTCONFIG_LEAK_SUPPRESSION)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
