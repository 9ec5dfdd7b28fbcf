#pragma once
// An ordered collection of named items with 256 hash chains. Lookup ignores letter case (code page 932) and returns
// the newest item of a name. Each item caches its index in the collection.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class THashCollection;

class THashCollectionItem {
 public:
  THashCollectionItem() = default;
  explicit THashCollectionItem(std::string name);
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  const std::string& Name() const { return name_; }
  // Renames the item; its chain is updated when it belongs to a collection.
  void SetName(std::string name);
  // Position in the owning collection, -1 when it belongs to none.
  int32_t Index() const { return index_; }
  THashCollection* Collection() const { return collection_; }

 private:
  friend class THashCollection;
  std::string name_;
  THashCollection* collection_ = nullptr;
  THashCollectionItem* next_ = nullptr;  // next older item of the same chain
  int32_t index_ = -1;
  uint8_t hash_ = 0;  // the hash of the name, kept with it so that linking and unlinking need not fold the name
};

class THashCollection {
 public:
  THashCollection() = default;
  virtual ~THashCollection();
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  // The hash of a name: lower-case it; h = length * 16, plus the codes of the second-to-last and of the first
  // character when the length is at least 2; the low 8 bits.
  static uint8_t Hash(std::string_view name);

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  THashCollectionItem* Item(int32_t index) const;
  // Appends an item (it becomes the newest of its name) and returns it.
  THashCollectionItem* Add(std::unique_ptr<THashCollectionItem> item);
  // The newest item of that name, or null.
  THashCollectionItem* Find(std::string_view name) const;
  // The next older item of that name after `after` in the name's chain (the newest when after is null), or null.
  THashCollectionItem* FindNext(std::string_view name, const THashCollectionItem* after) const;
  int32_t IndexOf(std::string_view name) const;
  // Frees the item at index; later items move down by one.
  void Delete(int32_t index);
  // Takes the item out without freeing it.
  std::unique_ptr<THashCollectionItem> Extract(int32_t index);
  void Clear();

  template <class T> T* ItemAs(int32_t index) const { return static_cast<T*>(Item(index)); }
  template <class T> T* FindAs(std::string_view name) const { return static_cast<T*>(Find(name)); }

 protected:
  // Called after an item enters or leaves its chain (added, renamed, removed); null when every item left at once.
  virtual void ChainsChanged(const THashCollectionItem* item) {}

 private:
  friend class THashCollectionItem;
  void Link(THashCollectionItem* item);
  void Unlink(THashCollectionItem* item);

  std::vector<std::unique_ptr<THashCollectionItem>> items_;
  THashCollectionItem* chains_[256] = {};
};

}  // namespace velk
