// Texts, files and split program files from a loopback update server.
#include "net/http_download.h"

#include <gtest/gtest.h>

#include "core/failure.h"
#include "core/object.h"
#include "core/text.h"
#include "net/server.h"
#include "platform/gui/testing/gui_testing.h"
#include "platform/http/request.h"
#include "platform/thread/guard.h"
#include "platform/thread/thread.h"
#include "tests/support/http_server.h"
#include "ui/classes/classes.h"

using namespace core::literals;
using testing_support::HttpServer;
namespace gt = platform::gui::testing;

namespace {

std::string allByteValues() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

class Downloads : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = platform::http::timeouts();
    platform::http::setTimeouts({std::chrono::seconds(2), std::chrono::seconds(1)});
    net::setUpdateServerUrl(server.baseUrl());
    platform::thread::cargo() = ui::classes::ZTHREAD().create();
  }
  void TearDown() override {
    platform::http::setTimeouts(saved_);
    gt::resetProgram();
  }
  std::string url(const std::string& path) const { return server.baseUrl() + path; }

  HttpServer server;
  platform::http::Timeouts saved_;
};

TEST_F(Downloads, TextsAndTheirFailures) {
  server.setResponse("/ok.txt", 200, "zov.exe\t4.3G\r\n", "text/plain");
  server.setResponse("/words.txt", 200, "Error 404 - Not Found", "text/plain");
  server.setResponse("/broken.txt", 500, "Internal Server Error: zov.exe\t4.3G", "text/plain");
  server.setResponse("/forbidden.txt", 403, "zov.exe\t4.3G", "text/plain");
  struct Case {
    std::string url;
    std::string text;
  };
  const Case cases[] = {
      {url("/ok.txt"), "zov.exe\t4.3G\r\n"},
      {url("/words.txt"), ""},       // the not-found words anywhere in a text
      {url("/missing.txt"), ""},     // the server's own 404 page
      {url("/broken.txt"), ""},      // an error status is a failed request
      {url("/forbidden.txt"), ""},   // (and never a manifest)
      {"http://127.0.0.1:1/x", ""},  // refused
      {"ht!tp:/nonsense", ""},       // a URL the component refuses to open
  };
  for (const auto& c : cases) {
    EXPECT_EQ(net::XHTTP_READ_TEXT(c.url), c.text) << c.url;
    EXPECT_EQ(platform::errStat(), 0) << c.url;
  }
}

TEST_F(Downloads, FilesAreBytesAndOnlyTheServersNotFoundPageIsMissing) {
  server.setResponse("/bytes.bin", 200, allByteValues());
  server.setResponse("/words.bin", 200, "Error 404 - Not Found");
  server.setResponse("/page.bin", 200, "<!DOCTYPE html><title>404 not FOUND</title>");
  server.setResponse("/error.dll", 500, "<html>oops</html>");
  struct Case {
    std::string path;
    std::string body;
  };
  const Case cases[] = {
      {"/bytes.bin", allByteValues()},
      {"/words.bin", "Error 404 - Not Found"},  // returned unchanged: no page
      {"/page.bin", ""},
      {"/error.dll", ""},  // never installed as a program file
      {"/missing.dll", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(net::XHTTP_READ_FILE(url(c.path)), c.body) << c.path;
    EXPECT_EQ(platform::errStat(), 0);
  }
}

TEST_F(Downloads, UserAndPasswordReachTheServer) {
  server.requireBasicAuth("/secret/", "hotel", "g\xE4stebuch");
  server.setResponse("/secret/a.txt", 200, "inside");
  EXPECT_EQ(net::XHTTP_READ_FILE(url("/secret/a.txt"), "hotel", "g\xE4stebuch"), "inside");
  EXPECT_EQ(net::XHTTP_READ_FILE(url("/secret/a.txt"), "hotel", "wrong"), "");
}

TEST_F(Downloads, AStalledServerIsAFailedRequest) {
  server.setStall("/slow.dll", "MZ", 100000, std::chrono::seconds(5));
  EXPECT_EQ(net::XHTTP_READ_FILE(url("/slow.dll")), "");
  EXPECT_EQ(platform::errStat(), 0);
}

TEST_F(Downloads, SplitProgramFilesAreJoined) {
  server.setResponse("/zov/program/zov.exeD/part.001", 200, "0000000005ABC");
  server.setResponse("/zov/program/zov.exeD/part.002", 200, "DE");
  EXPECT_EQ(net::XHTTP_READ_FILE(url("/zov/program/zov.exe")), "ABCDE");
  EXPECT_EQ(server.requestCount("/zov/program/zov.exeD/part.003"), 1)
      << "the series ends at the first missing part";
  EXPECT_EQ(server.requestCount("/zov/program/zov.exeD/part.004"), 0);
  // Capital letters and a trailing blank still name a program file on the update server.
  server.setResponse("/zov/program/ZOV.EXE D/part.001", 200, "         3xyz");
  EXPECT_EQ(net::XHTTP_READ_FILE(url("/zov/program/ZOV.EXE ")), "xyz");
  // The same path on another host name is fetched in one piece.
  server.setResponse("/zov/program/one.exe", 200, "whole");
  std::string otherHost = "http://localhost:" + std::to_string(server.port());
  EXPECT_EQ(net::XHTTP_READ_FILE(otherHost + "/zov/program/one.exe"), "whole");
  EXPECT_EQ(server.requestCount("/zov/program/one.exeD/part.001"), 0);
  // A missing first part gives nothing, without a message.
  EXPECT_EQ(net::XHTTP_READ_FILE(url("/zov/program/none.exe")), "");
  EXPECT_FALSE(gt::openBox().has_value());
}

TEST_F(Downloads, AShortSplitFileIsALengthError) {
  server.setResponse("/zov/program/zov.exeD/part.001", 200, "0000000005ABC");
  std::string result = "unset";
  gt::MainRun run([&] {
    platform::thread::cargo() = ui::classes::ZTHREAD().create();
    result = net::XHTTP_READ_FILE(url("/zov/program/zov.exe"));
  });
  auto box = gt::waitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "Längenfehler beim Download der Datei "_w + url("/zov/program/zov.exe"));
  EXPECT_TRUE(gt::pressBoxButton("OK"));
  EXPECT_EQ(run.wait().how, gt::Outcome::How::Returned);
  EXPECT_EQ(result, "");
}

TEST_F(Downloads, ARequestWithoutThreadCargoIsARunTimeError) {
  platform::thread::cargo() = core::Value();
  EXPECT_THROW(net::XHTTP_READ_TEXT(url("/x")), core::RuntimeFailure);
}

}  // namespace
