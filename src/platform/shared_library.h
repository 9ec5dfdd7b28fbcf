#pragma once
// A shared library opened at run time by its exact soname, and functions looked up in it. The library stays loaded
// for the rest of the process: the functions taken from it may be called until the end.
#include <mutex>
#include <string>

namespace velk {

class TSharedLibrary {
 public:
  // Opens soname with every symbol bound at once (a missing one fails here, not at the first call); false when it
  // cannot be loaded.
  bool Open(const std::string& soname);
  bool IsOpen() const { return handle_ != nullptr; }
  // Sets fn to the function of that name; false (and fn null) when the library is not open or lacks it.
  template <typename F> bool Find(const char* name, F& fn) const {
    fn = reinterpret_cast<F>(find(name));
    return fn != nullptr;
  }

 private:
  void* find(const char* name) const;
  void* handle_ = nullptr;
};

// Finds the function named as the table's member, so that the name is written once: VELK_FIND(lib, table, fn) is
// lib.Find("fn", table.fn).
#define VELK_FIND(lib, table, fn) (lib).Find(#fn, (table).fn)

// The table of functions that Load fills from the libraries it opens, filled on first use (once, whichever thread
// asks first); null when Load failed.
template <class T, bool (*Load)(T&)>
const T* LoadedOnce() {
  static T table;
  static bool ok = false;
  static std::once_flag once;
  std::call_once(once, [] { ok = Load(table); });
  return ok ? &table : nullptr;
}

}  // namespace velk
