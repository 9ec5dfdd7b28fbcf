#pragma once
// The variable dump of headless runs: every variable, one tab-separated line each (name, type, value), sorted by
// name, system variables left out. Array elements get a line each, named name[i,j].
#include <string>

namespace velk {

class TParamCollection;

std::string DumpVariables(const TParamCollection& vars);

}  // namespace velk
