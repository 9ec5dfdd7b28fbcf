#include "scene/velk_box.h"

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using B = TVelkBox;
using P = TProps<B>;

const TPropTable<B> kBoxProps = {
    P::Custom<&B::Source, &B::SetSource>(PR_SOURCE),
    P::Visual<&B::BorderWidth>(PR_BORDERWIDTH),
    P::Visual<&B::BorderColor>(PR_BORDERCOLOR),
    P::Visual<&B::Alpha>(PR_ALPHA),
    P::Plain<&B::PausedFlag>(PR_PAUSED),
    P::Custom<&B::Repeat, &B::SetRepeat>(PR_REPEAT),
    P::Plain<&B::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&B::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&B::OnIdle>(PR_ONIDLE),
    P::Plain<&B::BlurSpan>(PR_BLURSPAN),
    P::Plain<&B::BlurDelay>(PR_BLURDELAY),
};

const TPropTable<TVelkBlurBox> kBlurBoxProps = {
    {PR_DELAY, [](const TVelkBlurBox& b, TPropValue& v) { v.I = b.Fade.Delay; },
     [](TVelkBlurBox& b, const TPropValue& v) { b.Fade.Delay = v.I; }},
};

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
  return kBoxProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkBox::SetProp(int32_t id, const TPropValue& value) {
  return kBoxProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
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
  DetachMotion();
  Source = name;
  ResetRunEnd();
  Invalidate();
  if (HasExtension(name, ".kmt")) LoadMotion(name);
  Invalidate();
}

void TVelkBox::SetRepeat(bool v) {
  if (v && !Repeat && Motion() && Motion()->Finished()) RestartMotion();
  Repeat = v;
}

bool TVelkBox::Update() {
  const bool done = TVelkControl::Update();
  UpdateAfterimage();
  return done;
}

void TVelkBox::UpdateAfterimage() {
  TVelkBaseList* scene = Owner();
  if (!scene ||
      !blur_clock_.Due(scene->FrameMs(), BlurSpan, BlurDelay, {Left, Top, Width, Height, BorderWidth}, true)) {
    return;
  }
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
  // A box's afterimage starts at half its opacity code.
  blur->Fade.StartAlpha = Alpha / 2;
  blur->Fade.Delay = BlurDelay;
  blur->Alpha = blur->Fade.StartAlpha;
  blur->Invalidate();
}

bool TVelkBlurBox::GetProp(int32_t id, TPropValue& value) const {
  return kBlurBoxProps.Get(*this, id, value) || TVelkBox::GetProp(id, value);
}

bool TVelkBlurBox::SetProp(int32_t id, const TPropValue& value) {
  return kBlurBoxProps.Set(*this, id, value) || TVelkBox::SetProp(id, value);
}

bool TVelkBlurBox::Update() {
  const TVelkBaseList* scene = Owner();
  int32_t alpha = Alpha;
  if (Fade.Advance(scene ? scene->FrameMs() : 0, alpha)) return true;
  SetVisualInt(Alpha, alpha);
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
