#include "scene/scene_var_host.h"

#include "scene/base_list.h"
#include "scene/mes_data.h"

namespace velk {

bool TSceneVarHost::LClick() { return scene_.ActiveBaseObject()->LeftClick; }
void TSceneVarHost::SetLClick(bool b) { scene_.ActiveBaseObject()->LeftClick = b; }
bool TSceneVarHost::RClick() { return scene_.ActiveBaseObject()->RightClick; }
void TSceneVarHost::SetRClick(bool b) { scene_.ActiveBaseObject()->RightClick = b; }

bool TSceneVarHost::LPush() {
  const TVelkBase* base = scene_.ActiveBaseObject();
  return base->LeftHeld && !(base->Capture & TVelkBase::kCaptureLeft);
}

bool TSceneVarHost::RPush() {
  const TVelkBase* base = scene_.ActiveBaseObject();
  return base->RightHeld && !(base->Capture & TVelkBase::kCaptureRight);
}

bool TSceneVarHost::WheelDown() { return scene_.ActiveBaseObject()->WheelDown; }
bool TSceneVarHost::WheelUp() { return scene_.ActiveBaseObject()->WheelUp; }
int32_t TSceneVarHost::MouseX() { return scene_.ActiveBaseObject()->MouseX; }
int32_t TSceneVarHost::MouseY() { return scene_.ActiveBaseObject()->MouseY; }
void TSceneVarHost::SetMouseX(int32_t x) { scene_.MouseMoveTo(x, scene_.ActiveBaseObject()->MouseY); }
void TSceneVarHost::SetMouseY(int32_t y) { scene_.MouseMoveTo(scene_.ActiveBaseObject()->MouseX, y); }
bool TSceneVarHost::KeyPush(int32_t key) { return scene_.KeyIsDown(key); }
bool TSceneVarHost::KeyClick(int32_t key) { return scene_.KeyWasPressed(key); }
bool TSceneVarHost::KeyRepeat(int32_t key) { return scene_.KeyWasRepeated(key); }
int32_t TSceneVarHost::ScrWidth() { return scene_.Width(); }
int32_t TSceneVarHost::ScrHeight() { return scene_.Height(); }
bool TSceneVarHost::SoundON() { return scene_.SoundOn(); }
void TSceneVarHost::SetSoundON(bool b) { scene_.SetSoundOn(b); }
bool TSceneVarHost::CGDither() { return scene_.DitherMode() != 0; }
void TSceneVarHost::SetCGDither(bool b) { scene_.SetDitherMode(b ? 1 : 0); }

std::string TSceneVarHost::ActiveCompo() {
  const TVelkControl* focus = scene_.Focus();
  return focus ? focus->Name() : std::string();
}

void TSceneVarHost::SetActiveCompo(const std::string& name) {
  if (name.empty()) return;
  TVelkObject* o = scene_.FindObject(name);
  TVelkControl* c = o ? o->AsControl() : nullptr;
  if (c && !c->AsBase() && c->HandleKey && c->Visible && !c->Paused()) scene_.SetFocus(c);
}

int32_t TSceneVarHost::HistoryCount() {
  const IMessageHistory* h = scene_.Services.History;
  return h ? h->HistoryCount({}) : 0;
}

int32_t TSceneVarHost::HistoryMaxCount() {
  const IMessageHistory* h = scene_.Services.History;
  return h ? h->HistoryCapacity({}) : TVarHost::HistoryMaxCount();
}

void TSceneVarHost::SetHistoryMaxCount(int32_t n) {
  if (IMessageHistory* h = scene_.Services.History) {
    h->SetHistoryCapacity({}, n);
  } else {
    TVarHost::SetHistoryMaxCount(n);
  }
}

}  // namespace velk
