#pragma once
// What the control-flow, data and program commands do when they run. The interpreter begins and executes every
// command through these; a code without an entry here uses the command's own operations.
#include <cstdint>

namespace velk {

class TCallMan;
class TCommand;
class TPage;

// Comments are always passed over, like commands marked as skipped.
bool IsCommandSkipped(const TCommand& command);
void BeginCommand(TCallMan& calls, TCommand& command);
void ExecuteCommand(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index);

}  // namespace velk
