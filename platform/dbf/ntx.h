// Clipper .ntx index files: 1024-byte pages, little-endian.
//
// Header page (offset 0):
//   0 signature 0x0006          2 version counter (bumped on every header write, so other
//   4 root page offset            processes drop the pages they cached)
//   8 first free page offset   12 item size (key length + 8)   14 key length
//  16 key decimals             18 max items                    20 half page
//  22..277 key expression (NUL-terminated)   278 unique flag   280 descending flag
// Max items = 1022 / (key length + 10) - 1, one less again when that is odd and above 2.
//
// Other pages: key count (u16), then max items + 1 u16 offsets of the items inside the page
// (an insert reorders offsets, not items); an item is the child page offset (u32, 0 in a
// leaf), the record number (u32) and the key. The item after the last key holds only the
// right-most child. Every key is in the tree once (a B-tree, not a B+-tree). Free pages chain
// through the child field of their item 0.
//
// Keys compare byte by byte (memcmp); a descending index reverses the comparison. Equal keys
// are kept in record-number order. Numbers are keyed as STR(value, length, decimals) with the
// leading blanks as '0'; a negative number has its '-' made '0' and every digit d made
// chr(0x2C - d), so negative numbers sort first. Dates are keyed as DTOS.
//
// Reading is defensive: every page offset is checked against the file, the tree is walked
// once on opening (each page once, all leaves at one depth), and descents are depth-limited,
// so a damaged file raises core::RuntimeFailure instead of crashing or looping.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/value.h"
#include "platform/dbf/dbf_format.h"
#include "platform/dbf/expression.h"
#include "platform/dbf/os_file.h"

namespace platform::dbf {

struct IndexEntry {
  std::string key;
  std::uint32_t recNo = 0;
  bool operator==(const IndexEntry&) const = default;
};

struct NtxDefinition {
  std::string expression;
  bool unique = false;
  bool descending = false;
};

inline constexpr std::size_t kNtxPage = 1024;

// Items per page for a key length, as Clipper computes it.
int ntxMaxItems(int keyLength);
// A number as an index key (see above).
std::string ntxNumberKey(double value, int length, int decimals);

class NtxIndex {
 public:
  // Opens an index of the table with the given header. shared: other processes may change it
  // (pages are re-validated through the version counter, changes take the index lock).
  NtxIndex(const std::filesystem::path& path, const DbfHeader& table, bool writable, bool exclusive);
  // The type, length and decimals of the keys of an expression, judged from its value for one
  // record (a character key is as long as that value).
  struct Shape {
    char type = 'C';
    int length = 0;
    int decimals = 0;
  };
  static Shape shapeOf(const ExprValue& sample);
  // Writes a new index file (replacing any) holding the given entries, keys already encoded.
  static void create(const std::filesystem::path& path, const NtxDefinition& def, const Shape& shape,
                     std::vector<IndexEntry> entries);

  const std::filesystem::path& path() const { return file_.path(); }
  const std::string& expression() const { return expr_.text(); }
  bool unique() const { return unique_; }
  bool descending() const { return descending_; }
  int keyLength() const { return keyLength_; }
  int keyDecimals() const { return keyDecimals_; }
  char keyType() const { return keyType_; }

  // The key of a record and the search key for a seek value (a prefix for texts).
  std::string keyOf(const RecordContext& rec) const;
  core::Value keyValueOf(const RecordContext& rec) const;  // the key expression's value
  std::string seekKey(const core::Value& v) const;
  static std::string encodeKey(const ExprValue& v, const Shape& shape);

  struct Frame {
    std::uint32_t page;
    int idx;
  };
  // A place in the index: the entry it stands on, as the index stores it, and the page path
  // to it. Moving a cursor walks the tree in order, so a walk ends even when a damaged file
  // holds its keys out of order. After the index changed, the path is found again from the
  // entry (or the nearest entry beyond it).
  struct Cursor {
    IndexEntry entry;
    std::vector<Frame> path;
    std::uint64_t stamp = 0;
  };

  bool first(Cursor& c);
  bool last(Cursor& c);
  bool next(Cursor& c);
  bool prev(Cursor& c);
  // The first entry whose key, cut to the prefix's length, is not below the prefix.
  bool seek(Cursor& c, std::string_view prefix);
  bool prefixMatches(const IndexEntry& e, std::string_view prefix) const;

  void insert(const IndexEntry& e);  // a unique index ignores a key it already holds
  bool remove(const IndexEntry& e);
  void rebuild(std::vector<IndexEntry> entries);  // needs the file exclusively

  std::uint64_t count();
  // 1-based position of the cursor's entry in index order, 0 when it is not in the index.
  std::uint64_t position(Cursor& c);
  bool atPosition(Cursor& c, std::uint64_t pos);

  // Compares keys in index order (descending reverses).
  int compareKeys(std::string_view a, std::string_view b) const;

 private:
  struct Page {
    std::vector<IndexEntry> entries;
    std::vector<std::uint32_t> children;  // entries.size() + 1; all 0 in a leaf
    bool leaf() const { return children.front() == 0; }
  };
  using Path = std::vector<Frame>;

  void readHeader(bool full);
  void writeHeader();
  void sync(bool forWrite);  // shared mode: drop cached pages when another process changed the file
  const Page& page(std::uint32_t offset);
  Page decode(std::uint32_t offset, const char* bytes) const;
  std::string encode(const Page& p) const;
  void store(std::uint32_t offset, const Page& p);
  std::uint32_t allocate();
  void release(std::uint32_t offset);
  void checkOffset(std::uint32_t offset, const char* what) const;
  void verifyTree();
  void dropCaches();

  int compareEntries(const IndexEntry& a, const IndexEntry& b) const;
  void push(Path& path, std::uint32_t page, int idx) const;
  bool settle(Path& path);  // from a descent that ended past a leaf's last key
  bool descendLeftmost(Path& path, std::uint32_t page);
  bool descendRightmost(Path& path, std::uint32_t page);
  bool advance(Path& path);
  bool retreat(Path& path);
  static bool climbToPrevious(Path& path);  // to the nearest item left of the path, upwards
  const IndexEntry& at(const Path& path);
  template <class Less>
  bool lowerPath(Path& path, Less&& entryBelowTarget);
  bool findPath(Path& path, const IndexEntry& e);
  std::uint64_t subtreeCount(std::uint32_t page, int depth);
  void insertLocked(const IndexEntry& e);
  bool removeLocked(const IndexEntry& e);
  void rebalance(Path& path);
  bool take(Cursor& c, bool ok);
  bool relocate(Cursor& c, bool forward, bool& landedBeyond);

  OsFile file_;
  bool shared_ = true;
  Expression expr_;
  char keyType_ = 'C';
  int keyLength_ = 0;
  int keyDecimals_ = 0;
  int maxItems_ = 0;
  int minItems_ = 1;
  bool unique_ = false;
  bool descending_ = false;
  std::uint16_t version_ = 0;
  std::uint32_t root_ = 0;
  std::uint32_t free_ = 0;
  std::uint64_t fileSize_ = 0;
  std::uint64_t stamp_ = 1;  // changes whenever cached paths may no longer hold
  std::unordered_map<std::uint32_t, Page> cache_;
  std::unordered_map<std::uint32_t, std::uint64_t> counts_;
};

}  // namespace platform::dbf
