// The .dbf layout: header, field descriptors and the bytes of one field.
//
//   0      version (0x03 dBase III, 0x83 with .dbt memo; FoxPro 0x30, 0x31, 0xF5 with .fpt)
//   1..3   date of the last update: year - 1900, month, day
//   4..7   record count (u32, little-endian)
//   8..9   header length: records start here
//   10..11 record length, deletion flag included
//   29     code page mark
//   32...  32-byte field descriptors (name 0..10, type 11, length 16, decimals 17), then 0x0D
// Each record starts with its flag (' ' or '*'); 0x1A follows the last record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "core/value.h"

namespace platform::dbf {

struct FieldInfo {
  std::string name;  // as stored (dBase stores names in upper case)
  char type = 'C';   // C N D L M (read also: F, I and others as raw text)
  int length = 0;
  int decimals = 0;
};

enum class MemoKind { None, Dbt, Fpt };

struct DbfHeader {
  std::uint8_t version = 0x03;
  core::Date lastUpdate;
  std::uint32_t recordCount = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t recordLength = 0;
  std::uint8_t codePage = 0;
  std::vector<FieldInfo> fields;
  std::vector<std::uint32_t> offsets;  // of each field inside the record (the flag is byte 0)

  MemoKind memoKind() const;
  bool hasMemoFields() const;
  int fieldIndex(std::string_view name) const;  // without regard to case; -1 when none
};

inline constexpr std::size_t kPrologSize = 32;
inline constexpr char kEofMark = 0x1A;

// Reads the header from its bytes (at least the first 32; parseHeader needs headerLength
// bytes). Every length and offset is checked against the file size: a damaged header raises
// core::RuntimeFailure.
std::uint16_t headerLengthOf(std::string_view prolog, std::uint64_t fileSize);
DbfHeader parseHeader(std::string_view bytes, std::uint64_t fileSize);

// A new dBase III header for the given fields (0x83 when one of them is a memo). Raises
// core::RuntimeFailure for fields that dBase III cannot hold.
DbfHeader makeHeader(const std::vector<FieldInfo>& fields);
std::string serializeHeader(const DbfHeader& h);
// Record count and date only (bytes 0..7), as written after appends.
std::string serializeProlog(const DbfHeader& h);

std::string blankRecord(const DbfHeader& h);

// Field bytes <-> values. Memo fields are not handled here (see memo.h): their bytes hold a
// block number, which memoBlock() reads.
core::Value decodeField(const FieldInfo& f, std::string_view bytes);
// Raises core::RuntimeFailure for a value of the wrong type or a number that does not fit.
std::string encodeField(const FieldInfo& f, const core::Value& v);
std::uint32_t memoBlock(const FieldInfo& f, std::string_view bytes);
std::string memoPointer(const FieldInfo& f, std::uint32_t block);

// A number as a numeric field holds it: right-aligned, rounded half away from zero;
// nothing (empty) when it does not fit the width.
std::string formatNumber(double v, int width, int decimals);

}  // namespace platform::dbf
