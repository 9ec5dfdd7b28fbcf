#pragma once
// The read marks of messages: for each script page (the message id) the pairs (message number, page index) of
// message pages that were shown completely, and the one page being shown that becomes read once its window has typed
// it to the end. Part of the status record, so it survives across games.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velk {

class TStream;

class TVelkRead {
 public:
  std::string Name;  // the message id
  std::vector<int32_t> Numbers;
  std::vector<int32_t> Pages;
  bool Holds(int32_t number, int32_t page) const;
};

class TVelkReadList {
 public:
  // Ids are compared ignoring letter case, as page names are.
  bool IsRead(const std::string& id, int32_t number, int32_t page) const;
  void SetPending(const std::string& window, const std::string& id, int32_t page, int32_t number);
  // Records the pending page when window is the one that shows it.
  void CommitPending(const std::string& window);
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TVelkRead& Item(int32_t i) const { return items_.at(static_cast<size_t>(i)); }
  const std::string& PendingId() const { return pending_id_; }

  void SaveToStream(TStream& s) const;
  // Records of a version below 100 hold no list: it is then left empty.
  void LoadFromStream(TStream& s, int32_t version);

 private:
  TVelkRead* Find(const std::string& id);
  const TVelkRead* Find(const std::string& id) const;

  std::vector<TVelkRead> items_;
  std::string pending_id_;
  int32_t pending_number_ = 0;
  int32_t pending_page_ = 0;
  std::string pending_window_;
};

}  // namespace velk
