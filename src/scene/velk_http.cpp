#include "scene/velk_http.h"

#include "platform/http_get.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using H = TVelkHttp;
using P = TProps<H>;

const TPropTable<H> kHttpProps = {
    P::Custom<&H::Source, &H::SetSource>(PR_SOURCE),
    P::Plain<&H::OnPlayEnd>(PR_ONPLAYEND),
    P::ReadOnly<&H::Text>(PR_TEXT),
};

}  // namespace

TVelkHttp::~TVelkHttp() { stop(); }

void TVelkHttp::stop() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
}

bool TVelkHttp::GetProp(int32_t id, TPropValue& value) const {
  return kHttpProps.Get(*this, id, value) || TVelkComponent::GetProp(id, value);
}

bool TVelkHttp::SetProp(int32_t id, const TPropValue& value) {
  return kHttpProps.Set(*this, id, value) || TVelkComponent::SetProp(id, value);
}

void TVelkHttp::SetSource(const std::string& source) {
  if (Running()) return;
  source_ = source;
  body_.clear();
  std::string address = source;
  if (!source.empty() && source[0] == '!') {
    const TVelkObject* other = Owner() ? Owner()->FindObject(source.substr(1)) : nullptr;
    const auto* http = dynamic_cast<const TVelkHttp*>(other);
    address = http ? http->Text() : std::string();
  }
  done_ = false;
  worker_ = std::thread([this, address] {
    // A failure ends the request silently with an empty answer.
    HttpGet(address, body_, cancel_);
    done_ = true;
  });
}

std::string TVelkHttp::Text() const { return Running() ? std::string() : body_; }

bool TVelkHttp::Update() {
  if (!Running() || !done_) return false;
  worker_.join();
  QueueOwnEvent(PR_ONPLAYEND, {}, false);
  return false;
}

void TVelkHttp::SaveToStream(TStream& s) const {
  TVelkComponent::SaveToStream(s);
  WriteString(s, source_);
  WriteString(s, OnPlayEnd);
}

void TVelkHttp::LoadFromStream(TStream& s, int32_t version, int32_t depth) {
  TVelkComponent::LoadFromStream(s, version, depth);
  // The answer is not saved; a loaded request is not sent again.
  source_ = ReadString(s);
  OnPlayEnd = ReadString(s);
}

}  // namespace velk
