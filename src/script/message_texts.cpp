#include "script/message_texts.h"

#include "base/error.h"
#include "base/sjis.h"
#include "script/call_host.h"
#include "script/call_man.h"
#include "script/component_commands.h"
#include "script/page.h"
#include "text/composed_text.h"
#include "vfs/stream.h"

namespace velk {

std::shared_ptr<const TComposedText> TPageMessageTexts::MessageText(const std::string& id, int32_t number) {
  auto page = pages_.begin();
  while (page != pages_.end() && !SameText(page->Name, id)) ++page;
  if (page != pages_.end()) {
    pages_.splice(pages_.begin(), pages_, page);
    for (auto it = page->Messages.begin(); it != page->Messages.end(); ++it) {
      if (it->first != number) continue;
      page->Messages.splice(page->Messages.begin(), page->Messages, it);
      return it->second;
    }
  }
  std::shared_ptr<const TComposedText> text = Read(id, number);
  if (!text) return nullptr;
  if (page == pages_.end()) {
    pages_.push_front(TKeptPage{id, {}});
    if (pages_.size() > kPages) pages_.pop_back();
  }
  auto& messages = pages_.front().Messages;
  messages.emplace_front(number, text);
  if (messages.size() > kMessagesPerPage) messages.pop_back();
  return text;
}

std::shared_ptr<const TComposedText> TPageMessageTexts::Read(const std::string& id, int32_t number) {
  if (id.empty() || number < 0) return nullptr;
  try {
    if (!host_.PageExists(id)) return nullptr;
    std::unique_ptr<TPage> own;
    TPage* page = calls_ && calls_->IsCached(id) ? calls_->LoadPage(id, false) : nullptr;
    if (!page) {
      own = std::make_unique<TPage>();
      own->Load(id, host_);
      page = own.get();
    }
    if (number >= page->Commands.Count()) return nullptr;
    const auto* command = dynamic_cast<const TComTextIns*>(page->Commands.Item(number));
    if (!command || command->Text.empty()) return nullptr;
    TMemoryStream stream(std::vector<uint8_t>(command->Text.begin(), command->Text.end()));
    auto text = std::make_shared<TComposedText>();
    text->LoadFromStream(stream);
    return text;
  } catch (const EVelkError&) {
    return nullptr;
  }
}

}  // namespace velk
