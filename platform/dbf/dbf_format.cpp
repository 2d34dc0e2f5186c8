#include "platform/dbf/dbf_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/failure.h"
#include "core/text.h"

namespace platform::dbf {

namespace {

[[noreturn]] void damaged(const std::string& what) {
  throw core::RuntimeFailure("damaged table: " + what);
}

std::uint16_t u16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1])
                                                                            << 8);
}

std::uint32_t u32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

void put16(std::string& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

bool knownVersion(std::uint8_t v) {
  return v == 0x03 || v == 0x83 || v == 0x30 || v == 0x31 || v == 0xF5;
}

core::Date today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return core::Date::fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

}  // namespace

MemoKind DbfHeader::memoKind() const {
  if (!hasMemoFields()) return MemoKind::None;
  return (version == 0x30 || version == 0x31 || version == 0xF5) ? MemoKind::Fpt : MemoKind::Dbt;
}

bool DbfHeader::hasMemoFields() const {
  for (const auto& f : fields)
    if (f.type == 'M') return true;
  return false;
}

int DbfHeader::fieldIndex(std::string_view name) const {
  std::string want = core::upper(name);
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (core::upper(fields[i].name) == want) return static_cast<int>(i);
  return -1;
}

std::uint16_t headerLengthOf(std::string_view prolog, std::uint64_t fileSize) {
  if (prolog.size() < kPrologSize || fileSize < kPrologSize) damaged("file shorter than its header");
  auto version = static_cast<std::uint8_t>(prolog[0]);
  if (!knownVersion(version)) damaged("unknown version byte " + std::to_string(version));
  std::uint16_t headerLength = u16(prolog, 8);
  if (headerLength < kPrologSize + 32 + 1) damaged("header length too small");
  if (headerLength > fileSize) damaged("header length beyond the end of the file");
  return headerLength;
}

DbfHeader parseHeader(std::string_view b, std::uint64_t fileSize) {
  DbfHeader h;
  h.headerLength = headerLengthOf(b, fileSize);
  if (b.size() < h.headerLength) damaged("header truncated");
  h.version = static_cast<std::uint8_t>(b[0]);
  h.lastUpdate = core::Date::fromYmd(1900 + static_cast<unsigned char>(b[1]),
                                     static_cast<unsigned char>(b[2]), static_cast<unsigned char>(b[3]));
  h.recordCount = u32(b, 4);
  h.recordLength = u16(b, 10);
  h.codePage = static_cast<std::uint8_t>(b[29]);
  if (h.recordLength < 2) damaged("record length too small");

  std::size_t pos = kPrologSize;
  std::uint32_t offset = 1;
  bool terminated = false;
  while (pos < h.headerLength) {
    if (b[pos] == 0x0D) {
      terminated = true;
      break;
    }
    if (pos + 32 > h.headerLength) break;
    std::string_view d = b.substr(pos, 32);
    FieldInfo f;
    std::size_t nameLen = 0;
    while (nameLen < 11 && d[nameLen] != '\0') ++nameLen;
    f.name = std::string(d.substr(0, nameLen));
    if (f.name.empty()) damaged("field without a name");
    f.type = static_cast<char>(core::upperChar(d[11]));
    f.length = static_cast<unsigned char>(d[16]);
    f.decimals = static_cast<unsigned char>(d[17]);
    if (f.type == 'C') {  // long character fields keep the high byte of the length in "decimals"
      f.length += f.decimals * 256;
      f.decimals = 0;
    }
    if (f.length == 0) damaged("field " + f.name + " has length 0");
    if (offset + static_cast<std::uint32_t>(f.length) > h.recordLength)
      damaged("fields do not fit the record length");
    if (f.type == 'M' && f.length != 10 && f.length != 4) damaged("memo field " + f.name + " of odd length");
    if (f.type == 'I' && f.length != 4) damaged("integer field " + f.name + " of odd length");
    h.offsets.push_back(offset);
    offset += static_cast<std::uint32_t>(f.length);
    h.fields.push_back(std::move(f));
    pos += 32;
  }
  if (!terminated) damaged("field list without its terminator");
  if (h.fields.empty()) damaged("no fields");
  std::uint64_t room = (fileSize - h.headerLength) / h.recordLength;
  if (h.recordCount > room) damaged("record count beyond the end of the file");
  return h;
}

DbfHeader makeHeader(const std::vector<FieldInfo>& fields) {
  if (fields.empty()) throw core::RuntimeFailure("a table needs at least one field");
  if (fields.size() > 1000) throw core::RuntimeFailure("too many fields");
  DbfHeader h;
  std::uint32_t offset = 1;
  for (FieldInfo f : fields) {
    f.name = core::upper(f.name);
    f.type = core::upperChar(f.type);
    if (f.name.empty() || f.name.size() > 10)
      throw core::RuntimeFailure("field name of 1 to 10 characters: " + f.name);
    if (h.fieldIndex(f.name) >= 0) throw core::RuntimeFailure("field name twice: " + f.name);
    switch (f.type) {
      case 'C':
        if (f.length < 1 || f.length > 254)
          throw core::RuntimeFailure("character field length 1..254: " + f.name);
        f.decimals = 0;
        break;
      case 'N':
        if (f.length < 1 || f.length > 19 || f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2))
          throw core::RuntimeFailure("numeric field size: " + f.name);
        break;
      case 'D':
        f.length = 8;
        f.decimals = 0;
        break;
      case 'L':
        f.length = 1;
        f.decimals = 0;
        break;
      case 'M':
        f.length = 10;
        f.decimals = 0;
        break;
      default:
        throw core::RuntimeFailure(std::string("field type not C, N, D, L or M: ") + f.name);
    }
    h.offsets.push_back(offset);
    offset += static_cast<std::uint32_t>(f.length);
    h.fields.push_back(std::move(f));
  }
  if (offset > 0xFFFF) throw core::RuntimeFailure("record too long");
  h.version = h.hasMemoFields() ? 0x83 : 0x03;
  h.lastUpdate = today();
  h.headerLength = static_cast<std::uint16_t>(kPrologSize + 32 * h.fields.size() + 1);
  h.recordLength = static_cast<std::uint16_t>(offset);
  return h;
}

std::string serializeProlog(const DbfHeader& h) {
  std::string b(8, '\0');
  b[0] = static_cast<char>(h.version);
  core::Date d = h.lastUpdate.empty() ? today() : h.lastUpdate;
  b[1] = static_cast<char>(std::max(0, std::min(255, d.year() - 1900)));
  b[2] = static_cast<char>(d.month());
  b[3] = static_cast<char>(d.day());
  put32(b, 4, h.recordCount);
  return b;
}

std::string serializeHeader(const DbfHeader& h) {
  std::string b(h.headerLength, '\0');
  std::string prolog = serializeProlog(h);
  b.replace(0, prolog.size(), prolog);
  put16(b, 8, h.headerLength);
  put16(b, 10, h.recordLength);
  b[29] = static_cast<char>(h.codePage);
  std::size_t pos = kPrologSize;
  for (const auto& f : h.fields) {
    std::memcpy(&b[pos], f.name.data(), std::min<std::size_t>(f.name.size(), 10));
    b[pos + 11] = f.type;
    b[pos + 16] = static_cast<char>(f.length & 0xFF);
    b[pos + 17] = static_cast<char>(f.type == 'C' ? (f.length >> 8) : f.decimals);
    pos += 32;
  }
  b[pos] = 0x0D;
  return b;
}

std::string blankRecord(const DbfHeader& h) {
  std::string r(h.recordLength, ' ');
  for (std::size_t i = 0; i < h.fields.size(); ++i)
    if (h.fields[i].type == 'I') std::memset(&r[h.offsets[i]], 0, 4);
  return r;
}

std::string formatNumber(double v, int width, int decimals) {
  if (!std::isfinite(v) || width < 1) return {};
  decimals = std::max(0, std::min(decimals, 30));
  double p = std::pow(10.0, decimals);
  if (std::fabs(v) < 1e15) {
    double scaled = v * p;
    // Half away from zero, as xBase rounds; the nudge keeps 2.675 -> 2.68 despite binary noise.
    scaled = scaled >= 0 ? std::floor(scaled + 0.5 + 1e-9) : -std::floor(-scaled + 0.5 + 1e-9);
    v = scaled / p;
  }
  char buf[400];
  int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  if (n < 0 || n >= static_cast<int>(sizeof buf)) return {};
  std::string s(buf, static_cast<std::size_t>(n));
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);  // no "-0"
  if (static_cast<int>(s.size()) > width) return {};
  return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

core::Value decodeField(const FieldInfo& f, std::string_view bytes) {
  switch (f.type) {
    case 'N':
    case 'F':
      return core::Value(core::val(bytes));
    case 'D':
      return core::Value(core::Date::fromDtos(bytes));
    case 'L': {
      char c = bytes.empty() ? ' ' : bytes[0];
      return core::Value(c == 'T' || c == 't' || c == 'Y' || c == 'y');
    }
    case 'I': {
      std::uint32_t u = u32(bytes, 0);
      return core::Value(static_cast<double>(static_cast<std::int32_t>(u)));
    }
    default:
      return core::Value(std::string(bytes));
  }
}

std::string encodeField(const FieldInfo& f, const core::Value& v) {
  auto wrongType = [&]() -> std::string {
    throw core::RuntimeFailure("data type error: field " + f.name + " (" + f.type + ") given type " +
                               v.typeLetter());
  };
  const auto len = static_cast<std::size_t>(f.length);
  switch (f.type) {
    case 'C': {
      if (!v.isText()) return wrongType();
      std::string s = v.text().substr(0, len);
      s.resize(len, ' ');
      return s;
    }
    case 'N':
    case 'F': {
      if (!v.isNumber()) return wrongType();
      std::string s = formatNumber(v.number(), f.length, f.decimals);
      if (s.empty())
        throw core::RuntimeFailure("numeric overflow: field " + f.name + " cannot hold " +
                                   core::str(v.number(), 30, f.decimals));
      return s;
    }
    case 'D':
      if (!v.isDate()) return wrongType();
      return v.date().dtos();
    case 'L':
      if (!v.isLogical()) return wrongType();
      return v.logical() ? "T" : "F";
    case 'I': {
      if (!v.isNumber()) return wrongType();
      double d = std::trunc(v.number());
      if (!(d >= -2147483648.0 && d <= 2147483647.0))
        throw core::RuntimeFailure("numeric overflow: field " + f.name);
      std::string s(4, '\0');
      put32(s, 0, static_cast<std::uint32_t>(static_cast<std::int32_t>(d)));
      return s;
    }
    default:
      throw core::RuntimeFailure(std::string("field type cannot be written: ") + f.name);
  }
}

std::uint32_t memoBlock(const FieldInfo& f, std::string_view bytes) {
  if (f.length == 4) return u32(bytes, 0);
  std::uint64_t n = 0;
  for (char c : bytes) {
    if (c >= '0' && c <= '9') {
      n = n * 10 + static_cast<std::uint64_t>(c - '0');
      if (n > 0xFFFFFFFFULL) damaged("memo block number out of range in field " + f.name);
    } else if (c != ' ' && c != '\0') {
      damaged("memo block number is no number in field " + f.name);
    }
  }
  return static_cast<std::uint32_t>(n);
}

std::string memoPointer(const FieldInfo& f, std::uint32_t block) {
  if (f.length == 4) {
    std::string s(4, '\0');
    put32(s, 0, block);
    return s;
  }
  if (block == 0) return std::string(10, ' ');
  std::string digits = std::to_string(block);
  return std::string(10 - digits.size(), ' ') + digits;
}

}  // namespace platform::dbf
