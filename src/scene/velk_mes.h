#pragma once
// The message window: text laid out by its own text composer into pages, the current page typed out glyph by glyph,
// with events when a page starts, while it types, when it is complete, when a link is clicked and when the text
// notifies. Text from a script's message command is read-tracked: a page shown completely becomes read in the read
// list, and each page shown goes to the message history.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/mes_data.h"
#include "scene/velk_control.h"

namespace velk {

class TMemoryStream;
class TWdPage;
class TSceneWordImages;
class TWordComposer;

class TVelkMes : public TVelkControl {
 public:
  // ReadTracked values: not tracked, tracked, showing the history.
  enum : uint8_t { kUntracked = 0, kTracked = 1, kShowingHistory = 2 };

  explicit TVelkMes(TVelkBaseList* owner);
  ~TVelkMes() override;

  uint8_t ComponentType() const override { return VT_MES; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  TWordComposer& Composer() const { return *composer_; }
  int32_t PageCount() const;
  TWdPage* CurrentPage() const;
  int32_t Index() const { return index_; }
  // Shows another page; an index outside the pages, or the current one, changes nothing.
  void SetIndex(int32_t index);
  // Plain text (markup) given through the property: never read-tracked when set by a script.
  void SetText(const std::string& text);
  // The plain text of the current page, rows joined with CR LF.
  std::string PageText() const;
  std::string PageText(int32_t page) const;
  // Lays out the message data into new pages; start_event starts the first page at once.
  void ShowMessageData(bool start_event);
  // Empties the window: no text, no pages.
  void ClearText();
  bool Playing() const;
  // After a load: builds the pages again and gives them their saved typing states. The states stay until the window
  // next updates, so the game can rebuild once more when its variables and scripts have loaded too.
  void RebuildAfterLoad();
  // The glyph range of a page as positions in its message (expansions of variables not counted).
  void PageRange(int32_t page, int32_t& first, int32_t& last) const;

  int32_t ScrollYValue() const { return scroll_y_; }
  void SetScrollYValue(int32_t v);
  bool AntiAliasFlag() const;
  void SetAntiAliasFlag(bool v);
  int32_t Delay() const;
  void SetDelay(int32_t v);
  int32_t TextDelayValue() const { return TextDelay; }
  void SetTextDelay(int32_t v);
  void SetPausedFlag(bool v);
  void SetTextPausedFlag(bool v);
  std::string PropText() const { return PageText(); }
  void SetPropText(const std::string& text);
  int32_t CaretX() const;
  int32_t CaretY() const;
  int32_t CaretHeight() const;

  // Fields saved with the window.
  int32_t UserValue = 0;
  std::string Spare[3];
  std::string OnPlaying, OnPlayStart, OnPlayEnd, OnLink, OnNotify;
  bool PausedFlag = false;
  bool TextPaused = false;
  int32_t TextDelay = 256;
  uint8_t ReadTracked = kUntracked;
  int32_t MessageNumber = 0;
  std::string MessageId;
  TVelkNewMesData MessageData;
  std::string Text;
  int32_t StartCountdown = 0;
  std::string OnIdle;
  bool LayoutFlag = false;
  int32_t LayoutValue = 0;
  bool Restart = false;
  bool CaptureLink = false;

  bool Update() override;
  void Draw() override;
  TVelkControl* HitTest(TPoint p, TMouseAllowed allowed) override;
  void MouseMove() override;
  void MouseOut(TVelkControl* new_target) override;
  void MouseLeftDown() override;
  int32_t ScrollY() const override { return scroll_y_; }

  // A composer setting changed: the current page is rendered again.
  void SettingChanged();

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void StartPage();
  // Lays the loaded text out again with the saved typing states; lenient: states that do not fit are dropped.
  void rebuild(bool lenient);
  void PassPageToHistory(const std::string& id, int32_t number);
  // Lay the pages out without events or history: the plain text, or the message data.
  void LayoutText();
  void LayoutMessageData();
  // The message data as the save record holds it.
  TVelkNewMesData DataToSave() const;
  void RenderPage(bool reset_visibility);
  void EndHistoryEntry();
  void FreePages();
  void PlaceComposer() const;
  void AddChangedToBase();
  bool LinksActive() const;
  void ApplyPause();
  void Notify(const std::string& text);
  void AnnounceText();

  // The pictures of IMG tags; outlives the composer whose glyphs hold them.
  std::unique_ptr<TSceneWordImages> images_;
  std::unique_ptr<TWordComposer> composer_;
  int32_t index_ = -1;
  int32_t scroll_y_ = 0;
  std::unique_ptr<TMemoryStream> saved_pages_;
  // The composer's index of the first glyph of each history row of the message data, as laid out.
  std::vector<int32_t> piece_starts_;
  // The message the current page was passed to the history and the read list under.
  std::string shown_id_;
  int32_t shown_number_ = 0;
};

}  // namespace velk
