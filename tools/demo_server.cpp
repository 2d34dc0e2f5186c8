// A loopback update server for the demo: serves a folder tree byte for byte on 127.0.0.1.
// Usage: zov_demo_server <folder> <port>   (port 0 picks a free one; the port is printed)
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <folder> <port>\n", argv[0]);
    return 2;
  }
  httplib::Server server;
  if (!server.set_mount_point("/", argv[1])) {
    std::fprintf(stderr, "no such folder: %s\n", argv[1]);
    return 2;
  }
  int port = std::atoi(argv[2]);
  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("%d\n", port);
  std::fflush(stdout);
  return server.listen_after_bind() ? 0 : 1;
}
