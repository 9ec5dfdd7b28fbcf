#pragma once
// Replacing a file so that a crash or a kill at any moment leaves either the old file or the new one whole: the bytes
// go to a temporary file in the same folder, are flushed to the disk, and the temporary file is renamed over the
// target; the folder is flushed last so that the rename itself survives a power cut.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velk {

// Bytes are written in blocks of this size.
constexpr size_t kSafeWriteBlock = 4096;

// Called at every step of a safe write with the step's number: 0 once the temporary file exists, 1 .. n after each
// block, n + 1 after the flush, n + 2 after the rename. Tests stop the writer there.
using TSafeWriteProbe = std::function<void(int32_t step)>;

// The temporary file a safe write of path uses.
std::string SafeWriteTempName(const std::string& path);

// Replaces the file at path (UTF-8 disk path) with the bytes. A failure throws EStreamError naming the file and leaves
// the old file as it was.
void WriteFileSafely(const std::string& path, const std::vector<uint8_t>& bytes, const TSafeWriteProbe& probe = {});

}  // namespace velk
