#include "vfs/install_set.h"

#include <algorithm>

#include "base/error.h"
#include "base/sjis.h"
#include "vfs/stream_io.h"

namespace velk {

void TVelkInstallSet::LoadFromFile(const std::string& path) {
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  try {
    LoadFromStream(f);
  } catch (const EFormatError& e) {
    throw EFormatError(e.Message(), Utf8ToCp932(path));
  }
}

void TVelkInstallSet::SaveToFile(const std::string& path) {
  TFileStream f(path, fmCreate);
  SaveToStream(f);
}

void TVelkInstallSet::LoadFromStream(TStream& s) {
  const int32_t start = s.GetPosition();
  char sig[5] = {};
  Version = 0;
  if (s.Read(sig, 5) == 5 && sig[0] == 'i' && sig[1] == 's') {
    for (int i = 2; i < 5; ++i) {
      if (sig[i] < '0' || sig[i] > '9') throw EFormatError(Utf8ToCp932("インストール情報が壊れています"));
      Version = Version * 10 + (sig[i] - '0');
    }
  } else {
    s.SetPosition(start);
  }
  const bool wide = Version >= 100;
  auto number = [&s, wide]() -> int64_t { return wide ? ReadInt64(s) : ReadInt(s); };

  DiscNumber = ReadInt(s);
  Title = ReadString(s);
  Text2 = ReadString(s);
  Text3 = ReadString(s);
  Text4 = ReadString(s);
  FlagA = ReadByte(s);
  Text5 = ReadString(s);
  FlagB = ReadByte(s);
  const int32_t n = ReadInt(s);
  CheckCount(s, n, 4 * (wide ? 8 : 4));
  Text6 = ReadString(s);
  ValueC = ReadInt(s);
  FlagD = ReadByte(s);
  FlagE = ReadByte(s);
  Text7 = ReadString(s);
  Text8 = ReadString(s);
  Items.assign(static_cast<size_t>(n), {});
  for (auto& item : Items) {
    for (auto& v : item) v = number();
  }
  for (auto& v : Totals) v = number();
  FlagF = ReadByte(s);
  if (Version >= 101) FlagG = ReadByte(s);
  if (Version >= 102) {
    AddedFiles.clear();
    for (auto& name : ReadStrings(s)) {
      if (!name.empty()) AddedFiles.push_back(std::move(name));
    }
  }
  if (Version >= 103) FullInstall = ReadBool(s);
  if (Version >= 104) FlagH = ReadByte(s);
  if (Version >= 105) FlagI = ReadByte(s);
  if (Version >= 106) TextList = ReadStrings(s);
  if (Version >= 107) Text9 = ReadString(s);
  if (Version >= 108) {
    Text10 = ReadString(s);
    Text11 = ReadString(s);
  }
}

void TVelkInstallSet::SaveToStream(TStream& s) const {
  s.WriteBuffer("is108", 5);
  WriteInt(s, DiscNumber);
  WriteString(s, Title);
  WriteString(s, Text2);
  WriteString(s, Text3);
  WriteString(s, Text4);
  WriteByte(s, FlagA);
  WriteString(s, Text5);
  WriteByte(s, FlagB);
  WriteInt(s, static_cast<int32_t>(Items.size()));
  WriteString(s, Text6);
  WriteInt(s, ValueC);
  WriteByte(s, FlagD);
  WriteByte(s, FlagE);
  WriteString(s, Text7);
  WriteString(s, Text8);
  for (const auto& item : Items) {
    for (int64_t v : item) WriteInt64(s, v);
  }
  for (int64_t v : Totals) WriteInt64(s, v);
  WriteByte(s, FlagF);
  WriteByte(s, FlagG);
  WriteStrings(s, AddedFiles);
  WriteBool(s, FullInstall);
  WriteByte(s, FlagH);
  WriteByte(s, FlagI);
  WriteStrings(s, TextList);
  WriteString(s, Text9);
  WriteString(s, Text10);
  WriteString(s, Text11);
}

int32_t TVelkInstallSet::IndexOfFile(const std::string& name) const {
  auto it =
      std::find_if(AddedFiles.begin(), AddedFiles.end(), [&name](const std::string& f) { return SameText(f, name); });
  return it == AddedFiles.end() ? -1 : static_cast<int32_t>(it - AddedFiles.begin());
}

void TVelkInstallSet::AddFile(const std::string& name) {
  if (IndexOfFile(name) < 0) AddedFiles.push_back(name);
}

}  // namespace velk
