#include "base/int_list.h"

#include <string>

#include "base/error.h"

namespace velk {

namespace {

[[noreturn]] void index_error(int32_t index) {
  throw EVelkError("List index out of bounds (" + std::to_string(index) + ")");
}

void check_capacity(int64_t count) {
  if (count > kMaxIntListCount) throw EVelkError("List too large (" + std::to_string(count) + ")");
}

}  // namespace

int32_t TIntList::Get(int32_t index) const {
  if (index < 0) index_error(index);
  return index < Count() ? items_[static_cast<size_t>(index)] : 0;
}

void TIntList::Set(int32_t index, int32_t value) {
  if (index < 0) index_error(index);
  if (index >= Count()) {
    check_capacity(static_cast<int64_t>(index) + 1);
    items_.resize(static_cast<size_t>(index) + 1, 0);
  }
  items_[static_cast<size_t>(index)] = value;
}

int32_t TIntList::Add(int32_t value) {
  check_capacity(static_cast<int64_t>(Count()) + 1);
  items_.push_back(value);
  return Count() - 1;
}

void TIntList::Delete(int32_t index) {
  if (index < 0 || index >= Count()) index_error(index);
  items_.erase(items_.begin() + index);
}

int32_t TIntList::IndexOf(int32_t value) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == value) return static_cast<int32_t>(i);
  }
  return -1;
}

void TIntArray::SetLength(int32_t length) {
  if (length < 0) index_error(length);
  check_capacity(length);
  items_.resize(static_cast<size_t>(length), 0);
}

int32_t TIntArray::Get(int32_t index) const {
  if (index < 0 || index >= Length()) index_error(index);
  return items_[static_cast<size_t>(index)];
}

void TIntArray::Set(int32_t index, int32_t value) {
  if (index < 0 || index >= Length()) index_error(index);
  items_[static_cast<size_t>(index)] = value;
}

int32_t TIntArray::Add(int32_t value) {
  check_capacity(static_cast<int64_t>(Length()) + 1);
  items_.push_back(value);
  return Length() - 1;
}

}  // namespace velk
