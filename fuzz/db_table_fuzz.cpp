// Feeds arbitrary bytes to the data tables: as a tab-separated table file (first byte even) or as a table save block
// (first byte odd), then exercises what loaded: locate, sort, save and load again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"
#include "expr/db_table.h"
#include "expr/param.h"
#include "vfs/stream.h"

namespace {

using namespace velk;

void exercise(TDBTable& t) {
  auto names = NewParam(PT_STR);
  auto values = NewParam(PT_STR);
  if (t.Fields().Count() > 0) names->SetStr(t.Fields().Field(0).Name);
  values->SetStr("1");
  t.Locate(names.get(), values.get(), true, true);
  t.Locate(names.get(), values.get(), false, false);
  auto desc = NewParam(PT_BOOL);
  desc->SetBool(true);
  t.Sort(names.get(), desc.get());
  std::string s;
  for (int32_t r = 0; r < t.RecordCount() && r < 16; ++r) {
    for (int32_t f = 0; f < t.Fields().Count(); ++f) t.GetStr(r, f, s);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool as_block = (data[0] & 1) != 0;
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  TDBManager m;
  if (!as_block) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
      if (i == bytes.size() || bytes[i] == '\n') {
        lines.push_back(bytes.substr(start, i - start));
        start = i + 1;
      }
    }
    m.CreateTable("t", 0);
    m.Active()->LoadTsv(lines);
  } else {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    s.SetPosition(0);
    try {
      m.LoadTables(s, data[0] & 2 ? 1 : 0);
    } catch (const EVelkError&) {
      return 0;
    }
  }
  for (int32_t i = 0; i < m.Count(); ++i) exercise(m.Table(i));
  TMemoryStream out;
  m.SaveTables(out, 0);
  out.SetPosition(0);
  TDBManager again;
  again.LoadTables(out, 0);  // what was saved must load
  return 0;
}
