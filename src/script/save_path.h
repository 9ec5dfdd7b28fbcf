#pragma once
// Where the save file lives: the folder given on the command line, else beside the executable when that folder is
// writable, else a folder of the game's own in the user's data folder. A folder given with --save-dir overrides all.
#include <string>

namespace velk {

struct TSavePlace {
  // The folder asked for with --save-dir; empty: none.
  std::string SaveDir;
  // The game folder given on the command line (disk path); empty when started without one.
  std::string ArgumentFolder;
  // The executable's folder (disk path).
  std::string ExecutableFolder;
  // The user's data folder: $XDG_DATA_HOME, else $HOME/.local/share; empty when neither is set.
  std::string DataHome;
  // The game's name for its folder there (code page 932): the registry key, else the title.
  std::string GameName;
};

// The user's data folder from the environment, as TSavePlace::DataHome wants it.
std::string UserDataHome();

// The folder name made from a game's name: path delimiters, ":", ",", ";", "*", "?", "\"", "<", ">" and "|" become
// "_", and so do names that would mean the folder itself or its parent; the result is UTF-8.
std::string SaveFolderName(const std::string& game_name);

// The path of save.dat (UTF-8 disk path). Creates the per-user folder when it is chosen and copies a save.dat lying
// beside the executable into it unless one is there already. No usable place raises
// "データファイルを作成することができません".
std::string FindSavePath(const TSavePlace& place);

}  // namespace velk
