// The DB functions: scripts' access to the data tables. "Active" functions give false (0, empty) without an active
// table; "current" ones also need a current record.
#include <algorithm>

#include "base/error.h"
#include "expr/db_table.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_groups.h"
#include "expr/sys_func_man.h"

namespace velk {

namespace {

// A keys or values argument: the whole variable it names, a constant as it stands, or null when absent.
const TCustomParam* whole(const TFuncCall& c, size_t i) {
  if (!c.Has(i)) return nullptr;
  auto* ref = dynamic_cast<TParamVar*>(c.Args[i]);
  if (ref != nullptr && ref->TargetItem() != nullptr && ref->TargetItem()->Value() != nullptr) {
    return ref->TargetItem()->Value();
  }
  return c.Args[i];
}

bool flag_arg(const TFuncCall& c, size_t i) { return c.Has(i) && c.Arg(i).GetBool(); }

// Reads field of record rec into the target through the getter of the target's result type.
bool read_field(const TDBTable& table, int32_t rec, int32_t field, TCustomParam& target, uint8_t type) {
  switch (type) {
    case PT_INT: {
      int32_t v = 0;
      if (!table.GetInt(rec, field, v)) return false;
      target.SetInt(v);
      return true;
    }
    case PT_FLOAT: {
      long double v = 0;
      if (!table.GetFloat(rec, field, v)) return false;
      target.SetFloat(v);
      return true;
    }
    case PT_BOOL: {
      bool v = false;
      if (!table.GetBool(rec, field, v)) return false;
      target.SetBool(v);
      return true;
    }
    default: {
      std::string v;
      if (!table.GetStr(rec, field, v)) return false;
      target.SetStr(v);
      return true;
    }
  }
}

// Writes a value into a field with the setter of the given type.
bool write_field(TDBTable& table, int32_t rec, int32_t field, const TCustomParam& value, uint8_t type) {
  switch (type) {
    case PT_INT: return table.SetInt(rec, field, value.GetInt());
    case PT_FLOAT: return table.SetFloat(rec, field, value.GetFloat());
    case PT_BOOL: return table.SetBool(rec, field, value.GetBool());
    default: return table.SetStr(rec, field, value.GetStr());
  }
}

// The value type each Get/Set function works in: Int, Float, Bool, Str in the order of their numbers.
uint8_t type_of_pair(uint8_t number, uint8_t first) {
  static const uint8_t kTypes[] = {PT_INT, PT_FLOAT, PT_BOOL, PT_STR};
  return kTypes[(number - first) / 2];
}

void zero(TCustomParam& target, uint8_t type) {
  switch (type) {
    case PT_INT: target.SetInt(0); break;
    case PT_FLOAT: target.SetFloat(0); break;
    case PT_BOOL: target.SetBool(false); break;
    default: target.SetStr({}); break;
  }
}

// DBDirectGet* / DBDirectSet*: the first match of a lookup in a named table; the active table and current records
// stay as they are.
void direct(const TFuncCall& c) {
  bool set = (c.Number - 108) % 2 == 1;
  uint8_t type = type_of_pair(c.Number, 108);
  TDBTable* table = c.Man.DB().Find(c.Arg(0).GetStr());
  int32_t rec = -1, field = -1;
  if (table != nullptr) {
    TDBRecordList found = table->Locate(whole(c, 1), whole(c, 2), flag_arg(c, 3), flag_arg(c, 4));
    if (!found.empty()) rec = found.front();
    field = table->Fields().IndexOf(c.Arg(5).GetStr());
  }
  if (set) {
    c.Target.SetBool(table != nullptr && rec >= 0 && write_field(*table, rec, field, c.Arg(6), type));
  } else if (table == nullptr || rec < 0 || !read_field(*table, rec, field, c.Target, type)) {
    // The default, read as the function's type.
    switch (type) {
      case PT_INT: c.Target.SetInt(c.Arg(6).GetInt()); break;
      case PT_FLOAT: c.Target.SetFloat(c.Arg(6).GetFloat()); break;
      case PT_BOOL: c.Target.SetBool(c.Arg(6).GetBool()); break;
      default: c.Target.SetStr(c.Arg(6).GetStr()); break;
    }
  }
}

}  // namespace

bool CallDBFunc(const TFuncCall& c) {
  if (c.Number < 87 || c.Number > 124) return false;
  TDBManager& db = c.Man.DB();
  TDBTable* active = db.Active();
  TCustomParam& t = c.Target;
  bool has_current = active != nullptr && active->RecNo() >= 0;
  auto str = [&](size_t i) { return c.Arg(i).GetStr(); };
  switch (c.Number) {
    case 87: t.SetBool(db.CreateTable(str(0), c.Arg(1).GetBool() ? 1 : 0) >= 0); break;
    case 88: t.SetBool(db.SetActive(str(0))); break;
    case 89: {  // DBAddField (name, type [, length])
      int32_t type = c.Arg(1).GetInt();
      bool ok = active != nullptr && type >= DB_INT && type <= DB_STR &&
                active->AddField(str(0), static_cast<uint8_t>(type), c.Has(2) ? c.Arg(2).GetInt() : 0) >= 0;
      t.SetBool(ok);
      break;
    }
    case 90: t.SetBool(active != nullptr && active->SetRecNo(c.Arg(0).GetInt())); break;
    case 91: {  // DBInsert (values ...): argument i sets field i with the setter of its own type
      if (active == nullptr || !active->Append()) {
        t.SetBool(false);
        break;
      }
      int32_t n = std::min(static_cast<int32_t>(c.Count()), active->Fields().Count());
      for (int32_t i = 0; i < n; ++i) {
        const TCustomParam& v = c.Arg(static_cast<size_t>(i));
        write_field(*active, active->RecNo(), i, v, v.GetType());
      }
      t.SetBool(true);
      break;
    }
    case 92: t.SetBool(has_current && active->DeleteRecord()); break;
    case 93:
    case 95:
    case 97:
    case 99: {
      uint8_t type = type_of_pair(c.Number, 93);
      if (active == nullptr || !read_field(*active, active->RecNo(), active->Fields().IndexOf(str(0)), t, type)) {
        zero(t, type);
      }
      break;
    }
    case 94:
    case 96:
    case 98:
    case 100: {
      uint8_t type = type_of_pair(c.Number, 94);
      t.SetBool(has_current &&
                write_field(*active, active->RecNo(), active->Fields().IndexOf(str(0)), c.Arg(1), type));
      break;
    }
    case 101: {  // DBRecordCount ([table name])
      TDBTable* table = c.Has(0) ? db.Find(str(0)) : active;
      t.SetInt(table != nullptr ? table->RecordCount() : -1);
      break;
    }
    case 102: t.SetBool(active != nullptr && active->First()); break;
    case 103: t.SetBool(active != nullptr && active->Last()); break;
    case 104: t.SetBool(active != nullptr && active->Next()); break;
    case 105: t.SetBool(active != nullptr && active->Prior()); break;
    case 106: {  // DBLocate (keys, values [, ignore case [, partial]])
      bool found = false;
      if (active != nullptr) {
        TDBRecordList list = active->Locate(whole(c, 0), whole(c, 1), flag_arg(c, 2), flag_arg(c, 3));
        found = !list.empty() && active->SetRecNo(list.front());
      }
      t.SetBool(found);
      break;
    }
    case 107: {  // DBLoadTsvFile (file name)
      std::vector<std::string> lines;
      t.SetBool(active != nullptr && ReadTextLines(c.Man, str(0), lines) && active->LoadTsv(lines));
      break;
    }
    case 116:
    case 118: {  // DBCopyTable, DBInsertTable (name [, keys, values [, ignore case [, partial]]])
      bool copy = c.Number == 116;
      TDBTable* from = copy ? active : db.Find(str(0));
      if (active == nullptr || from == nullptr) {
        t.SetBool(false);
        break;
      }
      TDBRecordList list = from->Locate(whole(c, 1), c.Has(1) ? whole(c, 2) : nullptr, flag_arg(c, 3), flag_arg(c, 4));
      t.SetBool(copy ? db.CopyTableTo(str(0), list) : db.InsertTableFrom(str(0), list));
      break;
    }
    case 117: t.SetBool(c.Has(0) ? db.DeleteTable(str(0)) : active != nullptr && db.DeleteTable(active->Name())); break;
    case 119: {  // DBCopy (table name): the current record appended to a table of the same fields
      TDBTable* dest = db.Find(str(0));
      t.SetBool(has_current && dest != nullptr && dest->Fields().Equals(active->Fields()) &&
                dest->AppendCopy(*active, active->RecNo()));
      break;
    }
    case 120: db.Clear(); t.SetBool(false); break;  // DBClearTable: false, as stored games expect
    case 121:
      if (active != nullptr) active->Sort(whole(c, 0), whole(c, 1));
      t.SetBool(active != nullptr);
      break;
    case 122: t.SetStr(active != nullptr ? active->Name() : std::string()); break;
    case 123: t.SetInt(active != nullptr ? active->RecNo() : -1); break;
    case 124: {  // DBClearRecord ([table name])
      TDBTable* table = c.Has(0) ? db.Find(str(0)) : active;
      if (table != nullptr) table->ClearRecords();
      t.SetBool(table != nullptr);
      break;
    }
    default: direct(c); break;  // 108 .. 115
  }
  return true;
}

}  // namespace velk
