#include "base/hash_collection.h"

#include "base/sjis.h"

namespace velk {

THashCollectionItem::THashCollectionItem(std::string name) : name_(std::move(name)) {
  hash_ = THashCollection::Hash(name_);
}

void THashCollectionItem::SetName(std::string name) {
  if (collection_ == nullptr) {
    name_ = std::move(name);
    hash_ = THashCollection::Hash(name_);
    return;
  }
  THashCollection* c = collection_;
  c->Unlink(this);
  name_ = std::move(name);
  hash_ = THashCollection::Hash(name_);
  c->Link(this);
}

THashCollection::~THashCollection() { Clear(); }

uint8_t THashCollection::Hash(std::string_view name) {
  std::string lower = LowerCase(name);
  uint32_t h = static_cast<uint32_t>(lower.size()) * 16u;
  if (lower.size() >= 2) {
    h += static_cast<uint8_t>(lower[lower.size() - 2]);
    h += static_cast<uint8_t>(lower[0]);
  }
  return static_cast<uint8_t>(h & 0xFF);
}

THashCollectionItem* THashCollection::Item(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void THashCollection::Link(THashCollectionItem* item) {
  item->next_ = chains_[item->hash_];
  chains_[item->hash_] = item;
  ChainsChanged(item);
}

void THashCollection::Unlink(THashCollectionItem* item) {
  THashCollectionItem** p = &chains_[item->hash_];
  while (*p != nullptr && *p != item) p = &(*p)->next_;
  if (*p == item) *p = item->next_;
  item->next_ = nullptr;
  ChainsChanged(item);
}

THashCollectionItem* THashCollection::Add(std::unique_ptr<THashCollectionItem> item) {
  THashCollectionItem* raw = item.get();
  raw->collection_ = this;
  raw->index_ = Count();
  items_.push_back(std::move(item));
  Link(raw);
  return raw;
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
  std::string lower = LowerCase(name);
  for (THashCollectionItem* p = chains_[Hash(name)]; p != nullptr; p = p->next_) {
    if (p->name_.size() == lower.size() && LowerCase(p->name_) == lower) return p;
  }
  return nullptr;
}

THashCollectionItem* THashCollection::FindNext(std::string_view name, const THashCollectionItem* after) const {
  // Compared in place: ASCII letters fold, the bytes of double-byte characters compare as they are.
  auto same = [name](const std::string& other) {
    if (other.size() != name.size()) return false;
    for (size_t i = 0; i < name.size();) {
      size_t n = CharLength(name, i);
      if (n == 2) {
        if (name[i] != other[i] || name[i + 1] != other[i + 1]) return false;
      } else {
        char a = name[i], b = other[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
      }
      i += n;
    }
    return true;
  };
  for (THashCollectionItem* p = after != nullptr ? after->next_ : chains_[Hash(name)]; p != nullptr; p = p->next_) {
    if (same(p->name_)) return p;
  }
  return nullptr;
}

int32_t THashCollection::IndexOf(std::string_view name) const {
  THashCollectionItem* item = Find(name);
  return item != nullptr ? item->index_ : -1;
}

std::unique_ptr<THashCollectionItem> THashCollection::Extract(int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  std::unique_ptr<THashCollectionItem> item = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  Unlink(item.get());
  item->collection_ = nullptr;
  item->index_ = -1;
  for (int32_t i = index; i < Count(); ++i) items_[static_cast<size_t>(i)]->index_ = i;
  return item;
}

void THashCollection::Delete(int32_t index) { Extract(index).reset(); }

void THashCollection::Clear() {
  for (auto& item : items_) {
    item->collection_ = nullptr;
    item->next_ = nullptr;
  }
  items_.clear();
  for (auto*& c : chains_) c = nullptr;
  ChainsChanged(nullptr);
}

}  // namespace velk
