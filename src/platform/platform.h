#pragma once
// The platform services the core needs, one interface per service. The SDL back end (platform/sdl) and the headless
// back end (platform/headless) implement them; nothing else in the player knows about SDL.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velk {

// Millisecond clock (the multimedia timer of the original system).
class IClock {
 public:
  virtual ~IClock() = default;
  virtual uint32_t Milliseconds() = 0;
  // Waits about ms milliseconds (a virtual clock just advances).
  virtual void Sleep(uint32_t ms) = 0;
};

// Message box styles and answers, with the values scripts and the system use.
enum : uint32_t {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_ABORTRETRYIGNORE = 0x02,
  MB_YESNOCANCEL = 0x03,
  MB_YESNO = 0x04,
  MB_RETRYCANCEL = 0x05,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};
enum : int32_t { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// The buttons of a style, in the order they are shown (for scripted answers: the N-th button).
std::vector<int32_t> MessageBoxButtons(uint32_t style);
// The caption of an answer's button (UTF-8): "OK", "キャンセル", "はい", ...
const char* MessageBoxButtonCaption(int32_t answer);
// The answer of Escape or of closing the box: Cancel or No when the box has one, else its last button.
int32_t MessageBoxEscapeAnswer(uint32_t style);

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // Shows a modal box; text and caption are code page 932 bytes. Returns the answer (IDOK, IDYES, ...).
  virtual int32_t Show(const std::string& text, const std::string& caption, uint32_t style) = 0;
};

// A held instance guard; released when destroyed.
class IInstanceGuard {
 public:
  virtual ~IInstanceGuard() = default;
};

enum class DriveType { Unknown, Fixed, Removable, Remote, CdRom, RamDisk };

class IFiles {
 public:
  virtual ~IFiles() = default;
  // The folder for temporary files, with a trailing "/".
  virtual std::string TempFolder() = 0;
  // The per-user data folder, with a trailing "/".
  virtual std::string UserDataFolder() = 0;
  // Takes the named guard; null when another process already holds it or it cannot be created.
  virtual std::unique_ptr<IInstanceGuard> AcquireInstanceGuard(const std::string& name) = 0;
  // The type of the drive (file system) that holds path.
  virtual DriveType GetDriveType(const std::string& path) = 0;
  // The full path of the running executable (UTF-8).
  virtual std::string ExecutablePath() = 0;
};

// Named resources of a module ("DUMMY" of type "BINTYPE", ...). Executables on this platform carry none of their
// own; providers may supply them from elsewhere (tests supply them from memory).
class IResources {
 public:
  virtual ~IResources() = default;
  // The bytes of the resource, or null when the module has no such resource. module is a file path; empty means
  // the running executable.
  virtual std::shared_ptr<const std::vector<uint8_t>> Find(const std::string& module, const std::string& type,
                                                           const std::string& name) = 0;
};

// A mouse cursor picture: Width x Height pixels 0xAARRGGBB, rows top-down, and the hot spot inside it. An empty
// picture (a cursor file that could not be read) stands for the default arrow.
struct TCursorImage {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HotX = 0;
  int32_t HotY = 0;
  std::vector<uint32_t> Pixels;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// The mouse cursor over the game: the custom cursor slot, or the default arrow.
class ICursors {
 public:
  virtual ~ICursors() = default;
  // Loads the picture into the custom cursor slot and shows it (an empty picture shows the default arrow).
  virtual void ShowCustom(const TCursorImage& image) = 0;
  virtual void ShowDefault() = 0;
};

// The file dialogs and the desktop shell of the user's system.
enum class TFileDialogKind { Open, Save, Folder };

class IShell {
 public:
  virtual ~IShell() = default;
  // Asks the user for a file to open, a file to save or a folder, starting in start_folder. filter is the game's
  // filter text ("Text|*.txt|All|*.*", code page 932); suggested a name to save under (may be empty). Every path
  // is UTF-8. Returns the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFile(TFileDialogKind kind, const std::string& filter,
                                                const std::string& start_folder, const std::string& suggested) = 0;
  // Opens a web address or a folder with the user's desktop; false when that could not be started.
  virtual bool Open(const std::string& target_utf8) = 0;
  // Makes the picture file the desktop wallpaper (style 0 centred, 1 tiled, 2 stretched); false when the desktop
  // offers no way to.
  virtual bool SetWallPaper(const std::string& picture_path, int32_t style) = 0;
};

// The system's clipboard text (UTF-8), used by edit boxes.
class IClipboard {
 public:
  virtual ~IClipboard() = default;
  virtual std::string Text() = 0;
  virtual void SetText(const std::string& utf8) = 0;
};

// The services handed to the core. Pointers are non-owning; the back end that made them keeps them alive.
struct TPlatform {
  IClock* Clock = nullptr;
  IMessageBoxes* MessageBoxes = nullptr;
  IFiles* Files = nullptr;
  IResources* Resources = nullptr;
  ICursors* Cursors = nullptr;
  IShell* Shell = nullptr;  // null: every dialog is cancelled and nothing is opened
  // Null: edit boxes keep a clipboard of their own scene.
  IClipboard* Clipboard = nullptr;
};

}  // namespace velk
