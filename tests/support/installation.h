// A ZOV installation written for tests and the demo: ini.dbf with version, house name and
// last log-on, gast.dbf, user.dbf with its index, a zov.exe and a few ordinary files.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct IniRow {
  std::string fname;
  int lfnr = 1;
  std::string data;
};

struct InstallationSpec {
  std::string dir;  // program path ending in a backslash, e.g. "C:\ZOV\"
  std::string version = "4.3F";
  std::string name1 = "Hotel Alpen";  // stored with the field's trailing blanks
  std::string name2 = "hof";
  std::string lastLogon = "01.12.2026";
  std::vector<std::string> users = {"ZOV", "ZOV_HG", "MEIER"};
  bool withGast = true;
  bool withZovExe = true;
  std::string zovExeHostSource;  // a host program copied as zov.exe; empty: a small text file
  std::vector<std::pair<std::string, std::string>> files = {{"readme.txt", "old readme\r\n"},
                                                            {"zovres.dll", "old dll"}};
};

// Writes the installation through the program's own file and table layers.
void writeInstallation(const InstallationSpec& layout);
// ini.dbf with exactly these rows.
void writeIni(const std::string& dir, const std::vector<IniRow>& rows);
// user.dbf (ID, Name, Pass, Sperr, berecht, lan, lab, NeuAng) and its index user.ntx on
// UPPER(ID), one row per identifier.
void writeUsers(const std::string& dir, const std::vector<std::string>& ids);

}  // namespace testing_support
