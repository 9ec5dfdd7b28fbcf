#pragma once
// Film descriptions: a readable text that the builder turns into a cinema or motion file (docs/velk-build.md,
// "Film descriptions").
#include <cstdint>
#include <string>
#include <vector>

namespace velk::build {

// Compiles the description text of file into the bytes of a film file. Errors throw TBuildError naming the file and
// line.
std::vector<uint8_t> BuildFilm(const std::string& file, const std::string& text);

}  // namespace velk::build
