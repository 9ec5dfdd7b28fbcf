#include "scene/velk_mes.h"

#include <algorithm>
#include <type_traits>
#include <unordered_map>

#include "base/error.h"
#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "scene/velk_base.h"
#include "scene/velk_label.h"
#include "scene/velk_read_list.h"
#include "text/font_pixel.h"
#include "scene/word_images.h"
#include "text/word_composer.h"
#include "vfs/stored_read.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using M = TVelkMes;
using P = TProps<M>;

// The version of the composer settings the window writes.
constexpr int32_t kSettingsVersion = 140;
// Anti-alias levels of the false and true property values.
constexpr int32_t kAntiAliasLevels[2] = {0, 3};

// A composer setting as a property: a change renders the current page again.
template <auto F> constexpr TPropRow<M> Setting(int32_t id) {
  return {id, [](const M& m, TPropValue& v) { prop_detail::Store(v, m.Composer().Settings.*F); },
          [](M& m, const TPropValue& v) {
            using V = std::remove_cvref_t<decltype(m.Composer().Settings.*F)>;
            const V x = prop_detail::Load<V>(v);
            if (m.Composer().Settings.*F == x) return;
            m.Composer().Settings.*F = x;
            m.SettingChanged();
          }};
}

const TPropTable<M> kMesProps = {
    Setting<&TComposerSettings::FontName>(PR_FONTNAME),
    Setting<&TComposerSettings::FontSize>(PR_FONTHEIGHT),
    Setting<&TComposerSettings::LineSpace>(PR_LINESPACE),
    Setting<&TComposerSettings::TextColor>(PR_FONTCOLOR),
    Setting<&TComposerSettings::LinkColor>(PR_FONTLINKCOLOR),
    Setting<&TComposerSettings::BorderColor>(PR_FONTBORDERCOLOR),
    Setting<&TComposerSettings::HoverColor>(PR_FONTHOVERCOLOR),
    Setting<&TComposerSettings::ShadowColor>(PR_FONTSHADOWCOLOR),
    Setting<&TComposerSettings::BorderWidth>(PR_FONTBORDER),
    Setting<&TComposerSettings::ShadowWidth>(PR_FONTSHADOW),
    Setting<&TComposerSettings::Alpha>(PR_ALPHA),
    P::Custom<&M::AntiAliasFlag, &M::SetAntiAliasFlag>(PR_ANTIALIAS),
    P::Custom<&M::Delay, &M::SetDelay>(PR_DELAY),
    P::Custom<&M::TextDelayValue, &M::SetTextDelay>(PR_TEXTDELAY),
    {PR_PAUSED, [](const M& m, TPropValue& v) { v.B = m.PausedFlag; },
     [](M& m, const TPropValue& v) { m.SetPausedFlag(v.B); }},
    {PR_TEXTPAUSED, [](const M& m, TPropValue& v) { v.B = m.TextPaused; },
     [](M& m, const TPropValue& v) { m.SetTextPausedFlag(v.B); }},
    P::ReadOnly<&M::CaretX>(PR_CARETX),
    P::ReadOnly<&M::CaretY>(PR_CARETY),
    P::ReadOnly<&M::CaretHeight>(PR_CARETHEIGHT),
    P::Custom<&M::PropText, &M::SetPropText>(PR_TEXT),
    P::Custom<&M::Index, &M::SetIndex>(PR_INDEX),
    P::ReadOnly<&M::PageCount>(PR_COUNT),
    P::ReadOnly<&M::Playing>(PR_PLAYING),
    P::Custom<&M::ScrollYValue, &M::SetScrollYValue>(PR_SCROLLY),
    P::Plain<&M::CaptureLink>(PR_CAPTURELINK),
    P::Plain<&M::OnPlaying>(PR_ONPLAYING),
    P::Plain<&M::OnPlayStart>(PR_ONPLAYSTART),
    P::Plain<&M::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&M::OnLink>(PR_ONLINK),
    P::Plain<&M::OnNotify>(PR_ONNOTIFY),
    P::Plain<&M::OnIdle>(PR_ONIDLE),
};

void AppendCode(std::string& text, uint16_t code) {
  if (code > 0xFF) text.push_back(static_cast<char>(code >> 8));
  text.push_back(static_cast<char>(code & 0xFF));
}

// Glyphs that a variable's expansion inserted; they are not part of the stored message.
bool IsExpansion(const TWdGlyph& g) { return g.Kind == TWdKind::VarChar || g.Kind == TWdKind::VarReturn; }

}  // namespace

TVelkMes::TVelkMes(TVelkBaseList* owner)
    : TVelkControl(owner),
      images_(std::make_unique<TSceneWordImages>(owner ? owner->Services.Images : nullptr)),
      composer_(std::make_unique<TWordComposer>(FontPixelManager())) {
  if (owner) composer_->Vars = owner->Services.WordVars;
  composer_->Images = images_.get();
  composer_->Settings.AntiAlias = 3;
  composer_->Settings.Notify = true;  // the window flag: the text's notifications reach the window
  composer_->Settings.SpeedFactor = TextDelay;
  composer_->OnNotify = [this](const std::string& text) { Notify(text); };
}

TVelkMes::~TVelkMes() = default;

bool TVelkMes::GetProp(int32_t id, TPropValue& value) const {
  return kMesProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkMes::SetProp(int32_t id, const TPropValue& value) {
  return kMesProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

int32_t TVelkMes::PageCount() const { return composer_->PageCount(); }

TWdPage* TVelkMes::CurrentPage() const {
  return index_ >= 0 && index_ < PageCount() ? composer_->Page(index_) : nullptr;
}

bool TVelkMes::Playing() const {
  const TWdPage* page = CurrentPage();
  if (!page) return false;
  return Restart || !page->CompletionReported || index_ < PageCount() - 1;
}

bool TVelkMes::AntiAliasFlag() const { return composer_->Settings.AntiAlias > 0; }
void TVelkMes::SetAntiAliasFlag(bool v) {
  composer_->Settings.AntiAlias = kAntiAliasLevels[v ? 1 : 0];
  SettingChanged();
}
int32_t TVelkMes::Delay() const { return composer_->TextDelay; }
void TVelkMes::SetDelay(int32_t v) { composer_->TextDelay = std::max(0, v); }
void TVelkMes::SetTextDelay(int32_t v) {
  TextDelay = v;
  composer_->Settings.SpeedFactor = v;
}
int32_t TVelkMes::CaretX() const { return composer_->Settings.CaretX; }
int32_t TVelkMes::CaretY() const { return composer_->Settings.CaretY; }
int32_t TVelkMes::CaretHeight() const { return composer_->CaretHeight; }

void TVelkMes::SetPausedFlag(bool v) {
  PausedFlag = v;
  ApplyPause();
}
void TVelkMes::SetTextPausedFlag(bool v) {
  TextPaused = v;
  ApplyPause();
}

void TVelkMes::ApplyPause() {
  const bool paused = PausedFlag || TextPaused;
  const bool ended = composer_->Settings.Paused && !paused;
  composer_->Settings.Paused = paused;
  if (ended) {
    if (TWdPage* page = CurrentPage()) page->RestartTiming();
    Invalidate();
  }
}

void TVelkMes::SettingChanged() {
  if (CurrentPage()) RenderPage(false);
  Invalidate();
}

void TVelkMes::SetScrollYValue(int32_t v) {
  scroll_y_ = v;
  if (TWdPage* page = CurrentPage()) {
    page->ScrollOffset = std::clamp(v, 0, std::max(0, page->Height));
    RenderPage(false);
  }
  Invalidate();
}

void TVelkMes::PlaceComposer() const {
  composer_->Settings.OriginX = ScreenLeft();
  composer_->Settings.OriginY = ScreenTop();
}

void TVelkMes::RenderPage(bool reset_visibility) {
  TWdPage* page = CurrentPage();
  if (!page) return;
  TCustomDIBX* surface = Surface();
  composer_->BufferDepth = surface ? surface->BitCount() : 32;
  PlaceComposer();
  page->Render(reset_visibility);
}

// ---- pages -----------------------------------------------------------------------------------------------------

std::string TVelkMes::PageText() const { return PageText(index_); }

std::string TVelkMes::PageText(int32_t index) const {
  if (index < 0 || index >= PageCount()) return {};
  std::string text;
  const TWdPage& page = *composer_->Page(index);
  for (size_t r = 0; r < page.Rows.size(); ++r) {
    if (r > 0) text += "\r\n";
    for (const TWdGlyph* g : page.Rows[r]->Glyphs) {
      if (g->IsChar()) AppendCode(text, static_cast<const TWdChar*>(g)->Code);
    }
  }
  return text;
}

void TVelkMes::PageRange(int32_t index, int32_t& first, int32_t& last) const {
  first = last = 0;
  if (index < 0 || index >= PageCount()) return;
  std::unordered_map<const TWdGlyph*, int32_t> position;
  int32_t records = 0;
  for (int32_t i = 0; i < composer_->GlyphCount(); ++i) {
    const TWdGlyph* g = composer_->Glyph(i);
    position[g] = IsExpansion(*g) ? records - 1 : records;
    if (!IsExpansion(*g)) ++records;
  }
  const auto first_of = [&](int32_t p) -> int32_t {
    for (const auto& row : composer_->Page(p)->Rows) {
      for (const TWdGlyph* g : row->Glyphs) {
        const auto it = position.find(g);
        if (it != position.end()) return std::max(0, it->second);
      }
    }
    return -1;
  };
  first = std::max(0, first_of(index));
  last = records - 1;
  for (int32_t p = index + 1; p < PageCount(); ++p) {
    const int32_t next = first_of(p);
    if (next >= 0) {
      last = next - 1;
      break;
    }
  }
  last = std::max(first, last);
}

void TVelkMes::FreePages() {
  composer_->Clear();
  saved_pages_.reset();
  piece_starts_.clear();
}

void TVelkMes::LayoutText() {
  FreePages();
  composer_->SetClientSize(Width, Height);
  composer_->Settings.Paging = true;
  std::string markup;
  for (const std::string& line : SplitLines(Text)) markup += (markup.empty() ? "" : "\r") + line;
  try {
    composer_->SetText(markup);
    composer_->ExpandVars();
    composer_->Layout();
  } catch (const EVelkError&) {
    // Markup the composer refuses (a link without a target) shows nothing.
    composer_->Clear();
  }
}

void TVelkMes::LayoutMessageData() {
  FreePages();
  composer_->SetClientSize(Width, Height);
  // The layout flag lays the text out as one scrolling page, the layout value being its first scroll position.
  composer_->Settings.Paging = !LayoutFlag;
  try {
    IMessageTexts* texts = Owner() ? Owner()->Services.MessageTexts : nullptr;
    if (MessageData.Compose(*composer_, texts, ReadTracked == kShowingHistory, &piece_starts_)) composer_->Layout();
  } catch (const EVelkError&) {
    composer_->Clear();
    piece_starts_.clear();
  }
  if (LayoutFlag && PageCount() > 0) composer_->Page(0)->ScrollOffset = std::max(0, LayoutValue);
}

void TVelkMes::SetPropText(const std::string& text) {
  ReadTracked = kUntracked;
  SetText(text);
}

void TVelkMes::SetText(const std::string& text) {
  Invalidate();
  MessageData.Clear();
  Text = text;
  EndHistoryEntry();
  LayoutValue = 0;
  LayoutText();
  index_ = 0;
  scroll_y_ = 0;
  if (PageCount() > 0) {
    Restart = true;
    RenderPage(true);
    StartPage();
  }
}

void TVelkMes::ClearText() {
  ReadTracked = kUntracked;
  SetText({});
}

void TVelkMes::ShowMessageData(bool start_event) {
  Invalidate();
  Text.clear();
  EndHistoryEntry();
  // The page shown so far belongs to the message it was shown under, even when a new one has been named.
  if (ReadTracked == kTracked && CurrentPage()) PassPageToHistory(shown_id_, shown_number_);
  index_ = -1;
  LayoutMessageData();
  if (PageCount() > 0) {
    if (start_event) {
      // A display that starts at once shows its first page: one start event for it.
      index_ = 0;
      scroll_y_ = 0;
      RenderPage(true);
      StartPage();
    }
    Restart = true;
  }
}

void TVelkMes::SetIndex(int32_t index) {
  if (index < 0 || index >= PageCount() || index == index_) return;
  if (CurrentPage()) EndHistoryEntry();
  index_ = index;
  scroll_y_ = 0;
  StartPage();
  if (ReadTracked == kTracked) PassPageToHistory(MessageId, MessageNumber);
  CurrentPage()->ResetTyping();
  RenderPage(true);
  Restart = true;
  Invalidate();
}

void TVelkMes::StartPage() {
  TVelkReadList* read = Owner() ? Owner()->Services.TextRead : nullptr;
  const bool already = ReadTracked == kTracked && read && read->IsRead(MessageId, MessageNumber, index_);
  QueueOwnEvent(PR_ONPLAYSTART, {already ? "1" : "0"}, false);
  StartCountdown = 1;
  AnnounceText();
}

void TVelkMes::AnnounceText() {
  if (Owner() && Owner()->Services.OnPageShown && CurrentPage()) Owner()->Services.OnPageShown(PageText());
}

void TVelkMes::PassPageToHistory(const std::string& id, int32_t number) {
  if (!Owner() || !CurrentPage()) return;
  int32_t first = 0, last = 0;
  PageRange(index_, first, last);
  if (IMessageHistory* history = Owner()->Services.History) {
    history->RecordPage(*this, id, HistoryTexts(*composer_, 0, composer_->GlyphCount(), CurrentPage()), index_, last,
                        first, number);
  }
  if (TVelkReadList* read = Owner()->Services.TextRead) read->SetPending(Name(), id, index_, number);
  shown_id_ = id;
  shown_number_ = number;
}

void TVelkMes::EndHistoryEntry() {
  if (Owner() && Owner()->Services.History) Owner()->Services.History->EndEntry(Name());
}

// ---- frames, drawing, mouse ------------------------------------------------------------------------------------

bool TVelkMes::Update() {
  // Once the game runs on, the typing states of a load are out of date.
  saved_pages_.reset();
  if (TVelkControl::Update()) return true;
  TWdPage* page = CurrentPage();
  if (!page) return false;
  if (StartCountdown >= 1) {
    --StartCountdown;
    return false;
  }
  TVelkBaseList* scene = Owner();
  if (scene && scene->Events.FindPending(Handle(), static_cast<uint8_t>(PR_ONPLAYSTART)) >= 0) return false;
  if (Restart) {
    page->ResetTyping();
    RenderPage(true);
    Restart = false;
  }
  PlaceComposer();
  bool completed = false;
  std::string typed;
  page->Step(scene ? scene->FrameMs() : 0, completed, typed);
  if (!typed.empty()) QueueOwnEvent(PR_ONPLAYING, {typed}, false);
  if (completed) {
    if (scene && scene->Services.TextRead) scene->Services.TextRead->CommitPending(Name());
    QueueOwnEvent(PR_ONPLAYEND, {}, false);
  }
  AddChangedToBase();
  return false;
}

void TVelkMes::AddChangedToBase() {
  TVelkBase* base = Base();
  if (Visible && base) {
    const TRect bounds = ScreenRect();
    for (const TRect& r : composer_->Changed) {
      const TRect shown = Intersect(r, bounds);
      if (!shown.IsEmpty()) base->AddDirtyRect(shown);
    }
  }
  composer_->Changed.clear();
}

void TVelkMes::Draw() {
  TCustomDIBX* target = Surface();
  TWdPage* page = CurrentPage();
  if (Visible && target && page && Base()) {
    PlaceComposer();
    if (composer_->ColorBuffer().BitCount() != target->BitCount()) RenderPage(false);
    composer_->Target = target;
    composer_->ClipRect = Intersect(ScreenRect(), target->ClipBounds());
    if (!composer_->ClipRect.IsEmpty()) page->Draw();
    composer_->Target = nullptr;
  }
  DrawChildren();
}

bool TVelkMes::LinksActive() const {
  const TWdPage* page = CurrentPage();
  return page && !Restart && page->CurrentRow >= page->RowCount() && page->Fading().empty() &&
         !composer_->Settings.Paused;
}

TVelkControl* TVelkMes::HitTest(TPoint p, TMouseAllowed allowed) {
  TVelkControl* hit = TVelkControl::HitTest(p, allowed);
  if (!CaptureLink || hit != this) return hit;
  const TWdPage* page = CurrentPage();
  if (!page) return nullptr;
  PlaceComposer();
  const TWdReal* g = page->GlyphAt(p.X, p.Y);
  return g && !g->Link.empty() ? this : nullptr;
}

void TVelkMes::MouseMove() {
  TVelkControl::MouseMove();
  TVelkBase* base = Base();
  if (!base || !LinksActive()) return;
  PlaceComposer();
  composer_->Changed.clear();
  CurrentPage()->HoverAt(base->MouseX, base->MouseY);
  AddChangedToBase();
}

void TVelkMes::MouseOut(TVelkControl* new_target) {
  TVelkControl::MouseOut(new_target);
  if (TWdPage* page = CurrentPage(); page && page->Hovered()) {
    PlaceComposer();
    composer_->Changed.clear();
    page->HoverAt(-1, -1);
    AddChangedToBase();
  }
}

void TVelkMes::MouseLeftDown() {
  TVelkBase* base = Base();
  TVelkBaseList* scene = Owner();
  const TWdPage* page = CurrentPage();
  if (base && scene && LinksActive() && page->Hovered() && !OnLink.empty() &&
      scene->Events.FindPending(Handle(), static_cast<uint8_t>(PR_ONLINK)) < 0) {
    // The link's text: its target on the first line, its parameters on the following ones.
    std::vector<std::string> args = SplitLines(page->Hovered()->Link);
    if (args.empty()) args.emplace_back();
    QueueOwnEvent(PR_ONLINK, args, false);
    base->LeftClick = false;
    return;
  }
  TVelkControl::MouseLeftDown();
}

void TVelkMes::Notify(const std::string& text) { QueueOwnEvent(PR_ONNOTIFY, SplitLines(text), false); }

// ---- save record -----------------------------------------------------------------------------------------------

TVelkNewMesData TVelkMes::DataToSave() const {
  TVelkNewMesData data = MessageData;
  const TWdPage* page = CurrentPage();
  if (!page || piece_starts_.size() != data.History.Pieces.size()) return data;
  // The history rows on the current page keep the texts they show now: laid out again after a load, they show the
  // same, whatever the variables hold then.
  for (size_t i = 0; i < piece_starts_.size(); ++i) {
    const int32_t end = i + 1 < piece_starts_.size() ? piece_starts_[i + 1] : composer_->GlyphCount();
    bool shown = false;
    for (int32_t g = piece_starts_[i]; g < end && !shown; ++g) {
      const TWdRow* row = composer_->Glyph(g)->Row;
      shown = row && std::any_of(page->Rows.begin(), page->Rows.end(), [&](const auto& r) { return r.get() == row; });
    }
    if (shown) data.History.Pieces[i].Extra = HistoryTexts(*composer_, piece_starts_[i], end);
  }
  return data;
}

void TVelkMes::SaveOwnFields(TStream& s) const {
  composer_->Settings.SaveToStream(s, kSettingsVersion);
  DataToSave().SaveToStream(s);
  WriteBool(s, LayoutFlag);
  WriteInt(s, LayoutValue);
  WriteString(s, Text);
  WriteInt(s, index_);
  WriteInt(s, scroll_y_);
  WriteInt(s, UserValue);
  for (const std::string* h : {&Spare[0], &Spare[1], &Spare[2], &OnPlaying, &OnPlayStart, &OnPlayEnd, &OnLink,
                               &OnNotify}) {
    WriteString(s, *h);
  }
  WriteBool(s, PausedFlag);
  WriteBool(s, TextPaused);
  WriteInt(s, TextDelay);
  WriteByte(s, ReadTracked);
  WriteString(s, MessageId);
  WriteInt(s, MessageNumber);
  WriteString(s, OnIdle);
  WriteBool(s, CaptureLink);
  TMemoryStream states;
  for (int32_t p = 0; p < PageCount(); ++p) composer_->Page(p)->SaveState(states);
  WriteInt(s, static_cast<int32_t>(states.GetSize()));
  states.SetPosition(0);
  CopyStream(s, states, states.GetSize());
}

void TVelkMes::LoadOwnFields(TStream& s, int32_t version) {
  composer_->Settings.LoadFromStream(s, version);
  MessageData.LoadFromStream(s, version);
  LayoutFlag = ReadByteExact(s) != 0;
  LayoutValue = version > 112 ? ReadIntExact(s) : 0;
  Text = ReadStringExact(s);
  index_ = ReadIntExact(s);
  scroll_y_ = ReadIntExact(s);
  UserValue = ReadIntExact(s);
  for (std::string* h : {&Spare[0], &Spare[1], &Spare[2], &OnPlaying, &OnPlayStart, &OnPlayEnd, &OnLink,
                         &OnNotify}) {
    *h = ReadStringExact(s);
  }
  PausedFlag = ReadByteExact(s) != 0;
  TextPaused = ReadByteExact(s) != 0;
  TextDelay = ReadIntExact(s);
  ReadTracked = ReadByteExact(s);
  MessageId = ReadStringExact(s);
  MessageNumber = ReadIntExact(s);
  if (version > 103) OnIdle = ReadStringExact(s);
  if (version >= 120) CaptureLink = ReadByteExact(s) != 0;
  const int32_t size = ReadCount(s, 1);
  auto states = std::make_unique<TMemoryStream>();
  CopyStream(*states, s, size);
  states->SetPosition(0);
  composer_->Settings.SpeedFactor = TextDelay;
  composer_->Settings.Paused = PausedFlag || TextPaused;
  saved_pages_ = std::move(states);
  // The game's variables load after the scene: typing states that do not fit the text as it expands now wait for
  // the rebuild once the whole game has loaded.
  rebuild(true);
}

void TVelkMes::RebuildAfterLoad() { rebuild(false); }

void TVelkMes::rebuild(bool lenient) {
  if (!saved_pages_) return;
  const int32_t index = index_, scroll = scroll_y_, number = MessageNumber;
  const uint8_t tracked = ReadTracked;
  const std::string id = MessageId;
  std::unique_ptr<TMemoryStream> states = std::move(saved_pages_);
  if (MessageData.Empty()) {
    LayoutText();
  } else {
    LayoutMessageData();
  }
  index_ = index;
  scroll_y_ = scroll;
  ReadTracked = tracked;
  MessageId = id;
  MessageNumber = number;
  shown_id_ = id;
  shown_number_ = number;
  if (TWdPage* page = CurrentPage()) page->ResetTyping();
  // Text that lays out into more pages than were saved (variables expanding differently) leaves the rest untyped.
  try {
    for (int32_t p = 0; p < PageCount() && states->Remaining() > 0; ++p) composer_->Page(p)->LoadState(*states);
  } catch (const EVelkError&) {
    if (!lenient) throw;
    if (TWdPage* page = CurrentPage()) page->ResetTyping();
  }
  // Kept for the rebuild after the whole game has loaded (its variables expand into the text).
  states->SetPosition(0);
  saved_pages_ = std::move(states);
  RenderPage(false);
  Restart = false;
  StartCountdown = 0;
}

}  // namespace velk
