// Lays out the demo: an installation of version 4.3F written by our own table engine, with a
// stand-in zov.exe, and an update server folder offering 4.3G (a program file split into
// parts, a DLL, a file in a sub-directory of the server tree).
// Usage: zov_demo_setup <empty host folder>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/text.h"
#include "platform/fs/fs.h"
#include "tests/support/installation.h"
#include "tests/support/temp_drives.h"

namespace stdfs = std::filesystem;

namespace {

// The stand-in for ZOV.EXE: a script that notes where and how it was started.
std::string stub(const std::string& version) {
  return "#!/bin/sh\n"
         "# ZOV " +
         version +
         " (demo stand-in)\n"
         "{ echo \"ZOV " +
         version + " started in: $(pwd)\"; echo \"arguments: [$*]\"; } > zov-started.txt\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <empty host folder>\n", argv[0]);
    return 2;
  }
  const stdfs::path root = stdfs::absolute(argv[1]);
  const std::string installDir = *platform::fs::fromHost(root / "ZOV") + "\\";
  testing_support::InstallationSpec layout;
  layout.dir = installDir;
  layout.name1 = "Hotel Alpen";
  layout.name2 = "hof";
  layout.files = {{"readme.txt", "ZOV 4.3F\r\n"}, {"zovres.dll", "resources 4.3F"}, {"alt.txt", "since 4.3A"}};
  layout.withZovExe = false;
  testing_support::writeInstallation(layout);
  testing_support::writeHostFile(root / "ZOV" / "zov.exe", stub("4.3F"));
  stdfs::permissions(root / "ZOV" / "zov.exe", stdfs::perms::owner_exec, stdfs::perm_options::add);
  stdfs::create_directories(root / "ZOV" / "UPDATE");

  const stdfs::path program = root / "server" / "zov" / "program";
  const std::string crlf = "\r\n";
  testing_support::writeHostFile(program / "dir_upd.txt", "zov.exe\t4.3G" + crlf + "zovres.dll\t4.3G" + crlf +
                                                              "readme.txt\t4.3G" + crlf + "alt.txt\t4.3A" +
                                                              crlf + "extra\\formulare.txt\t4.3G" + crlf);
  const std::string exe = stub("4.3G");
  const std::size_t half = exe.size() / 2;
  testing_support::writeHostFile(program / "zov.exeD" / "part.001",
                                 core::padLeft(std::to_string(exe.size()), 10) + exe.substr(0, half));
  testing_support::writeHostFile(program / "zov.exeD" / "part.002", exe.substr(half));
  testing_support::writeHostFile(program / "zovres.dll", "resources 4.3G");
  testing_support::writeHostFile(program / "readme.txt", "ZOV 4.3G\r\n");
  testing_support::writeHostFile(program / "alt.txt", "since 4.3A");
  testing_support::writeHostFile(program / "extra" / "formulare.txt", "Formulare 4.3G\r\n");
  std::printf("installation %s, server folder %s\n", installDir.c_str(), (root / "server").c_str());
  return 0;
}
