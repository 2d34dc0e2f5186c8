#include "platform/dbf/ntx.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "core/failure.h"
#include "platform/dbf/locks.h"

namespace platform::dbf {

namespace {

constexpr int kMaxDepth = 48;  // far beyond any real tree; deeper means a damaged file
constexpr int kMaxKeyLength = 256;
constexpr std::size_t kCachePages = 50'000;

std::uint16_t u16(const char* b) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) << 8);
}
std::uint32_t u32(const char* b) {
  return static_cast<std::uint32_t>(u16(b)) | static_cast<std::uint32_t>(u16(b + 2)) << 16;
}
void put16(char* b, std::uint32_t v) {
  b[0] = static_cast<char>(v & 0xFF);
  b[1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(char* b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b + 2, v >> 16);
}

}  // namespace

int ntxMaxItems(int keyLength) {
  int m = 1022 / (keyLength + 10) - 1;
  if (m % 2 == 1 && m > 2) --m;
  return m;
}

std::string ntxNumberKey(double value, int length, int decimals) {
  std::string s = formatNumber(value, length, decimals);
  if (s.empty()) return std::string(static_cast<std::size_t>(std::max(length, 1)), '*');
  bool negative = s.find('-') != std::string::npos;
  for (char& c : s) {
    if (c == ' ' || (negative && c == '-')) {
      c = '0';
    } else if (negative && c >= '0' && c <= '9') {
      c = static_cast<char>(0x2C - (c - '0'));
    }
  }
  return s;
}

// --- keys -----------------------------------------------------------------------------------

NtxIndex::Shape NtxIndex::shapeOf(const ExprValue& sample) {
  Shape s;
  const auto& v = sample.value;
  if (v.isText()) {
    s.type = 'C';
    s.length = static_cast<int>(v.text().size());
    if (s.length < 1 || s.length > kMaxKeyLength)
      throw core::RuntimeFailure("index key length must be 1.." + std::to_string(kMaxKeyLength) + ", is " +
                                 std::to_string(s.length));
  } else if (v.isNumber()) {
    s.type = 'N';
    s.length = sample.width > 0 ? sample.width : 10;
    s.decimals = sample.decimals > 0 ? sample.decimals : 0;
  } else if (v.isDate()) {
    s.type = 'D';
    s.length = 8;
  } else if (v.isLogical()) {
    s.type = 'L';
    s.length = 1;
  } else {
    throw core::RuntimeFailure("index key of type " + v.typeLetter());
  }
  return s;
}

std::string NtxIndex::encodeKey(const ExprValue& ev, const Shape& shape) {
  const auto& v = ev.value;
  std::string k;
  switch (shape.type) {
    case 'C':
      if (!v.isText()) break;
      k = v.text();
      break;
    case 'N':
      if (!v.isNumber()) break;
      return ntxNumberKey(v.number(), shape.length, shape.decimals);
    case 'D':
      if (!v.isDate()) break;
      k = v.date().dtos();
      break;
    case 'L':
      if (!v.isLogical()) break;
      k = v.logical() ? "T" : "F";
      break;
  }
  if (k.empty() && !(shape.type == 'C' && v.isText()))
    throw core::RuntimeFailure(std::string("index key is not of the index's type ") + shape.type);
  k.resize(static_cast<std::size_t>(shape.length), ' ');
  return k;
}

std::string NtxIndex::keyOf(const RecordContext& rec) const {
  return encodeKey(expr_.evaluate(rec), Shape{keyType_, keyLength_, keyDecimals_});
}

core::Value NtxIndex::keyValueOf(const RecordContext& rec) const {
  return expr_.evaluate(rec).value;
}

std::string NtxIndex::seekKey(const core::Value& v) const {
  switch (keyType_) {
    case 'C':
      if (v.isText()) return v.text().substr(0, static_cast<std::size_t>(keyLength_));
      break;
    case 'N':
      if (v.isNumber()) return ntxNumberKey(v.number(), keyLength_, keyDecimals_);
      break;
    case 'D':
      if (v.isDate()) return v.date().dtos();
      break;
    case 'L':
      if (v.isLogical()) return v.logical() ? "T" : "F";
      break;
  }
  throw core::RuntimeFailure("seek value of type " + v.typeLetter() + " in an index of type " + keyType_);
}

int NtxIndex::compareKeys(std::string_view a, std::string_view b) const {
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c == 0) c = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  return descending_ ? -c : c;
}

int NtxIndex::compareEntries(const IndexEntry& a, const IndexEntry& b) const {
  int c = compareKeys(a.key, b.key);
  if (c != 0) return c;
  return a.recNo < b.recNo ? -1 : (a.recNo > b.recNo ? 1 : 0);
}

bool NtxIndex::prefixMatches(const IndexEntry& e, std::string_view prefix) const {
  return e.key.size() >= prefix.size() && std::memcmp(e.key.data(), prefix.data(), prefix.size()) == 0;
}

// --- creating ----------------------------------------------------------------------------------

namespace {

struct Built {
  std::vector<IndexEntry> entries;
  std::vector<std::uint32_t> children;
};

// The whole file: header page, then the pages level by level from the leaves up, each level's
// keys spread evenly so that every page but a lone root holds at least half a page.
std::string buildImage(const NtxDefinition& def, const NtxIndex::Shape& shape,
                       std::vector<IndexEntry> entries, std::uint16_t version) {
  if (shape.length < 1 || shape.length > kMaxKeyLength)
    throw core::RuntimeFailure("index key length out of range");
  if (def.expression.size() > 255)
    throw core::RuntimeFailure("index key expression longer than 255 characters");
  const int maxItems = ntxMaxItems(shape.length);
  const std::size_t itemSize = static_cast<std::size_t>(shape.length) + 8;
  const std::size_t base = 2 + 2 * static_cast<std::size_t>(maxItems + 1);

  std::string image(kNtxPage, '\0');
  auto encodePage = [&](const std::vector<IndexEntry>& es, const std::uint32_t* kids) {
    std::size_t at = image.size();
    image.resize(at + kNtxPage, '\0');
    char* p = image.data() + at;
    put16(p, static_cast<std::uint32_t>(es.size()));
    for (int i = 0; i <= maxItems; ++i) put16(p + 2 + 2 * i, static_cast<std::uint32_t>(base + i * itemSize));
    for (std::size_t i = 0; i <= es.size(); ++i) {
      char* item = p + base + i * itemSize;
      put32(item, kids ? kids[i] : 0);
      if (i < es.size()) {
        put32(item + 4, es[i].recNo);
        std::memcpy(item + 8, es[i].key.data(),
                    std::min(es[i].key.size(), static_cast<std::size_t>(shape.length)));
      }
    }
    return static_cast<std::uint32_t>(at);
  };

  std::vector<IndexEntry> seps = std::move(entries);
  std::vector<std::uint32_t> kids;  // empty on the leaf level
  std::uint32_t root = 0;
  for (;;) {
    const std::size_t n = seps.size();
    const std::size_t pages = std::max<std::size_t>(1, (n + 1 + maxItems) / (maxItems + 1));
    const std::size_t inPages = n - (pages - 1);
    std::vector<IndexEntry> upSeps;
    std::vector<std::uint32_t> upKids;
    std::size_t pos = 0, kidPos = 0;
    for (std::size_t p = 0; p < pages; ++p) {
      std::size_t cnt = inPages / pages + (p < inPages % pages ? 1 : 0);
      std::vector<IndexEntry> es(seps.begin() + static_cast<long>(pos),
                                 seps.begin() + static_cast<long>(pos + cnt));
      upKids.push_back(encodePage(es, kids.empty() ? nullptr : kids.data() + kidPos));
      pos += cnt;
      kidPos += cnt + 1;
      if (p + 1 < pages) upSeps.push_back(std::move(seps[pos++]));
    }
    if (pages == 1) {
      root = upKids.front();
      break;
    }
    seps = std::move(upSeps);
    kids = std::move(upKids);
  }

  char* h = image.data();
  put16(h, 6);
  put16(h + 2, version);
  put32(h + 4, root);
  put32(h + 8, 0);
  put16(h + 12, static_cast<std::uint32_t>(itemSize));
  put16(h + 14, static_cast<std::uint32_t>(shape.length));
  put16(h + 16, static_cast<std::uint32_t>(shape.decimals));
  put16(h + 18, static_cast<std::uint32_t>(maxItems));
  put16(h + 20, static_cast<std::uint32_t>(maxItems / 2));
  std::memcpy(h + 22, def.expression.data(), def.expression.size());
  h[278] = def.unique ? 1 : 0;
  h[280] = def.descending ? 1 : 0;
  return image;
}

void sortEntries(std::vector<IndexEntry>& entries, bool unique, bool descending) {
  auto cmpKey = [descending](const std::string& a, const std::string& b) {
    int c = a.compare(b);  // bytes as unsigned char, as memcmp
    return descending ? -c : c;
  };
  std::sort(entries.begin(), entries.end(), [&](const IndexEntry& a, const IndexEntry& b) {
    int c = cmpKey(a.key, b.key);
    return c != 0 ? c < 0 : a.recNo < b.recNo;
  });
  if (unique)
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const IndexEntry& a, const IndexEntry& b) { return a.key == b.key; }),
                  entries.end());
}

}  // namespace

void NtxIndex::create(const std::filesystem::path& path, const NtxDefinition& def, const Shape& shape,
                      std::vector<IndexEntry> entries) {
  sortEntries(entries, def.unique, def.descending);
  std::string image = buildImage(def, shape, std::move(entries), 1);
  OsFile f(path, OsFile::Mode::Create);
  locks::claimShareMode(f, true);
  f.truncate(0);
  f.writeAt(0, image.data(), image.size());
}

void NtxIndex::rebuild(std::vector<IndexEntry> entries) {
  if (shared_) throw core::RuntimeFailure("rebuilding an index needs it exclusively: " + path().string());
  sortEntries(entries, unique_, descending_);
  NtxDefinition def{expr_.text(), unique_, descending_};
  std::string image = buildImage(def, Shape{keyType_, keyLength_, keyDecimals_}, std::move(entries),
                                 static_cast<std::uint16_t>(version_ + 1));
  file_.truncate(0);
  file_.writeAt(0, image.data(), image.size());
  dropCaches();
  readHeader(false);
}

// --- opening --------------------------------------------------------------------------------

NtxIndex::NtxIndex(const std::filesystem::path& path, const DbfHeader& table, bool writable, bool exclusive)
    : file_(path, writable ? OsFile::Mode::ReadWrite : OsFile::Mode::ReadOnly), shared_(!exclusive) {
  locks::claimShareMode(file_, exclusive);
  locks::ShortLock lock(file_, shared_, false, "index");
  readHeader(true);
  char buf[kNtxPage];
  file_.readAt(0, buf, kNtxPage);
  std::size_t exprLen = 0;
  while (exprLen < 256 && buf[22 + exprLen] != '\0') ++exprLen;
  expr_ = Expression::compile(std::string_view(buf + 22, exprLen), table);
  unique_ = buf[278] != 0;
  descending_ = buf[280] != 0;
  std::string blank = blankRecord(table);
  Shape shape = shapeOf(expr_.evaluate(RecordContext{&table, blank, 0, false}));
  keyType_ = shape.type;
  verifyTree();
}

void NtxIndex::readHeader(bool full) {
  fileSize_ = file_.size();
  if (fileSize_ < kNtxPage)
    throw core::RuntimeFailure("damaged index " + path().string() + ": file too short");
  char h[24];
  file_.readAt(0, h, sizeof h);
  auto damaged = [&](const std::string& what) {
    throw core::RuntimeFailure("damaged index " + path().string() + ": " + what);
  };
  if ((u16(h) & 0xFF) != 6) damaged("no index signature");
  const int keyLength = u16(h + 14);
  const int maxItems = u16(h + 18);
  if (full) {
    keyLength_ = keyLength;
    keyDecimals_ = u16(h + 16);
    maxItems_ = maxItems;
    if (keyLength_ < 1 || keyLength_ > kMaxKeyLength) damaged("key length out of range");
    if (u16(h + 12) != keyLength_ + 8) damaged("item size does not match the key length");
    if (maxItems_ < 2 || 2 + (maxItems_ + 1) * (keyLength_ + 10) > static_cast<int>(kNtxPage))
      damaged("items do not fit a page");
    if (keyDecimals_ >= keyLength_) damaged("key decimals out of range");
    int half = u16(h + 20);
    minItems_ = std::max(1, std::min(half, maxItems_ / 2));
  } else if (keyLength != keyLength_ || maxItems != maxItems_) {
    damaged("the index was rebuilt in another form while open");
  }
  version_ = u16(h + 2);
  root_ = u32(h + 4);
  free_ = u32(h + 8);
  checkOffset(root_, "root page");
  if (free_ != 0) checkOffset(free_, "free page");
}

void NtxIndex::writeHeader() {
  char h[12];
  ++version_;
  put16(h, 6);
  put16(h + 2, version_);
  put32(h + 4, root_);
  put32(h + 8, free_);
  file_.writeAt(0, h, sizeof h);
}

void NtxIndex::dropCaches() {
  cache_.clear();
  counts_.clear();
  ++stamp_;
}

void NtxIndex::sync(bool forWrite) {
  (void)forWrite;
  if (cache_.size() > kCachePages) dropCaches();
  if (!shared_) return;
  std::uint16_t before = version_;
  readHeader(false);
  if (version_ != before) dropCaches();
}

void NtxIndex::checkOffset(std::uint32_t offset, const char* what) const {
  if (offset < kNtxPage || offset % kNtxPage != 0 || offset + kNtxPage > fileSize_)
    throw core::RuntimeFailure("damaged index " + path().string() + ": " + what + " outside the file");
}

void NtxIndex::verifyTree() {
  std::unordered_set<std::uint32_t> seen;
  std::vector<std::pair<std::uint32_t, int>> todo{{root_, 0}};
  int leafDepth = -1;
  while (!todo.empty()) {
    auto [pg, depth] = todo.back();
    todo.pop_back();
    if (depth > kMaxDepth) throw core::RuntimeFailure("damaged index " + path().string() + ": tree too deep");
    if (!seen.insert(pg).second)
      throw core::RuntimeFailure("damaged index " + path().string() + ": a page is reached twice");
    const Page& p = page(pg);
    if (p.leaf()) {
      if (leafDepth < 0) leafDepth = depth;
      if (leafDepth != depth)
        throw core::RuntimeFailure("damaged index " + path().string() + ": leaves at different depths");
    } else {
      for (auto c : p.children) todo.emplace_back(c, depth + 1);
    }
  }
}

// --- pages ----------------------------------------------------------------------------------

NtxIndex::Page NtxIndex::decode(std::uint32_t offset, const char* b) const {
  auto damaged = [&](const std::string& what) {
    throw core::RuntimeFailure("damaged index " + path().string() + ": page " + std::to_string(offset) + " " +
                               what);
  };
  const std::size_t count = u16(b);
  if (count > static_cast<std::size_t>(maxItems_)) damaged("holds too many keys");
  const std::size_t itemSize = static_cast<std::size_t>(keyLength_) + 8;
  Page p;
  p.entries.resize(count);
  p.children.resize(count + 1);
  for (std::size_t i = 0; i <= count; ++i) {
    std::size_t o = u16(b + 2 + 2 * i);
    if (o < 2 || o + itemSize > kNtxPage) damaged("has an item outside the page");
    p.children[i] = u32(b + o);
    if (i < count) {
      p.entries[i].recNo = u32(b + o + 4);
      p.entries[i].key.assign(b + o + 8, static_cast<std::size_t>(keyLength_));
    }
  }
  const bool leaf = p.children[0] == 0;
  for (auto c : p.children) {
    if ((c == 0) != leaf) damaged("mixes leaf and branch items");
    if (c != 0) checkOffset(c, "child page");
  }
  return p;
}

std::string NtxIndex::encode(const Page& p) const {
  std::string out(kNtxPage, '\0');
  char* b = out.data();
  const std::size_t itemSize = static_cast<std::size_t>(keyLength_) + 8;
  const std::size_t base = 2 + 2 * static_cast<std::size_t>(maxItems_ + 1);
  put16(b, static_cast<std::uint32_t>(p.entries.size()));
  for (int i = 0; i <= maxItems_; ++i) put16(b + 2 + 2 * i, static_cast<std::uint32_t>(base + i * itemSize));
  for (std::size_t i = 0; i < p.children.size(); ++i) {
    char* item = b + base + i * itemSize;
    put32(item, p.children[i]);
    if (i < p.entries.size()) {
      put32(item + 4, p.entries[i].recNo);
      std::memcpy(item + 8, p.entries[i].key.data(),
                  std::min(p.entries[i].key.size(), static_cast<std::size_t>(keyLength_)));
    }
  }
  return out;
}

const NtxIndex::Page& NtxIndex::page(std::uint32_t offset) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) return it->second;
  checkOffset(offset, "page");
  char buf[kNtxPage];
  file_.readAt(offset, buf, kNtxPage);
  return cache_.emplace(offset, decode(offset, buf)).first->second;
}

void NtxIndex::store(std::uint32_t offset, const Page& p) {
  if (p.entries.size() > static_cast<std::size_t>(maxItems_) || p.children.size() != p.entries.size() + 1)
    throw core::RuntimeFailure("index page overflow in " + path().string());
  std::string bytes = encode(p);
  file_.writeAt(offset, bytes.data(), bytes.size());
  cache_[offset] = p;
}

std::uint32_t NtxIndex::allocate() {
  if (free_ != 0) {
    std::uint32_t got = free_;
    checkOffset(got, "free page");
    char buf[kNtxPage];
    file_.readAt(got, buf, kNtxPage);
    std::size_t o = u16(buf + 2);
    if (o < 2 || o + 4 > kNtxPage)
      throw core::RuntimeFailure("damaged index " + path().string() + ": free page without its chain item");
    std::uint32_t next = u32(buf + o);
    if (next != 0) checkOffset(next, "free page");
    if (next == got)
      throw core::RuntimeFailure("damaged index " + path().string() + ": free page chain loops");
    free_ = next;
    cache_.erase(got);
    return got;
  }
  std::uint64_t at = (fileSize_ + kNtxPage - 1) / kNtxPage * kNtxPage;
  if (at + kNtxPage > 0xFFFFFFFFULL) throw core::RuntimeFailure("index file full: " + path().string());
  fileSize_ = at + kNtxPage;
  return static_cast<std::uint32_t>(at);
}

void NtxIndex::release(std::uint32_t offset) {
  Page p;
  p.children.push_back(free_);  // item 0's child field carries the free chain
  std::string bytes = encode(p);
  file_.writeAt(offset, bytes.data(), bytes.size());
  cache_.erase(offset);
  free_ = offset;
}

// --- walking ----------------------------------------------------------------------------------

void NtxIndex::push(Path& path, std::uint32_t pg, int idx) const {
  if (path.size() >= static_cast<std::size_t>(kMaxDepth))
    throw core::RuntimeFailure("damaged index " + this->path().string() + ": tree too deep");
  for (const auto& f : path)
    if (f.page == pg) throw core::RuntimeFailure("damaged index " + this->path().string() + ": page cycle");
  path.push_back({pg, idx});
}

bool NtxIndex::settle(Path& path) {
  while (!path.empty()) {
    if (path.back().idx < static_cast<int>(page(path.back().page).entries.size())) return true;
    path.pop_back();
  }
  return false;
}

bool NtxIndex::descendLeftmost(Path& path, std::uint32_t pg) {
  for (;;) {
    push(path, pg, 0);
    const Page& p = page(pg);
    if (p.leaf()) return settle(path);
    pg = p.children.front();
  }
}

bool NtxIndex::descendRightmost(Path& path, std::uint32_t pg) {
  for (;;) {
    const Page& p = page(pg);
    const int n = static_cast<int>(p.entries.size());
    if (p.leaf()) {
      if (n > 0) {
        push(path, pg, n - 1);
        return true;
      }
      // An empty leaf: the entry before it is the parent's item left of this child.
      return climbToPrevious(path);
    }
    push(path, pg, n);
    pg = p.children.back();
  }
}

bool NtxIndex::climbToPrevious(Path& path) {
  while (!path.empty()) {
    if (path.back().idx > 0) {
      --path.back().idx;
      return true;
    }
    path.pop_back();
  }
  return false;
}

bool NtxIndex::advance(Path& path) {
  Frame& f = path.back();
  const Page& p = page(f.page);
  if (!p.leaf()) {
    ++f.idx;
    return descendLeftmost(path, p.children[static_cast<std::size_t>(f.idx)]);
  }
  ++f.idx;
  return settle(path);
}

bool NtxIndex::retreat(Path& path) {
  Frame& f = path.back();
  const Page& p = page(f.page);
  if (!p.leaf()) return descendRightmost(path, p.children[static_cast<std::size_t>(f.idx)]);
  if (f.idx > 0) {
    --f.idx;
    return true;
  }
  path.pop_back();
  return climbToPrevious(path);
}

const IndexEntry& NtxIndex::at(const Path& path) {
  return page(path.back().page).entries[static_cast<std::size_t>(path.back().idx)];
}

template <class Below>
bool NtxIndex::lowerPath(Path& path, Below&& below) {
  path.clear();
  std::uint32_t pg = root_;
  for (;;) {
    const Page& p = page(pg);
    auto it = std::partition_point(p.entries.begin(), p.entries.end(), below);
    int i = static_cast<int>(it - p.entries.begin());
    push(path, pg, i);
    if (p.leaf()) return settle(path);
    pg = p.children[static_cast<std::size_t>(i)];
  }
}

bool NtxIndex::findPath(Path& path, const IndexEntry& e) {
  if (lowerPath(path, [&](const IndexEntry& x) { return compareEntries(x, e) < 0; }) && at(path) == e)
    return true;
  // Equal keys that another program stored out of record order: look through all of them.
  bool ok = lowerPath(path, [&](const IndexEntry& x) { return compareKeys(x.key, e.key) < 0; });
  while (ok && compareKeys(at(path).key, e.key) == 0) {
    if (at(path).recNo == e.recNo) return true;
    ok = advance(path);
  }
  return false;
}

bool NtxIndex::take(Cursor& c, bool ok) {
  if (!ok) {
    c.path.clear();
    return false;
  }
  c.entry = at(c.path);
  c.stamp = stamp_;
  return true;
}

// Finds the cursor's path again after the index changed. When its entry is gone, the path
// goes to the nearest entry beyond it in the walking direction (landedBeyond).
bool NtxIndex::relocate(Cursor& c, bool forward, bool& landedBeyond) {
  landedBeyond = false;
  if (c.stamp == stamp_ && !c.path.empty()) return true;
  if (findPath(c.path, c.entry)) {
    c.stamp = stamp_;
    return true;
  }
  landedBeyond = true;
  if (forward) return lowerPath(c.path, [&](const IndexEntry& x) { return compareEntries(x, c.entry) <= 0; });
  if (lowerPath(c.path, [&](const IndexEntry& x) { return compareEntries(x, c.entry) < 0; }))
    return retreat(c.path);
  c.path.clear();
  return descendRightmost(c.path, root_);
}

bool NtxIndex::first(Cursor& c) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  c.path.clear();
  return take(c, descendLeftmost(c.path, root_));
}

bool NtxIndex::last(Cursor& c) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  c.path.clear();
  return take(c, descendRightmost(c.path, root_));
}

bool NtxIndex::next(Cursor& c) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  bool beyond = false;
  if (!relocate(c, true, beyond)) return take(c, false);
  if (beyond) return take(c, true);
  return take(c, advance(c.path));
}

bool NtxIndex::prev(Cursor& c) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  bool beyond = false;
  if (!relocate(c, false, beyond)) return take(c, false);
  if (beyond) return take(c, true);
  return take(c, retreat(c.path));
}

bool NtxIndex::seek(Cursor& c, std::string_view prefix) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  auto below = [&](const IndexEntry& x) {
    return compareKeys(std::string_view(x.key).substr(0, prefix.size()), prefix) < 0;
  };
  return take(c, lowerPath(c.path, below));
}

// --- counting ---------------------------------------------------------------------------------

std::uint64_t NtxIndex::subtreeCount(std::uint32_t pg, int depth) {
  if (pg == 0) return 0;
  if (depth > kMaxDepth) throw core::RuntimeFailure("damaged index " + path().string() + ": tree too deep");
  auto it = counts_.find(pg);
  if (it != counts_.end()) return it->second;
  std::uint64_t n = page(pg).entries.size();
  std::vector<std::uint32_t> kids = page(pg).children;
  for (auto c : kids) n += subtreeCount(c, depth + 1);
  counts_[pg] = n;
  return n;
}

std::uint64_t NtxIndex::count() {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  return subtreeCount(root_, 0);
}

std::uint64_t NtxIndex::position(Cursor& c) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  bool beyond = false;
  if (!relocate(c, true, beyond) || beyond) return 0;
  const Path& path = c.path;
  std::uint64_t before = 0;
  for (std::size_t k = 0; k < path.size(); ++k) {
    const std::vector<std::uint32_t> kids = page(path[k].page).children;
    const auto idx = static_cast<std::size_t>(path[k].idx);
    for (std::size_t c = 0; c < idx; ++c) before += subtreeCount(kids[c], 0) + 1;
    if (k + 1 == path.size()) before += subtreeCount(kids[idx], 0);
  }
  return before + 1;
}

bool NtxIndex::atPosition(Cursor& cur, std::uint64_t pos) {
  locks::ShortLock lock(file_, shared_, false, "index");
  sync(false);
  cur.path.clear();
  if (pos == 0 || pos > subtreeCount(root_, 0)) return take(cur, false);
  std::uint32_t pg = root_;
  for (int depth = 0; depth <= kMaxDepth; ++depth) {
    const Page p = page(pg);
    bool down = false;
    for (std::size_t c = 0; c < p.children.size(); ++c) {
      std::uint64_t s = subtreeCount(p.children[c], 0);
      if (pos <= s) {
        push(cur.path, pg, static_cast<int>(c));
        pg = p.children[c];
        down = true;
        break;
      }
      pos -= s;
      if (c < p.entries.size()) {
        if (pos == 1) {
          push(cur.path, pg, static_cast<int>(c));
          return take(cur, true);
        }
        --pos;
      }
    }
    if (!down) break;
  }
  throw core::RuntimeFailure("damaged index " + path().string() + ": key counts do not add up");
}

// --- changing ---------------------------------------------------------------------------------

void NtxIndex::insert(const IndexEntry& e) {
  if (!file_.writable()) throw core::RuntimeFailure("index is read-only: " + path().string());
  locks::ShortLock lock(file_, shared_, true, "index");
  sync(true);
  insertLocked(e);
  writeHeader();
  counts_.clear();
  ++stamp_;
}

void NtxIndex::insertLocked(const IndexEntry& e) {
  Path path;
  if (unique_ && lowerPath(path, [&](const IndexEntry& x) { return compareKeys(x.key, e.key) < 0; }) &&
      compareKeys(at(path).key, e.key) == 0)
    return;
  path.clear();
  std::uint32_t pg = root_;
  for (;;) {
    const Page& p = page(pg);
    auto it = std::partition_point(p.entries.begin(), p.entries.end(),
                                   [&](const IndexEntry& x) { return compareEntries(x, e) <= 0; });
    int i = static_cast<int>(it - p.entries.begin());
    push(path, pg, i);
    if (p.leaf()) break;
    pg = p.children[static_cast<std::size_t>(i)];
  }
  Page cur = page(path.back().page);
  cur.entries.insert(cur.entries.begin() + path.back().idx, e);
  cur.children.push_back(0);
  for (std::size_t level = path.size() - 1;; --level) {
    if (cur.entries.size() <= static_cast<std::size_t>(maxItems_)) {
      store(path[level].page, cur);
      return;
    }
    const auto mid = static_cast<std::size_t>(maxItems_ / 2);
    Page left, right;
    left.entries.assign(cur.entries.begin(), cur.entries.begin() + static_cast<long>(mid));
    left.children.assign(cur.children.begin(), cur.children.begin() + static_cast<long>(mid) + 1);
    IndexEntry median = cur.entries[mid];
    right.entries.assign(cur.entries.begin() + static_cast<long>(mid) + 1, cur.entries.end());
    right.children.assign(cur.children.begin() + static_cast<long>(mid) + 1, cur.children.end());
    std::uint32_t rightAt = allocate();
    store(path[level].page, left);
    store(rightAt, right);
    if (level == 0) {
      Page top;
      top.entries.push_back(std::move(median));
      top.children = {path[0].page, rightAt};
      std::uint32_t topAt = allocate();
      store(topAt, top);
      root_ = topAt;
      return;
    }
    cur = page(path[level - 1].page);
    auto j = static_cast<std::size_t>(path[level - 1].idx);
    cur.entries.insert(cur.entries.begin() + static_cast<long>(j), std::move(median));
    cur.children.insert(cur.children.begin() + static_cast<long>(j) + 1, rightAt);
  }
}

bool NtxIndex::remove(const IndexEntry& e) {
  if (!file_.writable()) throw core::RuntimeFailure("index is read-only: " + path().string());
  locks::ShortLock lock(file_, shared_, true, "index");
  sync(true);
  bool removed = removeLocked(e);
  if (removed) writeHeader();
  counts_.clear();
  ++stamp_;
  return removed;
}

bool NtxIndex::removeLocked(const IndexEntry& e) {
  Path path;
  if (!findPath(path, e)) return false;
  const Frame f = path.back();
  Page p = page(f.page);
  if (p.leaf()) {
    p.entries.erase(p.entries.begin() + f.idx);
    p.children.pop_back();
    store(f.page, p);
  } else {
    // An entry of a branch page gives way to its predecessor, the last key of its left subtree.
    std::uint32_t pg = p.children[static_cast<std::size_t>(f.idx)];
    for (;;) {
      const Page& q = page(pg);
      const int n = static_cast<int>(q.entries.size());
      if (q.leaf()) {
        if (n == 0) throw core::RuntimeFailure("damaged index " + this->path().string() + ": empty leaf");
        push(path, pg, n - 1);
        break;
      }
      push(path, pg, n);
      pg = q.children.back();
    }
    Page leaf = page(path.back().page);
    p.entries[static_cast<std::size_t>(f.idx)] = leaf.entries.back();
    leaf.entries.pop_back();
    leaf.children.pop_back();
    store(f.page, p);
    store(path.back().page, leaf);
  }
  rebalance(path);
  return true;
}

void NtxIndex::rebalance(Path& path) {
  for (std::size_t level = path.size() - 1; level > 0; --level) {
    const std::uint32_t pAt = path[level].page;
    Page p = page(pAt);
    if (static_cast<int>(p.entries.size()) >= minItems_) return;
    const std::uint32_t qAt = path[level - 1].page;
    Page q = page(qAt);
    auto j = static_cast<std::size_t>(path[level - 1].idx);
    if (j >= q.children.size() || q.children[j] != pAt) {
      auto it = std::find(q.children.begin(), q.children.end(), pAt);
      if (it == q.children.end())
        throw core::RuntimeFailure("damaged index " + this->path().string() + ": lost parent link");
      j = static_cast<std::size_t>(it - q.children.begin());
    }
    if (j > 0) {
      const std::uint32_t lAt = q.children[j - 1];
      Page l = page(lAt);
      if (static_cast<int>(l.entries.size()) > minItems_) {  // borrow through the parent from the left
        p.entries.insert(p.entries.begin(), q.entries[j - 1]);
        p.children.insert(p.children.begin(), l.children.back());
        q.entries[j - 1] = l.entries.back();
        l.entries.pop_back();
        l.children.pop_back();
        store(lAt, l);
        store(pAt, p);
        store(qAt, q);
        return;
      }
    }
    if (j < q.entries.size()) {
      const std::uint32_t rAt = q.children[j + 1];
      Page r = page(rAt);
      if (static_cast<int>(r.entries.size()) > minItems_) {  // borrow through the parent from the right
        p.entries.push_back(q.entries[j]);
        p.children.push_back(r.children.front());
        q.entries[j] = r.entries.front();
        r.entries.erase(r.entries.begin());
        r.children.erase(r.children.begin());
        store(rAt, r);
        store(pAt, p);
        store(qAt, q);
        return;
      }
    }
    if (j > 0) {  // merge into the left sibling
      const std::uint32_t lAt = q.children[j - 1];
      Page l = page(lAt);
      l.entries.push_back(q.entries[j - 1]);
      l.entries.insert(l.entries.end(), p.entries.begin(), p.entries.end());
      l.children.insert(l.children.end(), p.children.begin(), p.children.end());
      q.entries.erase(q.entries.begin() + static_cast<long>(j) - 1);
      q.children.erase(q.children.begin() + static_cast<long>(j));
      store(lAt, l);
      store(qAt, q);
      release(pAt);
    } else if (!q.entries.empty()) {  // merge the right sibling into this page
      const std::uint32_t rAt = q.children[1];
      Page r = page(rAt);
      p.entries.push_back(q.entries[0]);
      p.entries.insert(p.entries.end(), r.entries.begin(), r.entries.end());
      p.children.insert(p.children.end(), r.children.begin(), r.children.end());
      q.entries.erase(q.entries.begin());
      q.children.erase(q.children.begin() + 1);
      store(pAt, p);
      store(qAt, q);
      release(rAt);
    } else {
      return;  // a parent without keys (another program's tree): nothing to merge with
    }
  }
  const Page& top = page(root_);
  if (top.entries.empty() && !top.leaf()) {
    std::uint32_t old = root_;
    root_ = top.children.front();
    release(old);
  }
}

}  // namespace platform::dbf
