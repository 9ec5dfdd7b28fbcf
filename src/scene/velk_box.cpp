#include "scene/velk_box.h"

#include <array>

#include <cctype>
#include <cmath>

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using B = TVelkBox;

const std::array<TPropRow<TVelkBox>, 11> kBoxRows = {{
    {PR_SOURCE, [](const B& b, TPropValue& v) { v.S = b.Source; }, [](B& b, const TPropValue& v) { b.SetSource(v.S); }},
    {PR_BORDERWIDTH, [](const B& b, TPropValue& v) { v.I = b.BorderWidth; },
     [](B& b, const TPropValue& v) { b.SetVisualInt(b.BorderWidth, v.I); }},
    {PR_BORDERCOLOR, [](const B& b, TPropValue& v) { v.I = b.BorderColor; },
     [](B& b, const TPropValue& v) { b.SetVisualInt(b.BorderColor, v.I); }},
    {PR_ALPHA, [](const B& b, TPropValue& v) { v.I = b.Alpha; },
     [](B& b, const TPropValue& v) { b.SetVisualInt(b.Alpha, v.I); }},
    {PR_PAUSED, [](const B& b, TPropValue& v) { v.B = b.PausedFlag; },
     [](B& b, const TPropValue& v) { b.PausedFlag = v.B; }},
    {PR_REPEAT, [](const B& b, TPropValue& v) { v.B = b.Repeat; }, [](B& b, const TPropValue& v) { b.SetRepeat(v.B); }},
    {PR_ONPLAYEND, [](const B& b, TPropValue& v) { v.S = b.OnPlayEnd; },
     [](B& b, const TPropValue& v) { b.OnPlayEnd = v.S; }},
    {PR_AUTOSCRAP, [](const B& b, TPropValue& v) { v.B = b.AutoScrap; },
     [](B& b, const TPropValue& v) { b.AutoScrap = v.B; }},
    {PR_ONIDLE, [](const B& b, TPropValue& v) { v.S = b.OnIdle; }, [](B& b, const TPropValue& v) { b.OnIdle = v.S; }},
    {PR_BLURSPAN, [](const B& b, TPropValue& v) { v.I = b.BlurSpan; },
     [](B& b, const TPropValue& v) { b.BlurSpan = v.I; }},
    {PR_BLURDELAY, [](const B& b, TPropValue& v) { v.I = b.BlurDelay; },
     [](B& b, const TPropValue& v) { b.BlurDelay = v.I; }},
}};

// The colour scaled per channel by amount / 256, for the additive codes.
int32_t ScaleColor(int32_t color, int32_t amount) {
  const auto c = static_cast<uint32_t>(color);
  const auto a = static_cast<uint32_t>(amount);
  const uint32_t r = (c & 0xFF) * a / 256, g = ((c >> 8) & 0xFF) * a / 256, b = ((c >> 16) & 0xFF) * a / 256;
  return static_cast<int32_t>(r | g << 8 | b << 16);
}

}  // namespace

TVelkBox::~TVelkBox() = default;

bool TVelkBox::GetProp(int32_t id, TPropValue& value) const {
  if (const auto* row = FindPropRow(kBoxRows, id)) {
    row->Get(*this, value);
    return true;
  }
  return TVelkControl::GetProp(id, value);
}

bool TVelkBox::SetProp(int32_t id, const TPropValue& value) {
  if (const auto* row = FindPropRow(kBoxRows, id)) {
    row->Set(*this, value);
    return true;
  }
  return TVelkControl::SetProp(id, value);
}

void TVelkBox::Draw() {
  TCustomDIBX* surface = Surface();
  if (surface && Visible && Alpha > 0 && Alpha < 512) {
    const TRect r = ScreenRect();
    // One fill in the manner the opacity code chooses; the additive codes scale the colour first.
    const auto fill = [&](const TRect& area, int32_t color) {
      if (Alpha >= 256) {
        surface->FillRectAdd(area, static_cast<uint32_t>(surface->ColorToPixel(ScaleColor(color, Alpha - 256))));
      } else if (Alpha == 255) {
        surface->FillRect(area, static_cast<uint32_t>(surface->ColorToPixel(color)));
      } else {
        surface->FillRectAlpha(area, static_cast<uint32_t>(surface->ColorToPixel(color)), Alpha);
      }
    };
    const auto frame = [&](int32_t color) {
      if (Alpha >= 256) {
        surface->FrameRectAdd(r, BorderWidth,
                              static_cast<uint32_t>(surface->ColorToPixel(ScaleColor(color, Alpha - 256))));
      } else if (Alpha == 255) {
        surface->FrameRect(r, BorderWidth, static_cast<uint32_t>(surface->ColorToPixel(color)));
      } else {
        surface->FrameRectAlpha(r, BorderWidth, static_cast<uint32_t>(surface->ColorToPixel(color)), Alpha);
      }
    };
    if (BorderWidth > 0 && BorderColor >= 0) {
      frame(BorderColor);
      if (Color >= 0) {
        fill(TRect{r.Left + BorderWidth, r.Top + BorderWidth, r.Right - BorderWidth, r.Bottom - BorderWidth}, Color);
      }
    } else if (Color >= 0) {
      fill(r, Color);
    }
  }
  DrawChildren();
}

void TVelkBox::SetSource(const std::string& name) {
  if (name == Source) return;
  if (motion_) {
    motion_.reset();
    TVelkMotion::ResetMotionValues(*this);
  }
  Source = name;
  end_reported_ = false;
  Invalidate();
  const size_t dot = name.find_last_of('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (ext == ".kmt") {
    motion_ = TVelkMotion::Load(*this, name);
    if (motion_ && motion_->Step(0, Repeat)) MotionEnded();
  }
  Invalidate();
}

void TVelkBox::SetRepeat(bool v) {
  if (v && !Repeat && motion_ && motion_->Finished()) {
    motion_->Restart();
    end_reported_ = false;
  }
  Repeat = v;
}

bool TVelkBox::MotionEnded() {
  if (AutoScrap) return true;
  if (!end_reported_) {
    end_reported_ = true;
    QueueOwnEvent(PR_ONPLAYEND, {}, false);
  }
  return false;
}

bool TVelkBox::Update() {
  TVelkBaseList* scene = Owner();
  bool done = false;
  if (motion_ && motion_->Step(scene ? scene->FrameMs() : 0, Repeat)) done = MotionEnded();
  UpdateAfterimage();
  return done;
}

void TVelkBox::UpdateAfterimage() {
  TVelkBaseList* scene = Owner();
  if (!scene || BlurSpan <= 0 || BlurDelay <= 0) return;
  blur_timer_ += scene->FrameMs();
  if (blur_timer_ < BlurSpan) return;
  blur_timer_ = 0;
  const std::array<int32_t, 5> now = {Left, Top, Width, Height, BorderWidth};
  if (now == blur_last_) return;
  blur_last_ = now;
  auto* blur = scene->New<TVelkBlurBox>();
  blur->SetName(scene->UniqueName(Name()));
  blur->SetParent(Parent());
  blur->SetPriority(Priority() > INT32_MIN ? Priority() - 1 : Priority());
  blur->SetBounds(Left, Top, Width, Height);
  blur->OffsetX = OffsetX;
  blur->OffsetY = OffsetY;
  blur->Color = Color;
  blur->BorderWidth = BorderWidth;
  blur->BorderColor = BorderColor;
  blur->StartAlpha = Alpha / 2;
  blur->Alpha = blur->StartAlpha;
  blur->Delay = BlurDelay;
  blur->Invalidate();
}

bool TVelkBlurBox::GetProp(int32_t id, TPropValue& value) const {
  if (id != PR_DELAY) return TVelkBox::GetProp(id, value);
  value.I = Delay;
  return true;
}

bool TVelkBlurBox::SetProp(int32_t id, const TPropValue& value) {
  if (id != PR_DELAY) return TVelkBox::SetProp(id, value);
  Delay = value.I;
  return true;
}

bool TVelkBlurBox::Update() {
  TVelkBaseList* scene = Owner();
  Age += scene ? scene->FrameMs() : 0;
  if (Age >= Delay) return true;
  const long double faded = std::round(static_cast<long double>(Age) / Delay * (StartAlpha % 256));
  SetVisualInt(Alpha, StartAlpha - static_cast<int32_t>(faded));
  return false;
}

void TVelkBox::SaveOwnFields(TStream& s) const {
  WriteInt(s, BorderWidth);
  WriteInt(s, BorderColor);
  WriteInt(s, Alpha);
  WriteString(s, OnIdle);
  WriteString(s, Source);
  WriteByte(s, Repeat);
  WriteByte(s, AutoScrap);
  WriteString(s, OnPlayEnd);
  WriteByte(s, PausedFlag);
  WriteByte(s, AniPaused);
  WriteInt(s, BlurSpan);
  WriteInt(s, BlurDelay);
}

void TVelkBox::LoadOwnFields(TStream& s, int32_t version) {
  BorderWidth = ReadInt(s);
  BorderColor = ReadInt(s);
  Alpha = ReadInt(s);
  if (version > 103) {
    OnIdle = ReadString(s);
    const std::string source = ReadString(s);
    Source.clear();
    SetSource(source);
    Repeat = ReadByte(s) != 0;
    AutoScrap = ReadByte(s) != 0;
    OnPlayEnd = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    AniPaused = ReadByte(s) != 0;
  }
  if (version > 139) {
    BlurSpan = ReadInt(s);
    BlurDelay = ReadInt(s);
  }
}

}  // namespace velk
