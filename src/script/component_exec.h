#pragma once
// What the component commands do when they run: the creation commands of every component class, the flip to the
// other base, the media, text and menu commands, property motions and the cabinets. The dispatch table of the
// interpreter takes these rows.
#include <cstdint>
#include <span>

namespace velk {

class TCallMan;
class TCommand;
class TPage;

struct TComponentRun {
  uint8_t Code;
  void (*Begin)(TCallMan&, TCommand&);  // may be null
  void (*Execute)(TCallMan&, TCommand&, TPage*&, int32_t&);
};

std::span<const TComponentRun> ComponentRuns();
// The message commands: text insert and clear, the history and the read marks.
std::span<const TComponentRun> MessageRuns();

}  // namespace velk
