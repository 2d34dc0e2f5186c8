// Memo files beside a table: dBase III .dbt and FoxPro .fpt.
//   .dbt  512-byte blocks; block 0 holds the next free block (u32, little-endian) at 0; a memo
//         ends with 0x1A 0x1A; new memos go to the end.
//   .fpt  big-endian header: next free block at 0, block size at 6; each memo starts with a
//         big-endian type (1 = text) and length before its bytes.
// A memo pointer past the end of the file raises core::RuntimeFailure.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/dbf/dbf_format.h"
#include "platform/dbf/os_file.h"

namespace platform::dbf {

class MemoFile {
 public:
  // Opens the memo file and claims its share mode like the table's.
  MemoFile(const std::filesystem::path& path, MemoKind kind, bool writable, bool exclusive);
  static void createDbt(const std::filesystem::path& path);

  std::string read(std::uint32_t block) const;
  // Stores text and answers the block the field must point to (0 for an empty text). The old
  // blocks are reused when the new text fits them; otherwise the text goes to the end. In
  // shared mode the caller holds the table's header lock, which guards the free-block number.
  std::uint32_t write(std::uint32_t oldBlock, std::string_view text);

 private:
  std::uint64_t blockSize() const { return blockSize_; }
  std::uint32_t allocate(std::uint64_t blocks);

  OsFile file_;
  MemoKind kind_;
  std::uint64_t blockSize_ = 512;
};

}  // namespace platform::dbf
