#pragma once
// What scene components reach outside the scene: the game's files, the shared image cache, the process values,
// the selection result of the system variables and the loaders of later layers. The game session fills these in;
// tests set only what they use. Every member may be empty: components then behave as when the file is missing.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velk {

class TBrixCollection;
class TStream;
class TVelkParser;
class TVelkControl;
struct TProcessValues;

class IVelkFilm;
class ICursors;
class IMessageHistory;
class IMessageTexts;
class IWordVars;
class TVelkReadList;
class TMediaManager;
class TVideoManager;

struct TSceneServices {
  // Reads a game file into the stream (positioned at 0); false when it does not exist. Damaged data raises.
  std::function<bool(TStream&, const std::string&)> ReadFile;
  // Whether a game file exists.
  std::function<bool(const std::string&)> Exists;
  // The shared image cache ("BrixMan").
  TBrixCollection* Images = nullptr;
  // The process-wide values (frame wait, game clock); null outside a player.
  const TProcessValues* Process = nullptr;
  // The text of the system's clipboard (code page 932); without them the scene keeps its own in LocalClipboard.
  std::function<std::string()> GetClipboard;
  std::function<void(const std::string&)> SetClipboard;
  std::string LocalClipboard;
  // Sets "@SelStr" and "@SelIndex".
  std::function<void(const std::string&, int32_t)> SetSelection;
  // Evaluates a compiled expression of a component (an image's last-frame wait, a particle's position and
  // interval) as an int in the game's variables; without it such expressions give 0.
  std::function<int32_t(TVelkParser&)> EvaluateInt;
  // Loads a film or motion file for a control; null when the name is not a film or films are not available.
  std::function<std::unique_ptr<IVelkFilm>(TVelkControl& target, const std::string& source)> LoadFilm;

  // The mouse cursor of the window the scene is shown in; null for scenes that are not shown (a cinema's).
  ICursors* Cursors = nullptr;
  // The default cursor file (system variable "@Cursor"), shown over controls without a cursor of their own.
  std::function<std::string()> DefaultCursor;

  // What message windows reach: the texts of message commands, the history, the read marks, the values of variables
  // in their text, and the hook that receives the text of every page shown (rows joined with CR LF).
  IMessageTexts* MessageTexts = nullptr;
  IMessageHistory* History = nullptr;
  TVelkReadList* TextRead = nullptr;
  IWordVars* WordVars = nullptr;
  std::function<void(const std::string&)> OnPageShown;
  // The media managers, once the player's media have started: the manager of a sound file (null for a name no
  // manager plays) and the video manager (null without one). Sounds and videos created without them have no item.
  std::function<TMediaManager*(const std::string&)> SoundManager;
  std::function<TVideoManager*()> VideoManager;

  // The frame interval particles step by: the process value, 16 ms without a process.
  int32_t FrameWait() const;
  // The game clock (the sum of the frame times, ms): the process value, 0 without a process.
  int32_t GameClock() const;
  bool FileExists(const std::string& name) const { return Exists && Exists(name); }
};

}  // namespace velk
