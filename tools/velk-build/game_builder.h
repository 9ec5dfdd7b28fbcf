#pragma once
// The game builder: reads a project description with its page sources and assets and makes the files the player
// reads (velk.kpb, the *.ksb pages, the assets), as loose files, as an archive, or appended to a player executable.
#include <cstdint>
#include <string>
#include <vector>

#include "script/project_setting.h"

namespace velk::build {

struct TBuiltFile {
  std::string Name;  // archive name, code page 932, "\" between folders
  std::vector<uint8_t> Bytes;
  // A file an archive packs as it packs disk files: an asset the project names as it is on disk, so that sounds
  // and videos are stored raw and play in place, or a layered image made from pictures, whose pixel data is
  // deflated already and so is stored raw rather than deflated a second time.
  bool IsFile = false;
};

struct TGameBuild {
  TProjectSetting Project;
  std::vector<TBuiltFile> Files;  // velk.kpb first, then the pages, then the assets
};

// Builds everything the project description at path names. Errors throw TBuildError naming file and line.
TGameBuild BuildGame(const std::string& project_path);

// Writes every file below folder (created as needed), "\" becoming "/".
void WriteFolder(const TGameBuild& build, const std::string& folder);
// Writes an archive holding every file.
void WriteArchive(const TGameBuild& build, const std::string& path);
// Copies the player executable and appends the archive with its trailer (int32 start, "vk").
void WriteExecutable(const TGameBuild& build, const std::string& player, const std::string& path);

}  // namespace velk::build
