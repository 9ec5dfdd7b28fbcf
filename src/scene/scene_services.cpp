#include "scene/scene_services.h"

#include "base/process_values.h"

namespace velk {

int32_t TSceneServices::FrameWait() const { return Process != nullptr ? Process->FrameWait : 16; }

int32_t TSceneServices::GameClock() const { return Process != nullptr ? Process->GameClock : 0; }

}  // namespace velk
