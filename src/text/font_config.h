#pragma once
// The process's one fontconfig configuration. Loading it parses the configuration files and reads the font caches,
// a cost paid once on the first lookup and shared by every user (face matching, the player's own controls, the
// list of installed fonts); it lives until the process ends.
#include <fontconfig/fontconfig.h>

#include <string>

namespace velk {

// Null when fontconfig cannot load a configuration.
FcConfig* FontConfig();
// The file of the face fontconfig picks for Japanese sans-serif text; empty when there is none.
const std::string& JapaneseFontFile();

}  // namespace velk
