#include "scene/velk_images.h"

#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using I = TVelkImages;
using P = TProps<I>;

const TPropTable<I> kImagesProps = {
    P::Plain<&I::Repeat>(PR_REPEAT),
    P::Plain<&I::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&I::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&I::OnIdle>(PR_ONIDLE),
};

}  // namespace

bool TVelkImages::GetProp(int32_t id, TPropValue& value) const {
  return kImagesProps.Get(*this, id, value) || TVelkCustomImages::GetProp(id, value);
}

bool TVelkImages::SetProp(int32_t id, const TPropValue& value) {
  return kImagesProps.Set(*this, id, value) || TVelkCustomImages::SetProp(id, value);
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
