// Another program that holds a byte-range lock on a file, as a second ZOV or a help viewer
// would: hold_lock <host file> <write|read|far>. It prints "locked" once the lock is held and
// keeps it until its standard input closes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 4 && std::strcmp(argv[2], "at") == 0)) {
    std::fprintf(stderr, "usage: hold_lock <file> <write|read|far> | hold_lock <file> at <offset>\n");
    return 2;
  }
  bool read = std::strcmp(argv[2], "read") == 0;
  bool at = std::strcmp(argv[2], "at") == 0;
  bool far = at || std::strcmp(argv[2], "far") == 0;
  int fd = ::open(argv[1], read ? O_RDONLY : O_RDWR);
  if (fd < 0) {
    std::perror("open");
    return 1;
  }
  struct flock fl {};
  fl.l_type = read ? F_RDLCK : F_WRLCK;
  fl.l_whence = SEEK_SET;
  // "far": one byte far beyond the end of the file, where xBase programs put record locks;
  // taken as an open-file-description lock. The others are classic process locks.
  // "at <offset>": one byte at that offset, as a record lock of another program.
  fl.l_start = at ? std::atol(argv[3]) : far ? 1000000000L : 0;
  fl.l_len = 1;
  if (::fcntl(fd, far ? F_OFD_SETLK : F_SETLK, &fl) != 0) {
    std::perror("fcntl");
    return 1;
  }
  std::printf("locked\n");
  std::fflush(stdout);
  char c;
  while (::read(0, &c, 1) > 0) {
  }
  ::close(fd);
  return 0;
}
