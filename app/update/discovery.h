// Finding the installation: a directory is one when it holds ini.dbf, zov.exe and gast.dbf
// and its settings table yields version, house name and last log-on.
#pragma once

#include <string>

#include "core/object.h"
#include "core/value.h"

namespace app {

// The installation record class "zDir": Dir, Vers, Name, lAnd.
const core::ClassDef& ZDIR();

// The record of the directory (ending in a backslash), or NIL when it is no usable installation.
core::Value DIRINFO(const std::string& dir);
// Records of every installation in the usual places of drives C: to G:, in search order.
core::Value FINDDIR();

}  // namespace app
