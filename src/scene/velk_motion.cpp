#include "scene/velk_motion.h"

#include <algorithm>
#include <cmath>

#include "scene/base_list.h"
#include "scene/velk_control.h"

namespace velk {

namespace {

int32_t TicksOf(int64_t ms) { return static_cast<int32_t>(std::llround(static_cast<double>(ms) / kFilmTickMs)); }
int32_t MsOf(int32_t tick) { return static_cast<int32_t>(std::llround(tick * kFilmTickMs)); }

}  // namespace

TVelkMotion::TVelkMotion(TVelkControl& target, std::unique_ptr<IVelkFilm> film)
    : target_(target), film_(std::move(film)), last_left_(target.Left), last_top_(target.Top) {}

TVelkMotion::~TVelkMotion() = default;

std::unique_ptr<TVelkMotion> TVelkMotion::Load(TVelkControl& target, const std::string& source) {
  TVelkBaseList* scene = target.Owner();
  if (!scene || !scene->Services.LoadFilm) return nullptr;
  std::unique_ptr<IVelkFilm> film = scene->Services.LoadFilm(target, source);
  if (!film) return nullptr;
  return std::make_unique<TVelkMotion>(target, std::move(film));
}

void TVelkMotion::ResetMotionValues(TVelkControl& target) {
  target.Invalidate();
  target.MotionX = 0;
  target.MotionY = 0;
  target.Invalidate();
  target.SetMotionPriority(0);
}

int32_t TVelkMotion::Length() const { return film_->Length(); }

bool TVelkMotion::Step(int32_t elapsed_ms, bool repeat) {
  const int32_t left = target_.Left, top = target_.Top;
  bool origin_moved = false;
  // A relative motion follows its control when a script moves it.
  if (countdown_ <= 0 && (left != last_left_ || top != last_top_) && film_->Relative()) {
    film_->SetOrigin(left, top);
    origin_moved = true;
  }
  last_left_ = left;
  last_top_ = top;
  if (finished_) return false;
  const bool first = countdown_ == 2;
  if (first) {
    if (film_->Relative())
      film_->SetOrigin(left, top);
    else
      film_->SetOrigin(0, 0);
    film_->SetBasePriority(target_.Priority());
  }
  if (countdown_ <= 0 && !target_.AniPaused) elapsed_ = std::max(0, elapsed_ + elapsed_ms);
  int32_t frame = TicksOf(elapsed_);
  const int32_t length = film_->Length();
  bool ended = false;
  if (frame >= length) {
    if (repeat && length > 0) {
      frame = std::clamp(frame % length + film_->LoopStart(), 0, length - 1);
      elapsed_ = MsOf(frame);
    } else {
      // Also a film without ticks ends here instead of repeating by a modulo of 0.
      frame = std::max(length - 1, 0);
      finished_ = true;
      ended = true;
    }
  }
  if (first || frame != frame_ || origin_moved) film_->MoveTo(frame);
  frame_ = frame;
  if (countdown_ > 0) --countdown_;
  return ended;
}

void TVelkMotion::MoveToTime(int32_t ms) {
  elapsed_ = std::max(ms, 0);
  finished_ = false;
  const int32_t length = film_->Length();
  frame_ = std::clamp(TicksOf(elapsed_), 0, std::max(length - 1, 0));
  film_->MoveTo(frame_);
}

void TVelkMotion::Restart() {
  elapsed_ = 0;
  countdown_ = 2;
  finished_ = false;
  frame_ = 0;
}

}  // namespace velk
