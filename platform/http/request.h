// The HTTP request component: the request object the program creates for every exchange,
// with the operations and properties it relies on (open, setRequestHeader, send, readyState,
// status, responseText, responseBody). Requests are synchronous.
//
// A failure (unknown host, refused connection, a server that stops sending, certificate
// problems, a malformed URL) raises core::RuntimeFailure naming the URL. An HTTP error
// status is no failure here: status() tells it, and the caller decides.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::http {

// Process-wide time-outs of every request: connecting, and a stall (no byte for that long).
// There is no limit on a request's total time, so large files arrive however long they take.
struct Timeouts {
  std::chrono::milliseconds connect{20000};
  std::chrono::milliseconds stall{60000};
};
void setTimeouts(Timeouts t);
Timeouts timeouts();

class Request {
 public:
  Request();
  ~Request();
  Request(Request&&) noexcept;
  Request& operator=(Request&&) noexcept;
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  // Prepares a request (readyState 1). Methods GET, HEAD, POST, PUT, DELETE, PATCH, OPTIONS
  // in any letter case; URLs http:// and https://. Blanks and bytes beyond ASCII in the URL
  // are sent percent-encoded (Windows-1252 text as UTF-8). User and password, when given,
  // answer the server's authentication request. Asynchronous requests are not offered.
  void open(std::string_view method, std::string_view url, bool async = false, std::string_view user = {},
            std::string_view password = {});
  void setRequestHeader(std::string_view name, std::string_view value);
  // Sends the request and waits for the whole answer (readyState 4). GET and HEAD send no
  // body, as the Windows component does.
  void send(std::optional<std::string_view> body = std::nullopt);

  int readyState() const;  // 0 created, 1 opened, 4 answered
  // The answer; reading it before it is there raises RuntimeFailure.
  long status() const;
  std::string statusText() const;
  // The body as program text: decoded from UTF-8 when the server says so (or the body starts
  // with a UTF-8 byte-order mark, or is UTF-8 without saying), otherwise the bytes as they are.
  std::string responseText() const;
  const std::string& responseBody() const;  // the bytes as they came
  // A response header by name without regard to case ("" when absent; repeated ones joined
  // with ", ").
  std::string responseHeader(std::string_view name) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::http
