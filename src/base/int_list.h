#pragma once
// Lists of int32 values. Negative indexes are errors; both kinds stop growing at kMaxIntListCount entries, so that a
// count taken from a file cannot claim unbounded memory.
#include <cstdint>
#include <vector>

namespace velk {

constexpr int32_t kMaxIntListCount = 1 << 24;

// An int32 list that grows with zeros when a slot beyond its end is set; slots beyond the end read as zero.
class TIntList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // The value at index, 0 beyond the end. Throws EVelkError for a negative index.
  int32_t Get(int32_t index) const;
  // Sets the value at index, growing the list with zeros up to it. Throws EVelkError for a negative index or one
  // at or past kMaxIntListCount.
  void Set(int32_t index, int32_t value);
  int32_t operator[](int32_t index) const { return Get(index); }
  // Appends a value and returns its index.
  int32_t Add(int32_t value);
  // Removes the value at index; later values move down. Throws EVelkError when index is not in the list.
  void Delete(int32_t index);
  // The first index holding value, or -1.
  int32_t IndexOf(int32_t value) const;
  void Clear() { items_.clear(); }
  const std::vector<int32_t>& Items() const { return items_; }

 private:
  std::vector<int32_t> items_;
};

// A growable int32 array: its length is set explicitly (new slots are zero) and every access is bounds-checked.
class TIntArray {
 public:
  int32_t Length() const { return static_cast<int32_t>(items_.size()); }
  // Throws EVelkError for a negative length or one over kMaxIntListCount.
  void SetLength(int32_t length);
  // Throws EVelkError when index is not in 0 .. Length - 1.
  int32_t Get(int32_t index) const;
  void Set(int32_t index, int32_t value);
  int32_t operator[](int32_t index) const { return Get(index); }
  // Appends a value (the length grows by one) and returns its index.
  int32_t Add(int32_t value);
  void Clear() { items_.clear(); }
  const std::vector<int32_t>& Items() const { return items_; }

 private:
  std::vector<int32_t> items_;
};

}  // namespace velk
