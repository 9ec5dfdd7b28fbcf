#include "scene/velk_read_list.h"

#include <algorithm>

#include "base/sjis.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

bool TVelkRead::Holds(int32_t number, int32_t page) const {
  for (size_t i = 0; i < Numbers.size() && i < Pages.size(); ++i) {
    if (Numbers[i] == number && Pages[i] == page) return true;
  }
  return false;
}

TVelkRead* TVelkReadList::Find(const std::string& id) {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (SameText(it->Name, id)) return &*it;
  }
  return nullptr;
}

const TVelkRead* TVelkReadList::Find(const std::string& id) const {
  return const_cast<TVelkReadList*>(this)->Find(id);
}

bool TVelkReadList::IsRead(const std::string& id, int32_t number, int32_t page) const {
  const TVelkRead* item = Find(id);
  return item && item->Holds(number, page);
}

void TVelkReadList::SetPending(const std::string& window, const std::string& id, int32_t page, int32_t number) {
  pending_window_ = window;
  pending_id_ = id;
  pending_page_ = page;
  pending_number_ = number;
}

void TVelkReadList::CommitPending(const std::string& window) {
  if (pending_id_.empty() || window != pending_window_) return;
  TVelkRead* item = Find(pending_id_);
  if (!item) {
    items_.push_back(TVelkRead{pending_id_, {}, {}});
    item = &items_.back();
  }
  if (!item->Holds(pending_number_, pending_page_)) {
    item->Numbers.push_back(pending_number_);
    item->Pages.push_back(pending_page_);
  }
  pending_id_.clear();
}

void TVelkReadList::Clear() {
  items_.clear();
  pending_id_.clear();
}

void TVelkReadList::SaveToStream(TStream& s) const {
  WriteInt(s, Count());
  for (const TVelkRead& item : items_) {
    WriteString(s, item.Name);
    const size_t n = std::min(item.Numbers.size(), item.Pages.size());
    WriteInt(s, static_cast<int32_t>(n));
    for (size_t i = 0; i < n; ++i) WriteInt(s, item.Numbers[i]);
    for (size_t i = 0; i < n; ++i) WriteInt(s, item.Pages[i]);
  }
  WriteString(s, pending_id_);
  WriteInt(s, pending_number_);
  WriteInt(s, pending_page_);
  WriteString(s, pending_window_);
}

void TVelkReadList::LoadFromStream(TStream& s, int32_t version) {
  Clear();
  if (version < 100) return;
  // An item holds at least its name length and its pair count.
  const int32_t count = ReadCount(s, 8);
  std::vector<TVelkRead> items;
  for (int32_t k = 0; k < count; ++k) {
    TVelkRead item;
    item.Name = ReadStringExact(s);
    const int32_t n = ReadCount(s, 8);
    item.Numbers.resize(static_cast<size_t>(n));
    item.Pages.resize(static_cast<size_t>(n));
    for (int32_t& v : item.Numbers) v = ReadIntExact(s);
    for (int32_t& v : item.Pages) v = ReadIntExact(s);
    items.push_back(std::move(item));
  }
  std::string id = ReadStringExact(s);
  const int32_t number = ReadIntExact(s);
  const int32_t page = ReadIntExact(s);
  std::string window = ReadStringExact(s);
  items_ = std::move(items);
  SetPending(window, id, page, number);
}

}  // namespace velk
