#include "scene/velk_images.h"

#include <array>

#include "vfs/stream_io.h"

namespace velk {

namespace {

using I = TVelkImages;

const std::array<TPropRow<TVelkImages>, 4> kImagesRows = {{
    {PR_REPEAT, [](const I& c, TPropValue& v) { v.B = c.Repeat; }, [](I& c, const TPropValue& v) { c.Repeat = v.B; }},
    {PR_AUTOSCRAP, [](const I& c, TPropValue& v) { v.B = c.AutoScrap; },
     [](I& c, const TPropValue& v) { c.AutoScrap = v.B; }},
    {PR_ONPLAYEND, [](const I& c, TPropValue& v) { v.S = c.OnPlayEnd; },
     [](I& c, const TPropValue& v) { c.OnPlayEnd = v.S; }},
    {PR_ONIDLE, [](const I& c, TPropValue& v) { v.S = c.OnIdle; }, [](I& c, const TPropValue& v) { c.OnIdle = v.S; }},
}};

}  // namespace

bool TVelkImages::GetProp(int32_t id, TPropValue& value) const {
  if (const auto* row = FindPropRow(kImagesRows, id)) {
    row->Get(*this, value);
    return true;
  }
  return TVelkCustomImages::GetProp(id, value);
}

bool TVelkImages::SetProp(int32_t id, const TPropValue& value) {
  if (const auto* row = FindPropRow(kImagesRows, id)) {
    row->Set(*this, value);
    return true;
  }
  return TVelkCustomImages::SetProp(id, value);
}

void TVelkImages::SaveOwnFields(TStream& s) const {
  TVelkCustomImages::SaveOwnFields(s);
  WriteByte(s, Repeat);
  WriteByte(s, AutoScrap);
  WriteString(s, source_);
  WriteString(s, OnPlayEnd);
  WriteString(s, OnIdle);
}

void TVelkImages::LoadOwnFields(TStream& s, int32_t version) {
  TVelkCustomImages::LoadOwnFields(s, version);
  const int32_t index = Index, frame_time = FrameTime;
  Repeat = ReadByte(s) != 0;
  AutoScrap = ReadByte(s) != 0;
  const std::string source = ReadString(s);
  // The record's fields stand for the picture; the source loads again from nothing.
  source_.clear();
  SetSource(source);
  OnPlayEnd = ReadString(s);
  if (version > 103) OnIdle = ReadString(s);
  // The saved frame and the time left in it.
  if (index >= 0) {
    SetIndex(index);
    FrameTime = frame_time;
  }
}

}  // namespace velk
