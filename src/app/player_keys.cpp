#include "app/player_keys.h"

#include <sys/stat.h>

#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/fast_forward.h"
#include "app/form_view.h"
#include "app/png_writer.h"
#include "base/error.h"

namespace velk {

namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string with_slash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

// "2026-12-09 21-30-05": sorts by time and has no characters file systems refuse.
std::string time_stamp() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H-%M-%S", &local);
  return text;
}

}  // namespace

std::string SafeFileName(const std::string& name_utf8) {
  std::string out;
  for (char c : name_utf8) {
    const auto u = static_cast<unsigned char>(c);
    out += (u < 0x20 || c == '/' || c == '\\' || c == 0x7F) ? '_' : c;
  }
  size_t first = out.find_first_not_of(". ");
  out = first == std::string::npos ? std::string() : out.substr(first);
  // Far below any file system's limit on a name, whole UTF-8 characters only.
  constexpr size_t kMaxBytes = 120;
  if (out.size() > kMaxBytes) {
    size_t cut = kMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  return out.empty() ? std::string("game") : out;
}

std::string PicturesFolder(const std::string& game_name_utf8) {
  std::string base;
  const char* xdg = std::getenv("XDG_PICTURES_DIR");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/Pictures";
  }
  return with_slash(base) + SafeFileName(game_name_utf8) + "/";
}

TPlayerKeys::TPlayerKeys(TFormView& form, TSpeedClock& speed, int32_t base_speed, std::string title_utf8)
    : form_(form), speed_(speed), base_speed_(base_speed), title_(std::move(title_utf8)) {}

bool TPlayerKeys::HandleKey(const TInputEvent& event) {
  if (event.Kind == TInputKind::Text) {
    const bool drop = drop_text_;
    drop_text_ = false;
    return drop;
  }
  drop_text_ = false;
  if (event.Key == VK_SNAPSHOT) {
    if (event.Kind == TInputKind::KeyDown && !event.Repeat) SaveScreenshot();
    return true;
  }
  if (event.Key == VK_F_LETTER && event.Alt) {
    if (event.Kind == TInputKind::KeyDown && !event.Repeat) ToggleFastForward();
    drop_text_ = event.Kind == TInputKind::KeyDown;
    return true;
  }
  return false;
}

std::string TPlayerKeys::SaveScreenshot() {
  if (form_.Scene() == nullptr) return {};
  const std::string folder = PicturesFolder(title_);
  std::string path;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!ec) {
    const std::string stem = folder + SafeFileName(title_) + " " + time_stamp();
    path = stem + ".png";
    for (int n = 2; exists(path) && n < 1000; ++n) path = stem + " (" + std::to_string(n) + ").png";
    try {
      WritePngFile(path, form_.Scene()->Screen());
    } catch (const EVelkError& e) {
      std::fprintf(stderr, "velkplayer: %s\n", e.Utf8().c_str());
      path.clear();
    }
  }
  note_ = path.empty() ? "screenshot failed" : "screenshot saved: " + path.substr(path.find_last_of('/') + 1);
  note_time_ = now_;
  update_caption();
  return path;
}

void TPlayerKeys::ToggleFastForward() {
  fast_forward_ = !fast_forward_;
  speed_.SetFactor(fast_forward_ ? kFastForwardSpeed : base_speed_);
  update_caption();
}

void TPlayerKeys::Idle(uint32_t now_ms) {
  now_ = now_ms;
  if (!note_.empty() && now_ms - note_time_ >= kTitleNoteMs) {
    note_.clear();
    update_caption();
  }
}

std::string TPlayerKeys::Caption() const {
  std::string caption = title_;
  if (speed_.Factor() > 1) caption += " [fast-forward x" + std::to_string(speed_.Factor()) + "]";
  if (!note_.empty()) caption += " - " + note_;
  return caption;
}

void TPlayerKeys::update_caption() { form_.Window().SetCaption(Caption()); }

}  // namespace velk
