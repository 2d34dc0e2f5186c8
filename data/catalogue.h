// The catalogue of the product's tables (XDBFILES): per table its name (also its alias), its
// work area, its index files in the order they are attached, and a version mark.
#pragma once

#include <optional>
#include <string_view>

#include "core/value.h"

namespace data {

// The 30 catalogue records, newly built on every call: {name, area, {index files}, mark}.
core::Value XDBFILES();

// The first record of a catalogue whose name, in upper case, equals the wanted one in upper
// case (trailing blanks count); nothing when there is none.
std::optional<core::Value> findTable(const core::Value& catalogue, std::string_view name);
// The same in the program-wide catalogue aDBFiles.
std::optional<core::Value> findTable(std::string_view name);

}  // namespace data
