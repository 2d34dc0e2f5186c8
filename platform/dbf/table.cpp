#include "platform/dbf/table.h"

#include <algorithm>
#include <cmath>

#include "core/failure.h"
#include "core/text.h"
#include "platform/dbf/locks.h"

namespace platform::dbf {

namespace {

constexpr std::size_t kReadAheadBytes = 64 * 1024;

// The memo file beside a table: same name, the memo extension, found without regard to case.
std::filesystem::path memoPathFor(const std::filesystem::path& dbf, MemoKind kind, bool mustExist) {
  const std::string ext = kind == MemoKind::Fpt ? ".fpt" : ".dbt";
  std::filesystem::path lowerPath = dbf;
  lowerPath.replace_extension(ext);
  std::filesystem::path upperPath = dbf;
  upperPath.replace_extension(core::upper(ext));
  std::error_code ec;
  if (std::filesystem::exists(lowerPath, ec)) return lowerPath;
  if (std::filesystem::exists(upperPath, ec)) return upperPath;
  const std::string want = core::upper(lowerPath.filename().string());
  auto dir = dbf.parent_path().empty() ? std::filesystem::path(".") : dbf.parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (core::upper(entry.path().filename().string()) == want) return entry.path();
  if (mustExist) throw core::RuntimeFailure("memo file missing: " + lowerPath.string());
  return core::upper(dbf.extension().string()) == dbf.extension().string() && !dbf.extension().empty()
             ? upperPath
             : lowerPath;
}

}  // namespace

// --- opening and creating ------------------------------------------------------------------

Table::Table(const std::filesystem::path& dbfPath, OpenOptions options)
    : file_(dbfPath,
            (options.readOnly && !options.exclusive) ? OsFile::Mode::ReadOnly : OsFile::Mode::ReadWrite),
      options_(options) {
  setSettings(options.settings);
  locks::claimShareMode(file_, options_.exclusive);
  {
    locks::ShortLock lock(file_, !options_.exclusive, false, "table header");
    readHeaderAndCount();
  }
  if (header_.hasMemoFields())
    memo_ = std::make_unique<MemoFile>(memoPathFor(dbfPath, header_.memoKind(), true), header_.memoKind(),
                                       !options_.readOnly, options_.exclusive);
  goTop();
}

Table::~Table() {
  try {
    close();
  } catch (...) {
    // Closing cannot report from a destructor; close() called by the owner does.
  }
}

void Table::create(const std::filesystem::path& dbfPath, const std::vector<FieldInfo>& fields) {
  DbfHeader h = makeHeader(fields);
  OsFile f(dbfPath, OsFile::Mode::Create);
  locks::claimShareMode(f, true);
  f.truncate(0);
  std::string bytes = serializeHeader(h);
  bytes.push_back(kEofMark);
  f.writeAt(0, bytes.data(), bytes.size());
  if (h.hasMemoFields()) MemoFile::createDbt(memoPathFor(dbfPath, MemoKind::Dbt, false));
}

void Table::close() {
  if (!file_.isOpen()) return;
  try {
    flush();
    if (headerDirty_ && !options_.readOnly) {
      locks::ShortLock lock(file_, !options_.exclusive, true, "table header");
      if (!options_.exclusive) count_ = countFromSize();
      writeProlog();
    }
  } catch (...) {
    indexes_.clear();
    memo_.reset();
    file_.close();
    throw;
  }
  indexes_.clear();
  memo_.reset();
  file_.close();  // ends every lock of this table
  locks_.clear();
  fileLocked_ = false;
}

void Table::readHeaderAndCount() {
  const std::uint64_t size = file_.size();
  std::string prolog(kPrologSize, '\0');
  prolog.resize(file_.readSome(0, prolog.data(), kPrologSize));
  std::uint16_t headerLength = headerLengthOf(prolog, size);
  std::string bytes(headerLength, '\0');
  file_.readAt(0, bytes.data(), headerLength);
  header_ = parseHeader(bytes, size);
  count_ = options_.exclusive ? header_.recordCount : countFromSize();
}

std::uint32_t Table::countFromSize() const {
  const std::uint64_t size = file_.size();
  if (size < header_.headerLength) return 0;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>((size - header_.headerLength) / header_.recordLength, 0xFFFFFFFEULL));
}

std::uint32_t Table::refreshCount() {
  if (options_.exclusive) return count_;
  locks::ShortLock lock(file_, true, false, "table header");
  count_ = countFromSize();
  return count_;
}

std::uint32_t Table::recCount() {
  return refreshCount();
}

RecordContext Table::context() const {
  return RecordContext{&header_, record_, recNo_, settings_->exact};
}

void Table::writeProlog() {
  header_.recordCount = count_;
  header_.lastUpdate = core::Date();  // serializeProlog writes today's date for an empty one
  std::string prolog = serializeProlog(header_);
  file_.writeAt(0, prolog.data(), prolog.size());
  headerDirty_ = false;
}

// --- the record buffer ---------------------------------------------------------------------------

void Table::loadRecord(std::uint32_t n) {
  if (n < 1 || n > count_) throw core::RuntimeFailure("record " + std::to_string(n) + " outside the table");
  const std::size_t len = header_.recordLength;
  const bool buffered =
      !readAhead_.empty() && n >= readAheadFirst_ && n < readAheadFirst_ + readAhead_.size() / len;
  if (buffered) {
    record_.assign(readAhead_, (n - readAheadFirst_) * len, len);
  } else if (options_.exclusive && n == recNo_ + 1 && !eof_) {
    // Reading on in record order: a block at a time (nobody else changes the file).
    std::size_t records = std::max<std::size_t>(1, kReadAheadBytes / len);
    records = std::min<std::size_t>(records, count_ - n + 1);
    readAhead_.assign(records * len, '\0');
    std::size_t got = file_.readSome(recordOffset(n), readAhead_.data(), readAhead_.size());
    readAhead_.resize(got / len * len);
    readAheadFirst_ = n;
    if (readAhead_.empty())
      throw core::RuntimeFailure("damaged table: record " + std::to_string(n) + " missing");
    record_.assign(readAhead_, 0, len);
  } else {
    record_.assign(len, '\0');
    file_.readAt(recordOffset(n), record_.data(), len);
  }
  original_ = record_;
  recNo_ = n;
  eof_ = false;
  dirty_ = false;
  appended_ = false;
}

void Table::loadPhantom() {
  cursorOn_ = false;
  record_ = blankRecord(header_);
  original_ = record_;
  recNo_ = count_ + 1;
  eof_ = true;
  dirty_ = false;
  appended_ = false;
}

void Table::flush() {
  if (!dirty_ && !appended_) return;
  if (dirty_) {
    requireWritable("write");
    file_.writeAt(recordOffset(recNo_), record_.data(), record_.size());
    readAhead_.clear();
    headerDirty_ = true;
  }
  const RecordContext now = context();
  const RecordContext before{&header_, original_, recNo_, settings_->exact};
  for (auto& idx : indexes_) {
    std::string key = idx->keyOf(now);
    if (appended_) {
      idx->insert({key, recNo_});
    } else {
      std::string old = idx->keyOf(before);
      if (old != key) {
        idx->remove({old, recNo_});
        idx->insert({key, recNo_});
      }
    }
    if (idx.get() == activeIndex() && cursorOn_ && cursor_.entry.recNo == recNo_) {
      cursor_.entry.key = key;  // the record moved in its order: its path is found again
      cursor_.path.clear();
    }
  }
  original_ = record_;
  dirty_ = false;
  appended_ = false;
}

void Table::requireWritable(const char* what) {
  if (options_.readOnly)
    throw core::RuntimeFailure(std::string("table is read-only, cannot ") + what + ": " + path().string());
}

void Table::requireRecordLock(const char* what) {
  if (options_.exclusive || fileLocked_ || locks_.count(recNo_) != 0) return;
  throw core::RuntimeFailure(std::string("lock required to ") + what + " record " + std::to_string(recNo_) +
                             " of " + path().string());
}

bool Table::deleted() const {
  return !eof_ && !record_.empty() && record_[0] == '*';
}

core::Value Table::get(std::string_view name) {
  int i = fieldIndex(name);
  if (i < 0) throw core::RuntimeFailure("no field " + std::string(name) + " in " + path().string());
  return get(i);
}

core::Value Table::get(int i) {
  if (i < 0 || i >= static_cast<int>(header_.fields.size()))
    throw core::RuntimeFailure("field number out of range");
  const auto idx = static_cast<std::size_t>(i);
  const FieldInfo& f = header_.fields[idx];
  std::string_view bytes =
      std::string_view(record_).substr(header_.offsets[idx], static_cast<std::size_t>(f.length));
  if (f.type == 'M') {
    std::uint32_t block = memoBlock(f, bytes);
    return core::Value(core::Memo{memo_ ? memo_->read(block) : std::string()});
  }
  return decodeField(f, bytes);
}

void Table::put(std::string_view name, const core::Value& v) {
  int i = fieldIndex(name);
  if (i < 0) throw core::RuntimeFailure("no field " + std::string(name) + " in " + path().string());
  put(i, v);
}

void Table::put(int i, const core::Value& v) {
  if (i < 0 || i >= static_cast<int>(header_.fields.size()))
    throw core::RuntimeFailure("field number out of range");
  requireWritable("write");
  if (eof_) throw core::RuntimeFailure("no current record to write in " + path().string());
  requireRecordLock("write");
  const auto idx = static_cast<std::size_t>(i);
  const FieldInfo& f = header_.fields[idx];
  std::string bytes;
  if (f.type == 'M') {
    if (!v.isText())
      throw core::RuntimeFailure("data type error: memo field " + f.name + " given type " + v.typeLetter());
    std::uint32_t old = memoBlock(
        f, std::string_view(record_).substr(header_.offsets[idx], static_cast<std::size_t>(f.length)));
    locks::ShortLock lock(file_, !options_.exclusive, true, "table header");  // guards the memo's free block
    bytes = memoPointer(f, memo_->write(old, v.text()));
  } else {
    bytes = encodeField(f, v);
  }
  record_.replace(header_.offsets[idx], bytes.size(), bytes);
  dirty_ = true;
}

void Table::append() {
  requireWritable("append to");
  flush();
  if (!options_.exclusive) unlockAll();
  std::uint32_t n = 0;
  {
    locks::ShortLock lock(file_, !options_.exclusive, true, "table header");
    if (!options_.exclusive) count_ = countFromSize();
    if (count_ == 0xFFFFFFFFU) throw core::RuntimeFailure("table full: " + path().string());
    n = count_ + 1;
    if (!options_.exclusive) {
      if (!file_.tryLock(locks::record(n), 1, true))
        throw core::RuntimeFailure("new record " + std::to_string(n) +
                                   " is locked elsewhere: " + path().string());
      locks_.insert(n);
    }
    std::string bytes = blankRecord(header_);
    bytes.push_back(kEofMark);
    file_.writeAt(recordOffset(n), bytes.data(), bytes.size());
    readAhead_.clear();
    count_ = n;
    writeProlog();
  }
  record_ = blankRecord(header_);
  original_ = record_;
  recNo_ = n;
  eof_ = bof_ = false;
  found_ = false;
  cursorOn_ = false;
  dirty_ = false;
  appended_ = true;
}

void Table::markDeleted() {
  requireWritable("delete in");
  if (eof_) return;
  requireRecordLock("delete");
  record_[0] = '*';
  dirty_ = true;
}

void Table::recall() {
  requireWritable("recall in");
  if (eof_) return;
  requireRecordLock("recall");
  record_[0] = ' ';
  dirty_ = true;
}

void Table::commit() {
  flush();
  if (options_.readOnly) return;
  if (headerDirty_) {
    locks::ShortLock lock(file_, !options_.exclusive, true, "table header");
    if (!options_.exclusive) count_ = countFromSize();
    writeProlog();
  }
  file_.sync();
}

// --- walking -------------------------------------------------------------------------------------

NtxIndex* Table::activeIndex() const {
  return order_ > 0 ? indexes_[static_cast<std::size_t>(order_ - 1)].get() : nullptr;
}

NtxIndex& Table::index(int order) const {
  if (order < 1 || order > orderCount())
    throw core::RuntimeFailure("no index order " + std::to_string(order));
  return *indexes_[static_cast<std::size_t>(order - 1)];
}

IndexEntry Table::currentEntry() {
  return IndexEntry{activeIndex()->keyOf(context()), recNo_};
}

// Unless the cursor already stands on the record, it is aimed at the record's key and finds
// its path from there.
void Table::aimCursorAt(std::uint32_t recNo) {
  if (cursorOn_ && cursor_.entry.recNo == recNo) return;
  cursor_.entry = (recNo == recNo_ && !eof_) ? currentEntry() : IndexEntry{};
  cursor_.path.clear();
  cursorOn_ = true;
}

bool Table::visible() {
  if (eof_) return false;
  if (settings_->hideDeleted && record_[0] == '*') return false;
  if (filter_ && !filter_()) return false;
  return true;
}

namespace {
std::uint32_t checkedRecNo(std::uint32_t r, std::uint32_t count, const std::filesystem::path& p) {
  if (r < 1 || r > count)
    throw core::RuntimeFailure("damaged index of " + p.string() + ": record " + std::to_string(r) +
                               " not in the table");
  return r;
}
}  // namespace

std::optional<std::uint32_t> Table::endOfOrder(bool top) {
  NtxIndex* idx = activeIndex();
  if (idx == nullptr) {
    std::uint32_t n = (top && count_ > 0) ? count_ : refreshCount();
    if (n == 0) return std::nullopt;
    return top ? 1 : n;
  }
  cursorOn_ = top ? idx->first(cursor_) : idx->last(cursor_);
  if (!cursorOn_) return std::nullopt;
  if (cursor_.entry.recNo > count_) refreshCount();
  return checkedRecNo(cursor_.entry.recNo, count_, path());
}

std::optional<std::uint32_t> Table::stepOrder(std::uint32_t from, bool forward) {
  NtxIndex* idx = activeIndex();
  if (idx == nullptr) {
    if (!forward) return from > 1 ? std::optional<std::uint32_t>(from - 1) : std::nullopt;
    if (from >= count_ && !options_.exclusive) refreshCount();
    return from < count_ ? std::optional<std::uint32_t>(from + 1) : std::nullopt;
  }
  aimCursorAt(from);
  cursorOn_ = forward ? idx->next(cursor_) : idx->prev(cursor_);
  if (!cursorOn_) return std::nullopt;
  if (cursor_.entry.recNo > count_) refreshCount();
  return checkedRecNo(cursor_.entry.recNo, count_, path());
}

// Loads records from `start` (or the end of the order) on and returns the first visible one.
std::optional<std::uint32_t> Table::firstVisible(bool forward, std::optional<std::uint32_t> start) {
  std::optional<std::uint32_t> r = start ? start : endOfOrder(forward);
  while (r) {
    loadRecord(*r);
    if (visible()) return r;
    r = stepOrder(*r, forward);
  }
  return std::nullopt;
}

void Table::goTop() {
  flush();
  found_ = false;
  if (firstVisible(true, std::nullopt)) {
    eof_ = bof_ = false;
  } else {
    loadPhantom();
    eof_ = bof_ = true;
  }
}

void Table::goBottom() {
  flush();
  found_ = false;
  if (firstVisible(false, std::nullopt)) {
    eof_ = bof_ = false;
  } else {
    loadPhantom();
    eof_ = bof_ = true;
  }
}

void Table::goTo(std::uint32_t n) {
  flush();
  found_ = false;
  if (n > count_) refreshCount();
  bof_ = false;
  cursorOn_ = false;
  if (n >= 1 && n <= count_) {
    loadRecord(n);
  } else {
    loadPhantom();
    bof_ = count_ == 0;
  }
}

long Table::skip(long n) {
  flush();
  found_ = false;
  if (n == 0) {
    if (!eof_) loadRecord(recNo_);
    return 0;
  }
  long moved = 0;
  if (n > 0) {
    bof_ = false;
    if (eof_) return 0;
    while (moved < n) {
      auto next = stepOrder(recNo_, true);
      if (next) next = firstVisible(true, next);
      if (!next) {
        loadPhantom();
        break;
      }
      ++moved;
    }
    return moved;
  }
  if (eof_) {  // from past the end, one step back is the last visible record
    if (!firstVisible(false, std::nullopt)) {
      loadPhantom();
      bof_ = true;
      return 0;
    }
    eof_ = false;
    moved = -1;
  }
  bof_ = false;
  while (moved > n) {
    const std::uint32_t here = recNo_;
    auto prev = stepOrder(here, false);
    if (prev) prev = firstVisible(false, prev);
    if (!prev) {
      // Before the first visible record: stay on it and report the beginning.
      auto top = firstVisible(true, std::nullopt);
      if (!top) loadPhantom();
      bof_ = true;
      break;
    }
    --moved;
  }
  return moved;
}

double Table::relPos() {
  flush();
  if (eof_) return 100.0;
  NtxIndex* idx = activeIndex();
  std::uint64_t pos = 0, count = 0;
  if (idx == nullptr) {
    pos = recNo_;
    count = count_;
  } else {
    aimCursorAt(recNo_);
    pos = idx->position(cursor_);
    count = idx->count();
    if (pos == 0) return 0.0;
  }
  if (count <= 1) return 0.0;
  return static_cast<double>(pos - 1) * 100.0 / static_cast<double>(count - 1);
}

void Table::goRelPos(double percent) {
  flush();
  found_ = false;
  bof_ = false;
  if (!(percent >= 0)) percent = 0;  // NaN too
  percent = std::min(percent, 100.0);
  NtxIndex* idx = activeIndex();
  std::optional<std::uint32_t> r;
  if (idx == nullptr) {
    std::uint32_t n = refreshCount();
    if (n > 0) r = 1 + static_cast<std::uint32_t>(std::llround(percent * (n - 1) / 100.0));
  } else {
    std::uint64_t n = idx->count();
    if (n > 0) {
      cursorOn_ = idx->atPosition(
          cursor_,
          1 + static_cast<std::uint64_t>(std::llround(percent * static_cast<double>(n - 1) / 100.0)));
      if (cursorOn_) {
        if (cursor_.entry.recNo > count_) refreshCount();
        r = checkedRecNo(cursor_.entry.recNo, count_, path());
      }
    }
  }
  if (!r) {
    loadPhantom();
    bof_ = true;
    return;
  }
  std::uint32_t at = *r;
  if (firstVisible(true, at)) {
    eof_ = false;
    return;
  }
  if (firstVisible(false, at)) {
    eof_ = false;
    return;
  }
  loadPhantom();
  bof_ = true;
}

// --- searching -----------------------------------------------------------------------------------

bool Table::seek(const core::Value& key, std::optional<bool> soft) {
  flush();
  NtxIndex* idx = activeIndex();
  if (idx == nullptr) throw core::RuntimeFailure("seek without a controlling index: " + path().string());
  const bool softSeek = soft.value_or(settings_->softSeek);
  const std::string prefix = idx->seekKey(key);
  bof_ = false;
  found_ = false;
  std::optional<std::uint32_t> r;
  cursorOn_ = idx->seek(cursor_, prefix);
  if (cursorOn_) {
    if (cursor_.entry.recNo > count_) refreshCount();
    r = firstVisible(true, checkedRecNo(cursor_.entry.recNo, count_, path()));
  }
  if (r) {
    eof_ = false;
    found_ = idx->prefixMatches(IndexEntry{idx->keyOf(context()), recNo_}, prefix);
    if (found_ || softSeek) return found_;
  }
  loadPhantom();
  return false;
}

bool Table::locate(const std::function<bool()>& condition, bool fromCurrent) {
  if (!fromCurrent) goTop();
  flush();
  while (!eof_) {
    if (condition()) {
      found_ = true;
      return true;
    }
    skip(1);
  }
  found_ = false;
  return false;
}

void Table::setFilter(std::function<bool()> condition) {
  filter_ = std::move(condition);
}

void Table::setFilter(const std::string& expression) {
  if (core::isBlank(expression)) {
    filter_ = {};
    return;
  }
  auto e = std::make_shared<Expression>(Expression::compile(expression, header_));
  filter_ = [this, e] {
    ExprValue v = e->evaluate(context());
    if (!v.value.isLogical()) throw core::RuntimeFailure("filter condition is not logical: " + e->text());
    return v.value.logical();
  };
}

core::Value Table::evaluate(const std::string& expression) {
  return Expression::compile(expression, header_).evaluate(context()).value;
}

// --- indexes -----------------------------------------------------------------------------------

void Table::orderListClear() {
  flush();
  cursorOn_ = false;
  indexes_.clear();
  order_ = 0;
}

void Table::orderListAdd(const std::filesystem::path& ntxPath) {
  flush();
  cursorOn_ = false;
  indexes_.push_back(std::make_unique<NtxIndex>(ntxPath, header_, !options_.readOnly, options_.exclusive));
  if (indexes_.size() == 1) order_ = 1;
}

void Table::setOrder(int order) {
  if (order < 0 || order > orderCount())
    throw core::RuntimeFailure("no index order " + std::to_string(order));
  flush();
  order_ = order;
  cursorOn_ = false;
}

std::string Table::orderKey(int order) const {
  if (order < 0) order = order_;
  if (order == 0) return {};
  return index(order).expression();
}

core::Value Table::keyValue() {
  NtxIndex* idx = activeIndex();
  if (idx == nullptr) return {};
  return idx->keyValueOf(context());
}

std::vector<IndexEntry> Table::allEntries(NtxIndex& idx) {
  std::vector<IndexEntry> out;
  const std::uint32_t n = refreshCount();
  out.reserve(n);
  const std::size_t len = header_.recordLength;
  const std::size_t perBlock = std::max<std::size_t>(1, kReadAheadBytes / len);
  std::string block;
  for (std::uint32_t first = 1; first <= n; first += static_cast<std::uint32_t>(perBlock)) {
    std::size_t records = std::min<std::size_t>(perBlock, n - first + 1);
    block.assign(records * len, '\0');
    file_.readAt(recordOffset(first), block.data(), block.size());
    for (std::size_t k = 0; k < records; ++k) {
      RecordContext ctx{&header_, std::string_view(block).substr(k * len, len),
                        first + static_cast<std::uint32_t>(k), settings_->exact};
      out.push_back({idx.keyOf(ctx), ctx.recNo});
    }
  }
  return out;
}

void Table::createIndex(const std::filesystem::path& ntxPath, const std::string& keyExpression, bool unique,
                        bool descending) {
  requireWritable("index");
  flush();
  for (std::size_t i = 0; i < indexes_.size(); ++i) {  // an index file being replaced leaves the list first
    std::error_code ec;
    if (std::filesystem::equivalent(indexes_[i]->path(), ntxPath, ec)) {
      indexes_.erase(indexes_.begin() + static_cast<long>(i));
      order_ = 0;
      break;
    }
  }
  cursorOn_ = false;
  Expression expr = Expression::compile(keyExpression, header_);
  std::string sample = blankRecord(header_);
  if (refreshCount() > 0) file_.readAt(recordOffset(1), sample.data(), sample.size());
  NtxIndex::Shape shape =
      NtxIndex::shapeOf(expr.evaluate(RecordContext{&header_, sample, 1, settings_->exact}));
  std::vector<IndexEntry> entries;
  {
    const std::uint32_t n = count_;
    const std::size_t len = header_.recordLength;
    std::string rec(len, '\0');
    entries.reserve(n);
    for (std::uint32_t r = 1; r <= n; ++r) {
      file_.readAt(recordOffset(r), rec.data(), len);
      entries.push_back(
          {NtxIndex::encodeKey(expr.evaluate(RecordContext{&header_, rec, r, settings_->exact}), shape), r});
    }
  }
  NtxIndex::create(ntxPath, NtxDefinition{keyExpression, unique, descending}, shape, std::move(entries));
  indexes_.push_back(std::make_unique<NtxIndex>(ntxPath, header_, true, options_.exclusive));
  order_ = orderCount();
}

void Table::reindex() {
  if (!options_.exclusive)
    throw core::RuntimeFailure("reindexing needs the table exclusively: " + path().string());
  requireWritable("reindex");
  flush();
  for (auto& idx : indexes_) idx->rebuild(allEntries(*idx));
  goTop();
}

void Table::pack() {
  if (!options_.exclusive)
    throw core::RuntimeFailure("packing needs the table exclusively: " + path().string());
  requireWritable("pack");
  flush();
  const std::size_t len = header_.recordLength;
  const std::size_t perBlock = std::max<std::size_t>(1, kReadAheadBytes / len);
  std::string block, out;
  std::uint32_t kept = 0;
  // Records only move towards the front, so each block is read before anything overwrites it.
  for (std::uint32_t first = 1; first <= count_; first += static_cast<std::uint32_t>(perBlock)) {
    std::size_t records = std::min<std::size_t>(perBlock, count_ - first + 1);
    block.assign(records * len, '\0');
    file_.readAt(recordOffset(first), block.data(), block.size());
    out.clear();
    for (std::size_t k = 0; k < records; ++k)
      if (block[k * len] != '*') out.append(block, k * len, len);
    if (!out.empty()) file_.writeAt(recordOffset(kept + 1), out.data(), out.size());
    kept += static_cast<std::uint32_t>(out.size() / len);
  }
  readAhead_.clear();
  count_ = kept;
  const std::uint64_t end = header_.headerLength + static_cast<std::uint64_t>(kept) * len;
  file_.writeAt(end, &kEofMark, 1);
  file_.truncate(end + 1);
  writeProlog();
  reindex();
}

void Table::zap() {
  if (!options_.exclusive)
    throw core::RuntimeFailure("zapping needs the table exclusively: " + path().string());
  requireWritable("zap");
  flush();
  readAhead_.clear();
  count_ = 0;
  file_.writeAt(header_.headerLength, &kEofMark, 1);
  file_.truncate(header_.headerLength + 1ULL);
  writeProlog();
  reindex();
}

// --- locks -------------------------------------------------------------------------------------

bool Table::lockRecord(std::uint32_t n) {
  if (n == 0) n = recNo_;
  if (options_.exclusive || fileLocked_ || locks_.count(n) != 0) return true;
  if (!file_.tryLock(locks::record(n), 1, true)) return false;
  locks_.insert(n);
  if (n == recNo_ && !eof_ && !dirty_ && !appended_) loadRecord(n);  // what others wrote before the lock
  return true;
}

bool Table::lockFile() {
  if (options_.exclusive || fileLocked_) return true;
  unlockAll();
  if (!file_.tryLock(locks::kFileStart, locks::kFileLength, true)) return false;
  fileLocked_ = true;
  if (!eof_ && !dirty_) loadRecord(recNo_);
  return true;
}

void Table::unlockRecord(std::uint32_t n) {
  if (n == 0) n = recNo_;
  if (n == recNo_) flush();  // the change goes out while the lock still protects it
  if (locks_.erase(n) == 0 || options_.exclusive || fileLocked_) return;
  file_.unlock(locks::record(n), 1);
}

void Table::unlockAll() {
  flush();
  if (!options_.exclusive && (fileLocked_ || !locks_.empty())) {
    file_.unlock(locks::kFileStart, locks::kFileLength);  // covers every record lock too
    for (auto n : locks_)
      if (locks::record(n) >= locks::kFileStart + locks::kFileLength) file_.unlock(locks::record(n), 1);
  }
  locks_.clear();
  fileLocked_ = false;
}

bool Table::isLocked(std::uint32_t n) const {
  return options_.exclusive || fileLocked_ || locks_.count(n) != 0;
}

std::vector<std::uint32_t> Table::lockedRecords() const {
  return {locks_.begin(), locks_.end()};
}

}  // namespace platform::dbf
