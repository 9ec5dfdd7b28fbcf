#pragma once
// The motion player: drives one control with a film made from a motion file (".kmt"). The film writes the control's
// MotionX, MotionY, MotionPriority and other animated values; the player keeps the clock, a start countdown of two
// steps, the finished flag and the last position of the control it saw.
#include <cstdint>
#include <memory>
#include <string>

#include "scene/velk_film.h"

namespace velk {

class TVelkControl;

class TVelkMotion {
 public:
  TVelkMotion(TVelkControl& target, std::unique_ptr<IVelkFilm> film);
  ~TVelkMotion();
  TVelkMotion(const TVelkMotion&) = delete;
  TVelkMotion& operator=(const TVelkMotion&) = delete;

  // The player of a motion file for the control through the scene's film loader; null when there is no film.
  static std::unique_ptr<TVelkMotion> Load(TVelkControl& target, const std::string& source);
  // Resets what a motion writes into its control: MotionX, MotionY and MotionPriority.
  static void ResetMotionValues(TVelkControl& target);

  // One step with the frame's milliseconds; repeat is the control's PR_REPEAT. True when the motion has just ended.
  bool Step(int32_t elapsed_ms, bool repeat);
  // Moves the motion to a time in milliseconds (PR_INDEX of a control with a motion sets frame x 1000 / 60).
  void MoveToTime(int32_t ms);
  // Starts again from the beginning (a finished motion whose control is set to repeat).
  void Restart();

  int32_t Frame() const { return frame_; }
  int32_t Length() const;
  bool Finished() const { return finished_; }
  int32_t Elapsed() const { return elapsed_; }
  IVelkFilm& Film() { return *film_; }

 private:
  TVelkControl& target_;
  std::unique_ptr<IVelkFilm> film_;
  int32_t elapsed_ = 0;
  int32_t countdown_ = 2;
  bool finished_ = false;
  int32_t frame_ = 0;
  int32_t last_left_ = 0, last_top_ = 0;
};

}  // namespace velk
