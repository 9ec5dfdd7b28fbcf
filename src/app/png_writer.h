#pragma once
// Writes a 32-bit frame (0x00RRGGBB) as an RGB PNG file.
#include <string>

#include "platform/window.h"

namespace velk {

// Throws EVelkError naming the file when it cannot be written.
void WritePngFile(const std::string& path, const TFrameView& frame);

}  // namespace velk
