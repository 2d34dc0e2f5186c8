// A loopback HTTP server for tests and the demo: 127.0.0.1 on a free port, running in a
// background thread from construction until destruction. It serves host folders byte for
// byte and answers paths the test configures: fixed answers, redirects, basic
// authentication, and stalls (a server that stops sending in the middle of a body). It
// counts the requests per path and keeps the last request.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

struct HttpRequestRecord {
  std::string method;
  std::string path;  // decoded, without the query
  std::string query;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // The header's value by name without regard to case; "" when absent.
  std::string header(std::string_view name) const;
};

struct HttpReply {
  int status = 200;
  std::string body;
  std::string contentType = "application/octet-stream";
  std::vector<std::pair<std::string, std::string>> headers;
};

using HttpHandler = std::function<HttpReply(const HttpRequestRecord&)>;

class HttpServer {
 public:
  // tls: HTTPS with a freshly made self-signed certificate that no client trusts.
  explicit HttpServer(bool tls = false);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int port() const;
  std::string baseUrl() const;  // "http://127.0.0.1:<port>" (https:// with tls)

  // Files below hostDir answer GET requests below urlPrefix ("/zov/program/"); a path that
  // climbs out of hostDir is not found.
  void serveFiles(const std::filesystem::path& hostDir, const std::string& urlPrefix = "/");
  // A fixed answer for one path (any method).
  void setResponse(const std::string& path, int status, std::string body,
                   std::string contentType = "application/octet-stream");
  void setHandler(const std::string& path, HttpHandler handler);
  void setRedirect(const std::string& path, const std::string& location, int status = 302);
  // Paths below pathPrefix answer 401 with a basic-authentication challenge unless the
  // request carries exactly this user and password.
  void requireBasicAuth(const std::string& pathPrefix, const std::string& user, const std::string& password);
  // Announces announcedLength bytes, sends firstBytes, then sends nothing more for hold (or
  // until the server stops) and drops the connection.
  void setStall(const std::string& path, std::string firstBytes, std::size_t announcedLength,
                std::chrono::milliseconds hold = std::chrono::seconds(30));
  // Sends body in pieces of chunkSize bytes with a pause of interval before each further
  // piece: a slow line that never stalls.
  void setTrickle(const std::string& path, std::string body, std::size_t chunkSize,
                  std::chrono::milliseconds interval);
  // The body of "not found" answers; by default a web server's usual 404 page.
  void setNotFoundBody(std::string body);
  static std::string defaultNotFoundBody();

  int requestCount(const std::string& path) const;
  int totalRequests() const;
  std::optional<HttpRequestRecord> lastRequest(const std::string& path) const;
  std::optional<HttpRequestRecord> lastRequest() const;

  // Stops serving and waits for the server thread; also done by the destructor.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

std::string base64(std::string_view bytes);

}  // namespace testing_support
