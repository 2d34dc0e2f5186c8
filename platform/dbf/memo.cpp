#include "platform/dbf/memo.h"

#include <algorithm>

#include "core/failure.h"
#include "platform/dbf/locks.h"

namespace platform::dbf {

namespace {

[[noreturn]] void damaged(const std::string& what, const std::filesystem::path& p) {
  throw core::RuntimeFailure("damaged memo file " + p.string() + ": " + what);
}

std::uint32_t be32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
         static_cast<std::uint32_t>(b[2]) << 8 | b[3];
}

void putBe32(unsigned char* b, std::uint32_t v) {
  b[0] = static_cast<unsigned char>(v >> 24);
  b[1] = static_cast<unsigned char>(v >> 16);
  b[2] = static_cast<unsigned char>(v >> 8);
  b[3] = static_cast<unsigned char>(v);
}

std::uint32_t le32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void putLe32(unsigned char* b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

constexpr std::uint64_t kDbtBlock = 512;
// No memo of a ZOV table comes near this; a larger length is a damaged pointer or file.
constexpr std::uint64_t kMaxMemo = 64ULL << 20;

}  // namespace

MemoFile::MemoFile(const std::filesystem::path& path, MemoKind kind, bool writable, bool exclusive)
    : file_(path, writable ? OsFile::Mode::ReadWrite : OsFile::Mode::ReadOnly), kind_(kind) {
  locks::claimShareMode(file_, exclusive);
  if (kind_ == MemoKind::Fpt) {
    unsigned char h[8];
    if (file_.readSome(0, h, 8) != 8) damaged("header truncated", path);
    blockSize_ = static_cast<std::uint64_t>(h[6]) << 8 | h[7];
    if (blockSize_ == 0) damaged("block size 0", path);
  } else {
    if (file_.size() < 4) damaged("header truncated", path);
  }
}

void MemoFile::createDbt(const std::filesystem::path& path) {
  OsFile f(path, OsFile::Mode::Create);
  locks::claimShareMode(f, true);
  f.truncate(0);
  std::string block(kDbtBlock, '\0');
  putLe32(reinterpret_cast<unsigned char*>(block.data()), 1);
  f.writeAt(0, block.data(), block.size());
}

std::string MemoFile::read(std::uint32_t block) const {
  if (block == 0) return {};
  const std::uint64_t size = file_.size();
  const std::uint64_t at = static_cast<std::uint64_t>(block) * blockSize_;
  if (kind_ == MemoKind::Fpt) {
    unsigned char h[8];
    if (at + 8 > size) damaged("memo pointer past the end", file_.path());
    file_.readAt(at, h, 8);
    std::uint64_t len = be32(h + 4);
    if (len > kMaxMemo || at + 8 + len > size) damaged("memo length past the end", file_.path());
    std::string s(len, '\0');
    file_.readAt(at + 8, s.data(), len);
    return s;
  }
  if (at >= size) damaged("memo pointer past the end", file_.path());
  std::string out;
  std::string chunk(kDbtBlock, '\0');
  for (std::uint64_t pos = at; pos < size; pos += kDbtBlock) {
    std::size_t got = file_.readSome(pos, chunk.data(), kDbtBlock);
    std::string_view piece(chunk.data(), got);
    std::size_t end = piece.find(kEofMark);
    if (end != std::string_view::npos) return out.append(piece.substr(0, end));
    out.append(piece);
    if (out.size() > kMaxMemo) damaged("memo without its end mark", file_.path());
  }
  return out;  // a memo cut short by the end of the file: what is there
}

std::uint32_t MemoFile::allocate(std::uint64_t blocks) {
  unsigned char h[4];
  file_.readAt(0, h, 4);
  std::uint64_t next = kind_ == MemoKind::Fpt ? be32(h) : le32(h);
  // Never hand out blocks that already hold data, whatever the header says.
  std::uint64_t end = (file_.size() + blockSize_ - 1) / blockSize_;
  next = std::max({next, end, std::uint64_t{1}});
  if (next + blocks > 0xFFFFFFFFULL) throw core::RuntimeFailure("memo file full: " + file_.path().string());
  if (kind_ == MemoKind::Fpt)
    putBe32(h, static_cast<std::uint32_t>(next + blocks));
  else
    putLe32(h, static_cast<std::uint32_t>(next + blocks));
  file_.writeAt(0, h, 4);
  return static_cast<std::uint32_t>(next);
}

std::uint32_t MemoFile::write(std::uint32_t oldBlock, std::string_view text) {
  if (!file_.writable()) throw core::RuntimeFailure("memo file is read-only: " + file_.path().string());
  if (text.empty()) return 0;
  std::string bytes;
  if (kind_ == MemoKind::Fpt) {
    bytes.assign(8, '\0');
    putBe32(reinterpret_cast<unsigned char*>(bytes.data()), 1);
    putBe32(reinterpret_cast<unsigned char*>(bytes.data()) + 4, static_cast<std::uint32_t>(text.size()));
    bytes.append(text);
  } else {
    bytes.assign(text);
    bytes.append(2, kEofMark);
  }
  const std::uint64_t need = (bytes.size() + blockSize_ - 1) / blockSize_;
  std::uint32_t block = 0;
  if (oldBlock != 0) {
    std::string old;
    try {
      old = read(oldBlock);
    } catch (const core::RuntimeFailure&) {
      old.clear();  // a broken old pointer: the text goes to a new place
    }
    std::uint64_t oldBytes = old.size() + (kind_ == MemoKind::Fpt ? 8 : 2);
    if (!old.empty() && need <= (oldBytes + blockSize_ - 1) / blockSize_) block = oldBlock;
  }
  if (block == 0) block = allocate(need);
  bytes.resize(need * blockSize_, '\0');
  file_.writeAt(static_cast<std::uint64_t>(block) * blockSize_, bytes.data(), bytes.size());
  return block;
}

}  // namespace platform::dbf
