// The loopback test server the HTTP tests rely on: files served byte for byte and only from
// their folder, requests counted, and a stall that stopping the server ends.
#include "tests/support/http_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "core/failure.h"
#include "platform/http/request.h"
#include "tests/support/temp_drives.h"

namespace http = platform::http;
using testing_support::HttpServer;
using testing_support::TempDrives;
using testing_support::writeHostFile;

namespace {

http::Request get(const std::string& url) {
  http::Request r;
  r.open("GET", url);
  r.send();
  return r;
}

TEST(TestHttpServer, ServesFilesOnlyFromTheirFolder) {
  TempDrives drives;
  writeHostFile(drives.host('C') / "program" / "dir_upd.txt", "manifest");
  writeHostFile(drives.host('C') / "program" / "D" / "part.001", "0000000003abc");
  writeHostFile(drives.host('C') / "secret.txt", "outside");
  HttpServer server;
  server.serveFiles(drives.host('C') / "program", "/zov/program/");

  EXPECT_EQ(get(server.baseUrl() + "/zov/program/dir_upd.txt").responseText(), "manifest");
  EXPECT_EQ(get(server.baseUrl() + "/zov/program/D/part.001").responseBody(), "0000000003abc");
  auto out = get(server.baseUrl() + "/zov/program/%2e%2e/secret.txt");
  EXPECT_EQ(out.status(), 404);
  EXPECT_EQ(out.responseText(), HttpServer::defaultNotFoundBody());
  EXPECT_EQ(get(server.baseUrl() + "/zov/program/D").status(), 404);  // a folder is no file

  server.setNotFoundBody("Error 404 - Not Found");
  EXPECT_EQ(get(server.baseUrl() + "/nothing").responseText(), "Error 404 - Not Found");
  EXPECT_EQ(server.requestCount("/zov/program/dir_upd.txt"), 1);
  EXPECT_EQ(server.requestCount("/nothing"), 1);
  EXPECT_EQ(server.totalRequests(), 5);
  EXPECT_EQ(server.lastRequest()->path, "/nothing");
}

TEST(TestHttpServer, StoppingEndsAStallInProgress) {
  auto saved = http::timeouts();
  http::setTimeouts({std::chrono::seconds(2), std::chrono::seconds(60)});  // the client would wait
  HttpServer server;
  server.setStall("/stall", "partial", 1000000, std::chrono::minutes(5));
  auto client = std::async(std::launch::async, [url = server.baseUrl() + "/stall"] {
    try {
      get(url);
      return std::string("answered");
    } catch (const core::RuntimeFailure& f) {
      return std::string(f.what());
    }
  });
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (server.requestCount("/stall") == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(server.requestCount("/stall"), 1);

  auto start = std::chrono::steady_clock::now();
  server.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));  // did not hang
  ASSERT_EQ(client.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_NE(client.get(), "answered");  // the cut-off body is a failure, not an answer
  http::setTimeouts(saved);
}

}  // namespace
