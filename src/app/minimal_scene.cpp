#include "app/minimal_scene.h"

namespace velk {

void TMinimalScene::SetScreenSize(int32_t width, int32_t height) {
  screen_.Resize(width, height, colour_);
  dirty_ = true;
}

void TMinimalScene::InputStep() {
  input_.LeftClicked = pending_.LeftClicked;
  input_.RightClicked = pending_.RightClicked;
  input_.WheelUp = pending_.WheelUp;
  input_.WheelDown = pending_.WheelDown;
  input_.KeyPressed = pending_.KeyPressed;
  pending_ = TSceneInput{};
}

void TMinimalScene::Compose() {
  ++composes_;
  if (!dirty_) return;
  screen_.FillRect(screen_.Bounds(), colour_);
  changed_.push_back(screen_.Bounds());
  dirty_ = false;
}

void TMinimalScene::MouseDown(bool left, bool right) {
  input_.LeftHeld = left;
  input_.RightHeld = right;
  pending_.LeftClicked = left;
  pending_.RightClicked = right;
}

void TMinimalScene::MouseUp() {
  input_.LeftHeld = false;
  input_.RightHeld = false;
}

void TMinimalScene::KeyDown(uint8_t key) {
  input_.KeyHeld[key] = true;
  pending_.KeyPressed[key] = true;
}

void TMinimalScene::ReleaseInput() {
  input_.LeftHeld = false;
  input_.RightHeld = false;
  input_.KeyHeld.fill(false);
}

void TMinimalScene::ReloadSurfaces() {
  surfaces_ = true;
  dirty_ = true;
}

void TMinimalScene::SetColour(uint32_t colour) {
  colour_ = colour;
  dirty_ = true;
}

}  // namespace velk
