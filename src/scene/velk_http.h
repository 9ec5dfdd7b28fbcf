#pragma once
// An HTTP request: writing PR_SOURCE fetches the address on a worker thread; when the worker has ended, the
// component raises PR_ONPLAYEND and PR_TEXT reads the answer (empty after a failure). Destroying the component
// stops and joins a running worker first.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "scene/velk_object.h"

namespace velk {

class TVelkHttp : public TVelkComponent {
 public:
  explicit TVelkHttp(TVelkBaseList* owner) : TVelkComponent(owner) {}
  ~TVelkHttp() override;

  uint8_t ComponentType() const override { return VT_HTTP; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  // Notices the end of the worker.
  bool Update() override;

  const std::string& Source() const { return source_; }
  // Ignored while a request runs. "!name" takes the address from the answer of the HTTP component of that name.
  void SetSource(const std::string& source);
  // The answer's body; empty while the request runs.
  std::string Text() const;
  bool Running() const { return worker_.joinable(); }

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override;

  std::string OnPlayEnd;

 private:
  void stop();

  std::string source_;
  std::string body_;  // written by the worker only while it runs
  std::thread worker_;
  std::atomic<bool> done_{false};
  std::atomic<bool> cancel_{false};
};

}  // namespace velk
