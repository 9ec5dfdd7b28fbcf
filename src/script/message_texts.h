#pragma once
// The message texts of script pages for message windows and the history: the composed text of the text-insert
// command at a position of a page, taken from the interpreter's page cache or read from the page file, and kept
// for the few pages used last.
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "scene/mes_data.h"

namespace velk {

class ICallHost;
class TCallMan;
class TComposedText;

class TPageMessageTexts : public IMessageTexts {
 public:
  // Pages kept, most recent first, and messages kept per page.
  static constexpr size_t kPages = 4;
  static constexpr size_t kMessagesPerPage = 16;

  // calls may be null: pages are then always read from their files.
  TPageMessageTexts(ICallHost& host, TCallMan* calls) : host_(host), calls_(calls) {}

  std::shared_ptr<const TComposedText> MessageText(const std::string& id, int32_t number) override;
  // Forgets every kept text (pages may have changed).
  void Clear() { pages_.clear(); }

 private:
  struct TKeptPage {
    std::string Name;
    std::list<std::pair<int32_t, std::shared_ptr<const TComposedText>>> Messages;
  };
  std::shared_ptr<const TComposedText> Read(const std::string& id, int32_t number);

  ICallHost& host_;
  TCallMan* calls_;
  std::list<TKeptPage> pages_;
};

}  // namespace velk
