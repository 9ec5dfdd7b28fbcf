#pragma once
// Data tables: small in-memory tables of fixed-layout records that scripts fill by hand or from tab-separated files,
// kept by one manager with one active table. Tables of kind 0 travel with the game data, kind 1 with the status data.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

class TCustomParam;

// Field type codes.
constexpr uint8_t DB_INT = 1;    // int32, 4 bytes
constexpr uint8_t DB_FLOAT = 2;  // 80-bit extended, 10 bytes
constexpr uint8_t DB_BOOL = 3;   // 1 byte
constexpr uint8_t DB_STR = 4;    // declared length n: n bytes of text and a zero byte

// Bounds against scripts and files: the longest string field, the most fields, the largest record, and the most
// bytes of records one table holds.
constexpr int32_t kMaxDBStringLength = 65535;
constexpr int32_t kMaxDBFields = 1024;
constexpr int32_t kMaxDBRecordSize = 1 << 20;
constexpr int64_t kMaxDBTableBytes = int64_t{64} << 20;
constexpr int32_t kMaxDBRecords = 1 << 22;

struct TDBField {
  int32_t Size = 0;
  std::string Name;
  uint8_t Type = 0;
};

class TDBFieldList {
 public:
  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
  const TDBField& Field(int32_t i) const { return fields_.at(static_cast<size_t>(i)); }
  // The first field of that name, letter case ignored; -1 when none.
  int32_t IndexOf(const std::string& name) const;
  int32_t Offset(int32_t i) const;
  int32_t RecordSize() const { return record_size_; }
  // Same count and, position by position, the same name, type and size.
  bool Equals(const TDBFieldList& other) const;
  void Add(TDBField field);
  void Remove(int32_t i);
  void Clear();

 private:
  std::vector<TDBField> fields_;
  int32_t record_size_ = 0;
};

using TDBRecordList = std::vector<int32_t>;

class TDBTable {
 public:
  TDBTable(std::string name, uint8_t kind) : name_(std::move(name)), kind_(kind) {}

  const std::string& Name() const { return name_; }
  uint8_t Kind() const { return kind_; }
  const TDBFieldList& Fields() const { return fields_; }

  int32_t RecordCount() const { return static_cast<int32_t>(records_.size()); }
  int32_t RecNo() const { return rec_no_; }
  // Below 0 gives -1 (true); at or beyond the count is refused.
  bool SetRecNo(int32_t i);
  // A zeroed record at the end, made current; false only when the table is full.
  bool Append();
  bool DeleteRecord();
  bool First();
  bool Last();
  bool Next();
  bool Prior();
  void ClearRecords();
  // Fields and records.
  void Clear();

  // Types 1 to 3 take their fixed sizes; type 4 takes length + 1 bytes (a negative length counts as 0). Returns the
  // field index, or -1 for another type, a longer string than kMaxDBStringLength or a table that would grow too big.
  int32_t AddField(const std::string& name, uint8_t type, int32_t length);
  void RemoveField(int32_t i);

  // Values by record and field index; false when either is out of range.
  bool GetInt(int32_t rec, int32_t field, int32_t& out) const;
  bool GetFloat(int32_t rec, int32_t field, long double& out) const;
  bool GetBool(int32_t rec, int32_t field, bool& out) const;
  bool GetStr(int32_t rec, int32_t field, std::string& out) const;
  bool SetInt(int32_t rec, int32_t field, int32_t v);
  bool SetFloat(int32_t rec, int32_t field, long double v);
  bool SetBool(int32_t rec, int32_t field, bool v);
  bool SetStr(int32_t rec, int32_t field, const std::string& v);

  // Values of the current record by field name; false without a current record or without the field.
  bool GetInt(const std::string& name, int32_t& out) const { return GetInt(rec_no_, Fields().IndexOf(name), out); }
  bool GetFloat(const std::string& name, long double& out) const {
    return GetFloat(rec_no_, Fields().IndexOf(name), out);
  }
  bool GetBool(const std::string& name, bool& out) const { return GetBool(rec_no_, Fields().IndexOf(name), out); }
  bool GetStr(const std::string& name, std::string& out) const { return GetStr(rec_no_, Fields().IndexOf(name), out); }
  bool SetInt(const std::string& name, int32_t v) { return SetInt(rec_no_, Fields().IndexOf(name), v); }
  bool SetFloat(const std::string& name, long double v) { return SetFloat(rec_no_, Fields().IndexOf(name), v); }
  bool SetBool(const std::string& name, bool v) { return SetBool(rec_no_, Fields().IndexOf(name), v); }
  bool SetStr(const std::string& name, const std::string& v) { return SetStr(rec_no_, Fields().IndexOf(name), v); }

  // The indices of the records whose fields match every key name / key value pair (see the definition).
  TDBRecordList Locate(const TCustomParam* names, const TCustomParam* values, bool ignore_case, bool partial) const;
  // Clears the table and reads the header line and the record lines.
  bool LoadTsv(const std::vector<std::string>& lines);
  void Sort(const TCustomParam* names, const TCustomParam* descending);

  // Appends a copy of record rec of another table with the same record size.
  bool AppendCopy(const TDBTable& source, int32_t rec);
  void CopyFieldsFrom(const TDBTable& source);

  void SaveToStream(TStream& s) const;
  // Reads one table after its class code; hostile input throws EFormatError.
  static std::unique_ptr<TDBTable> ReadFromStream(TStream& s);

 private:
  friend class TDBManager;
  uint8_t* cell(int32_t rec, int32_t field, uint8_t& type);
  const uint8_t* cell(int32_t rec, int32_t field, uint8_t& type) const;
  bool fits(int64_t records, int64_t record_size) const;

  std::string name_;
  uint8_t kind_ = 0;
  TDBFieldList fields_;
  std::vector<std::vector<uint8_t>> records_;
  int32_t rec_no_ = -1;
};

class TDBManager {
 public:
  int32_t Count() const { return static_cast<int32_t>(tables_.size()); }
  TDBTable& Table(int32_t i) { return *tables_.at(static_cast<size_t>(i)); }

  // -1 for an empty or existing name; otherwise the new table's index, and it becomes active.
  int32_t CreateTable(const std::string& name, uint8_t kind);
  bool DeleteTable(const std::string& name);
  int32_t FindTable(const std::string& name) const;
  TDBTable* Find(const std::string& name);
  bool SetActive(const std::string& name);
  TDBTable* Active();
  bool CopyTableTo(const std::string& name, const TDBRecordList& records);
  bool InsertTableFrom(const std::string& name, const TDBRecordList& records);
  void Clear();
  void ClearGameTables();

  // The tables of one kind: version 100, count, tables, and for kind 0 the active table's name.
  void SaveTables(TStream& s, uint8_t kind) const;
  // Replaces the tables of that kind. The block is checked whole before anything changes: a damaged block throws
  // EFormatError and leaves the tables as they were.
  void LoadTables(TStream& s, uint8_t kind);

 private:
  void remove_kind(uint8_t kind);
  std::vector<std::unique_ptr<TDBTable>> tables_;
  int32_t active_ = -1;
};

// The conversions between field values: float to int rounds to the nearest integer, halves to even.
int32_t DBRound(long double x);

}  // namespace velk
