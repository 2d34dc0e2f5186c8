// A stand-in for ZOV.EXE that records how it was started: its working directory and its
// arguments, into the file named by ZOV_RECORD_FILE, else into "<own path>.args". The file
// appears whole (written beside and renamed), so a waiting test never reads half of it.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  std::string target;
  if (const char* env = std::getenv("ZOV_RECORD_FILE"); env && *env) {
    target = env;
  } else {
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    target = std::string(self, static_cast<std::size_t>(n)) + ".args";
  }
  char cwd[PATH_MAX];
  if (!::getcwd(cwd, sizeof cwd)) return 1;

  std::string text = "cwd=" + std::string(cwd) + "\nargc=" + std::to_string(argc) + "\n";
  for (int i = 1; i < argc; ++i) text += "argv[" + std::to_string(i) + "]=[" + argv[i] + "]\n";

  std::string tmp = target + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return 1;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(tmp.c_str(), target.c_str()) != 0) return 1;
  return 0;
}
