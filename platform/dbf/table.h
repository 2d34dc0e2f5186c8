// One open table: the .dbf file, its memo file, its index files (the order list) and the
// position of the work area on it. The work-area layer (workarea.h) keeps tables by number
// and alias; tests and tools may also use a Table directly on host paths.
//
// Records are read and written through a record buffer: field writes change the buffer, and
// the buffer goes to the file, with its index keys, when the table moves, commits, unlocks or
// closes. In shared mode a record must be locked (or the file, or just appended) before it is
// changed; the record count comes from the file size under the header lock, as other xBase
// programs do, so records that other programs append are seen at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "platform/dbf/dbf_format.h"
#include "platform/dbf/expression.h"
#include "platform/dbf/memo.h"
#include "platform/dbf/ntx.h"
#include "platform/dbf/os_file.h"

namespace platform::dbf {

// The xBase switches that are global to a program thread (SET DELETED, SET EXACT, SET
// SOFTSEEK). Tables of the work-area layer read the calling thread's settings.
struct Settings {
  bool hideDeleted = false;
  bool exact = false;
  bool softSeek = false;
};

struct OpenOptions {
  bool exclusive = false;
  bool readOnly = false;
  const Settings* settings = nullptr;  // the thread's switches; a table of its own without
};

class Table {
 public:
  // Opens a table by host path. Raises core::RuntimeFailure when the file is missing, damaged,
  // or opened elsewhere in a conflicting share mode.
  Table(const std::filesystem::path& dbfPath, OpenOptions options = {});
  ~Table();  // writes what is pending; errors are swallowed (call close() to see them)
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Creates a new dBase III table (with a .dbt when a field is a memo), replacing any.
  static void create(const std::filesystem::path& dbfPath, const std::vector<FieldInfo>& fields);

  void close();
  bool isOpen() const { return file_.isOpen(); }
  const std::filesystem::path& path() const { return file_.path(); }
  bool exclusive() const { return options_.exclusive; }
  bool readOnly() const { return options_.readOnly; }
  void setSettings(const Settings* s) { settings_ = s ? s : &defaults_; }
  const Settings& settings() const { return *settings_; }

  // --- structure ---
  const std::vector<FieldInfo>& fields() const { return header_.fields; }
  const DbfHeader& header() const { return header_; }
  int fieldIndex(std::string_view name) const { return header_.fieldIndex(name); }  // -1 when none

  // --- position ---
  std::uint32_t recCount();  // LASTREC(): every record, deleted ones included
  std::uint32_t recNo() const { return recNo_; }
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  bool found() const { return found_; }
  void goTop();
  void goBottom();
  void goTo(std::uint32_t recNo);  // a number outside 1..recCount() goes past the end
  // Moves n visible records in the active order; returns how many it moved (signed).
  long skip(long n = 1);
  // Position of the current record in the active order, 0 to 100, and its inverse.
  double relPos();
  void goRelPos(double percent);

  // --- records ---
  bool deleted() const;
  core::Value get(std::string_view fieldName);
  core::Value get(int fieldIndex);
  void put(std::string_view fieldName, const core::Value& v);
  void put(int fieldIndex, const core::Value& v);
  void append();       // a blank record at the end, current and (in shared mode) locked
  void markDeleted();  // DELETE
  void recall();       // RECALL
  void pack();         // needs the table exclusively; rebuilds the open indexes
  void zap();          // needs the table exclusively
  void commit();       // record buffer, header and data to the disk

  // --- locks (no waiting) ---
  bool lockRecord(std::uint32_t recNo = 0);  // 0: the current record; others stay locked
  bool lockFile();
  void unlockRecord(std::uint32_t recNo);
  void unlockAll();
  bool isLocked(std::uint32_t recNo) const;
  std::vector<std::uint32_t> lockedRecords() const;

  // --- indexes ---
  void orderListClear();
  void orderListAdd(const std::filesystem::path& ntxPath);  // the first one becomes the controlling order
  // Creates an index of this table's records, adds it to the list and makes it controlling.
  void createIndex(const std::filesystem::path& ntxPath, const std::string& keyExpression,
                   bool unique = false, bool descending = false);
  void reindex();  // rebuilds every open index; needs the table exclusively
  int orderCount() const { return static_cast<int>(indexes_.size()); }
  void setOrder(int order);  // 0 = natural order
  int order() const { return order_; }
  std::string orderKey(int order = -1) const;  // key expression; "" in natural order
  core::Value keyValue();  // the active order's key expression for the current record; NIL without one
  NtxIndex* activeIndex() const;
  NtxIndex& index(int order) const;  // 1-based

  // --- searching ---
  // Seeks in the controlling order; soft: stop at the next greater key instead of past the end.
  bool seek(const core::Value& key, std::optional<bool> soft = std::nullopt);
  // From the first record (or from the current one with `fromCurrent`), the first visible record
  // for which the condition holds; past the end when none.
  bool locate(const std::function<bool()>& condition, bool fromCurrent = false);
  void setFilter(std::function<bool()> condition);  // {} clears it
  void setFilter(const std::string& expression);    // a text condition over the fields
  bool hasFilter() const { return static_cast<bool>(filter_); }
  // Evaluates an expression over the current record.
  core::Value evaluate(const std::string& expression);

 private:
  RecordContext context() const;
  void readHeaderAndCount();
  std::uint32_t countFromSize() const;
  std::uint32_t refreshCount();
  void loadRecord(std::uint32_t recNo);
  void loadPhantom();
  void flush();
  void requireWritable(const char* what);
  void requireRecordLock(const char* what);
  void writeProlog();
  bool visible();
  bool hidesAny() const { return settings_->hideDeleted || static_cast<bool>(filter_); }
  IndexEntry currentEntry();
  void aimCursorAt(std::uint32_t recNo);
  std::optional<std::uint32_t> firstVisible(bool forward, std::optional<std::uint32_t> start);
  std::optional<std::uint32_t> stepOrder(std::uint32_t from, bool forward);
  std::optional<std::uint32_t> endOfOrder(bool top);
  std::vector<IndexEntry> allEntries(NtxIndex& idx);
  std::uint64_t recordOffset(std::uint32_t recNo) const {
    return header_.headerLength + static_cast<std::uint64_t>(recNo - 1) * header_.recordLength;
  }

  OsFile file_;
  OpenOptions options_;
  DbfHeader header_;
  std::unique_ptr<MemoFile> memo_;
  std::vector<std::unique_ptr<NtxIndex>> indexes_;
  int order_ = 0;
  NtxIndex::Cursor cursor_;  // where the active order stands, when cursorOn_
  bool cursorOn_ = false;

  Settings defaults_;
  const Settings* settings_ = &defaults_;
  std::function<bool()> filter_;

  std::uint32_t count_ = 0;
  std::uint32_t recNo_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  bool found_ = false;
  std::string record_;    // the current record's bytes (buffer)
  std::string original_;  // as loaded, for the old index keys
  bool dirty_ = false;
  bool appended_ = false;  // the current record is new: its keys are not in the indexes yet
  bool headerDirty_ = false;

  bool fileLocked_ = false;
  std::set<std::uint32_t> locks_;
  std::string readAhead_;  // exclusive mode: records read in blocks for scans
  std::uint32_t readAheadFirst_ = 0;
};

}  // namespace platform::dbf
