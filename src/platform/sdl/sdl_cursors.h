#pragma once
#include "platform/platform.h"

struct SDL_Cursor;

namespace velk {

// The mouse cursor through SDL: the custom slot holds one colour cursor made from the picture; the default is the
// system arrow. Without video (no display) nothing is shown.
class TSdlCursors : public ICursors {
 public:
  TSdlCursors() = default;
  ~TSdlCursors() override;
  TSdlCursors(const TSdlCursors&) = delete;
  TSdlCursors& operator=(const TSdlCursors&) = delete;

  void ShowCustom(const TCursorImage& image) override;
  void ShowDefault() override;

 private:
  SDL_Cursor* custom_ = nullptr;
};

}  // namespace velk
