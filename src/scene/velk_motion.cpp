#include "scene/velk_motion.h"

#include "scene/velk_control.h"

namespace velk {

TVelkMotion::TVelkMotion(TVelkControl& target, std::unique_ptr<IVelkFilm> film)
    : target_(target), film_(std::move(film)) {}
TVelkMotion::~TVelkMotion() = default;
std::unique_ptr<TVelkMotion> TVelkMotion::Load(TVelkControl&, const std::string&) { return nullptr; }
void TVelkMotion::ResetMotionValues(TVelkControl&) {}
bool TVelkMotion::Step(int32_t, bool) { return false; }
void TVelkMotion::MoveToTime(int32_t) {}
void TVelkMotion::Restart() {}
int32_t TVelkMotion::Length() const { return film_->Length(); }

}  // namespace velk
