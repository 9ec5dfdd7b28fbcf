#pragma once
// A compiled script page (*.ksb): the result type of a call to it, its flat command list and the property masks
// that say which property expressions the records of each component command carry.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "script/command.h"
#include "vfs/stream.h"

namespace velk {

class TParamCollection;

// 168 bits, one per property id 0 .. 164 (bit p is bit p mod 8 of byte p div 8); bits 165 .. 167 are never read.
constexpr int32_t kMaskSize = 21;
using TPropMask = std::array<uint8_t, kMaskSize>;

inline bool MaskHas(const TPropMask& mask, int32_t prop) { return (mask[prop / 8] >> (prop % 8)) & 1; }
inline void MaskSet(TPropMask& mask, int32_t prop) { mask[prop / 8] |= static_cast<uint8_t>(1 << (prop % 8)); }

// What loading a page needs from the running player.
class IPageHost {
 public:
  virtual ~IPageHost() = default;
  // Reads the page file through the virtual file manager; fails as the manager does.
  virtual void ReadPageFile(TStream& target, const std::string& name) = 0;
  // A page older than the player accepts: set the quit flag, show the page name, CR LF and "リビルドしてください"
  // (caption "警告", warning icon) and close the main window.
  virtual void PageTooOld(const std::string& name) = 0;
};

class TPage {
 public:
  static constexpr int32_t kMaxVersion = 115;
  static constexpr int32_t kMinVersion = 103;
  // The version of a page that was created, not loaded.
  static constexpr int32_t kNewVersion = 104;
  // The largest command count a page may declare; a larger one is a damaged file.
  static constexpr int32_t kMaxCommands = 1 << 20;

  enum class TParse { Loaded, TooNew, TooOld };

  // An empty page of version 104 with the default masks. With a variable store, destroying the page frees its
  // per-page variable (the byte 0x01 followed by the page name).
  explicit TPage(TParamCollection* vars = nullptr);
  ~TPage();
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  // Clears the commands, remembers the name, reads the file through the host and parses it. A page too old is
  // reported through the host and stays empty; a page too new stays empty silently. Failures name the page.
  void Load(const std::string& name, IPageHost& host);
  // Parses a page file (the commands are cleared first). Damaged or truncated files fail with EFormatError, a code
  // without a class with "不正なコマンド".
  TParse LoadFromStream(TStream& s);
  // Writes the page file: Version, result type, all 61 masks of 21 bytes, the commands.
  void SaveToStream(TStream& s);

  // Index of the first command whose MatchesLabel (name) is true, else -1.
  int32_t FindLabel(const std::string& name) const;

  uint8_t ResultType = 0;
  TComList Commands{this};
  std::string Name;
  std::array<TPropMask, kCommandCount> Masks{};
  int32_t Version = kNewVersion;

 private:
  TParamCollection* vars_;
};

// The codes whose masks a new page presets.
bool IsComponentCode(uint8_t code);

}  // namespace velk
