// velk-build: compiles a game's sources into the files the player reads.
//
//   velk-build PROJECT [--out DIR] [--archive FILE] [--exe PLAYER OUTPUT] [--install FILE]
//
// --out writes velk.kpb, the pages and the assets as loose files below DIR; --archive writes them into one archive
// (game.dat); --exe copies the player executable PLAYER to OUTPUT with the archive appended. The format of the
// sources is described in docs/velk-build.md. --install writes the install description of a full installation
// (install.dat), which a player started without arguments looks for beside itself.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "base/error.h"
#include "game_builder.h"
#include "source_text.h"
#include "vfs/install_set.h"
#include "vfs/stream.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: velk-build PROJECT [--out DIR] [--archive FILE] [--exe PLAYER OUTPUT] [--install FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string project = argv[1];
  std::string out, archive, player, executable, install;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--archive" && i + 1 < argc) {
      archive = argv[++i];
    } else if (arg == "--install" && i + 1 < argc) {
      install = argv[++i];
    } else if (arg == "--exe" && i + 2 < argc) {
      player = argv[++i];
      executable = argv[++i];
    } else {
      return usage();
    }
  }
  if (out.empty() && archive.empty() && executable.empty() && install.empty()) return usage();
  try {
    // Output folders are made as needed.
    for (const std::string* path : {&archive, &executable, &install}) {
      const std::filesystem::path parent = std::filesystem::path(*path).parent_path();
      if (!path->empty() && !parent.empty()) std::filesystem::create_directories(parent);
    }
    const velk::build::TGameBuild build = velk::build::BuildGame(project);
    // The install description of a full installation: a player started without arguments reads it to find its game.
    velk::TVelkInstallSet set;
    set.Title = build.Project.Title;
    set.FullInstall = true;
    if (!out.empty()) velk::build::WriteFolder(build, out);
    if (!archive.empty()) {
      velk::build::WriteArchive(build, archive);
      // The player put beside the archive (named game.dat) finds it through this description.
      if (install.empty()) set.SaveToFile((std::filesystem::path(archive).parent_path() / "install.dat").string());
    }
    if (!executable.empty()) {
      // The executable carries its description inside: it needs nothing beside it.
      velk::build::TGameBuild carried = build;
      velk::TMemoryStream bytes;
      set.SaveToStream(bytes);
      carried.Files.push_back({"install.dat", bytes.Bytes()});
      velk::build::WriteExecutable(carried, player, executable);
    }
    if (!install.empty()) set.SaveToFile(install);
    std::printf("%zu files built from %s\n", build.Files.size(), project.c_str());
    return 0;
  } catch (const velk::EVelkError& e) {
    std::fprintf(stderr, "velk-build: %s\n", e.Utf8().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velk-build: %s\n", e.what());
  }
  return 1;
}
