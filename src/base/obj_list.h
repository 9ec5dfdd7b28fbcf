#pragma once
// A list that owns its objects: deleting an entry or clearing the list frees the objects.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace velk {

template <class T> class TObjList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // The object at index, or null when the index is out of range.
  T* Item(int32_t index) const { return InRange(index) ? items_[static_cast<size_t>(index)].get() : nullptr; }
  T* operator[](int32_t index) const { return Item(index); }

  // Appends an object and returns it.
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  // Inserts before index (clamped to 0 .. Count) and returns the object.
  T* Insert(int32_t index, std::unique_ptr<T> item) {
    size_t at = index < 0 ? 0 : std::min(static_cast<size_t>(index), items_.size());
    return items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item))->get();
  }
  // Takes the object at index out of the list without freeing it; null when out of range.
  std::unique_ptr<T> Extract(int32_t index) {
    if (!InRange(index)) return nullptr;
    auto it = items_.begin() + index;
    std::unique_ptr<T> item = std::move(*it);
    items_.erase(it);
    return item;
  }
  // Frees the object at index; later objects move down by one. Out of range does nothing.
  void Delete(int32_t index) { Extract(index).reset(); }
  int32_t IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].get() == item) return static_cast<int32_t>(i);
    }
    return -1;
  }
  // Frees the object if it is in the list; returns its former index or -1.
  int32_t Remove(const T* item) {
    int32_t index = IndexOf(item);
    Delete(index);
    return index;
  }
  void Clear() { items_.clear(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  bool InRange(int32_t index) const { return index >= 0 && static_cast<size_t>(index) < items_.size(); }
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace velk
