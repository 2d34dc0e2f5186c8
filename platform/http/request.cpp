#include "platform/http/request.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/text.h"

namespace platform::http {

namespace {

std::atomic<long long> gConnectMs{20000};
std::atomic<long long> gStallMs{60000};

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
      throw core::RuntimeFailure("the HTTP component cannot be started");
  });
}

bool isTokenChar(char c) {
  auto b = static_cast<unsigned char>(c);
  if (b <= 0x20 || b >= 0x7F) return false;
  return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

// Credentials stay out of messages.
std::string shownUrl(std::string_view url) {
  std::string u(url);
  std::size_t scheme = u.find("://");
  if (scheme == std::string::npos) return u;
  std::size_t hostStart = scheme + 3;
  std::size_t end = u.find_first_of("/?#", hostStart);
  std::size_t at = u.rfind('@', end == std::string::npos ? u.size() : end);
  if (at != std::string::npos && at >= hostStart) u.replace(hostStart, at - hostStart, "***");
  return u;
}

// Blanks and bytes beyond ASCII are sent percent-encoded; the program's Windows-1252 text
// goes out as UTF-8, as the Windows component sends it.
std::optional<std::string> encodeUrl(std::string_view url) {
  std::string utf8 = core::toUtf8(url);
  std::string out;
  static const char hex[] = "0123456789ABCDEF";
  for (char c : utf8) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return std::nullopt;  // control characters: no URL
    if (b == ' ' || b >= 0x80) {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

std::string trimmed(std::string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r' || s[a] == '\n')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r' || s[b - 1] == '\n')) --b;
  return std::string(s.substr(a, b - a));
}

bool validUtf8(std::string_view s, bool& multiByte) {
  multiByte = false;
  for (std::size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80             ? 1
                      : (b & 0xE0) == 0xC0 ? 2
                      : (b & 0xF0) == 0xE0 ? 3
                      : (b & 0xF8) == 0xF0 ? 4
                                           : 0;
    if (len == 0 || i + len > s.size() || (len == 2 && b < 0xC2)) return false;
    for (std::size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    if (len > 1) multiByte = true;
    i += len;
  }
  return true;
}

struct CurlSlist {
  curl_slist* list = nullptr;
  ~CurlSlist() { curl_slist_free_all(list); }
  void add(const std::string& line) {
    curl_slist* next = curl_slist_append(list, line.c_str());
    if (!next) throw core::RuntimeFailure("out of memory for HTTP headers");
    list = next;
  }
};

// Bodies announced larger than this are not reserved up front; they still arrive whole.
constexpr std::size_t kMaxReserve = std::size_t(512) << 20;

}  // namespace

void setTimeouts(Timeouts t) {
  gConnectMs = std::max<long long>(1, t.connect.count());
  gStallMs = std::max<long long>(1, t.stall.count());
}

Timeouts timeouts() {
  return Timeouts{std::chrono::milliseconds(gConnectMs.load()), std::chrono::milliseconds(gStallMs.load())};
}

struct Request::Impl {
  CURL* curl = nullptr;
  int state = 0;
  std::string method;
  std::string url;  // encoded, as sent
  std::string user, password;
  std::vector<std::pair<std::string, std::string>> requestHeaders;

  long status = 0;
  std::string statusText;
  std::vector<std::pair<std::string, std::string>> responseHeaders;
  std::string body;
  bool receiveFailed = false;
  bool stalled = false;
  char errorText[CURL_ERROR_SIZE] = {};

  // Stall watch: the time of the last byte moved in either direction.
  std::chrono::steady_clock::time_point lastProgress;
  curl_off_t lastDown = 0, lastUp = 0;
  std::chrono::milliseconds stallLimit{60000};

  Impl() {
    globalInit();
    curl = curl_easy_init();
    if (!curl) throw core::RuntimeFailure("the HTTP component cannot create a request");
  }
  ~Impl() { curl_easy_cleanup(curl); }

  void requireAnswer() const {
    if (state != 4) throw core::RuntimeFailure("the HTTP answer is not available yet");
  }

  static std::size_t onBody(char* data, std::size_t size, std::size_t n, void* self) {
    auto* impl = static_cast<Impl*>(self);
    try {
      impl->body.append(data, size * n);
    } catch (...) {
      impl->receiveFailed = true;
      return 0;  // ends the transfer with an error
    }
    return size * n;
  }

  static std::size_t onHeader(char* data, std::size_t size, std::size_t n, void* self) {
    auto* impl = static_cast<Impl*>(self);
    std::string_view line(data, size * n);
    try {
      if (line.substr(0, 5) == "HTTP/") {
        // A new answer (after a redirect or "100 Continue"): only the last one counts.
        impl->responseHeaders.clear();
        std::string status = trimmed(line);
        std::size_t sp1 = status.find(' ');
        std::size_t sp2 = sp1 == std::string::npos ? std::string::npos : status.find(' ', sp1 + 1);
        impl->statusText = sp2 == std::string::npos ? std::string() : status.substr(sp2 + 1);
      } else if (std::size_t colon = line.find(':'); colon != std::string_view::npos) {
        std::string name = trimmed(line.substr(0, colon));
        std::string value = trimmed(line.substr(colon + 1));
        if (lowerAscii(name) == "content-length") {
          char* end = nullptr;
          unsigned long long len = std::strtoull(value.c_str(), &end, 10);
          if (end && *end == '\0' && len <= kMaxReserve) impl->body.reserve(static_cast<std::size_t>(len));
        }
        impl->responseHeaders.emplace_back(std::move(name), std::move(value));
      }
    } catch (...) {
      impl->receiveFailed = true;
      return 0;
    }
    return size * n;
  }

  // Ends the transfer when no byte moved for the stall time; libcurl calls this at least
  // about once a second, also while nothing arrives.
  static int onProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* impl = static_cast<Impl*>(self);
    auto now = std::chrono::steady_clock::now();
    if (dlnow != impl->lastDown || ulnow != impl->lastUp) {
      impl->lastDown = dlnow;
      impl->lastUp = ulnow;
      impl->lastProgress = now;
      return 0;
    }
    if (now - impl->lastProgress >= impl->stallLimit) {
      impl->stalled = true;
      return 1;
    }
    return 0;
  }

  [[noreturn]] void fail(const std::string& what) const {
    throw core::RuntimeFailure("HTTP " + method + " " + shownUrl(url) + ": " + what);
  }
};

Request::Request() : impl_(std::make_unique<Impl>()) {}
Request::~Request() = default;
Request::Request(Request&&) noexcept = default;
Request& Request::operator=(Request&&) noexcept = default;

void Request::open(std::string_view method, std::string_view url, bool async, std::string_view user,
                   std::string_view password) {
  Impl& m = *impl_;
  std::string verb = core::upper(method);
  static const char* const kMethods[] = {"GET", "HEAD", "POST", "PUT", "DELETE", "PATCH", "OPTIONS"};
  if (std::find(std::begin(kMethods), std::end(kMethods), verb) == std::end(kMethods))
    throw core::RuntimeFailure("HTTP method not supported: " + std::string(method) + " for " + shownUrl(url));
  if (async) throw core::RuntimeFailure("asynchronous HTTP requests are not supported: " + shownUrl(url));

  auto encoded = encodeUrl(url);
  bool ok = encoded.has_value();
  if (ok) {
    // The URL must be absolute http or https with a host.
    CURLU* u = curl_url();
    ok = u && curl_url_set(u, CURLUPART_URL, encoded->c_str(), 0) == CURLUE_OK;
    char* scheme = nullptr;
    char* host = nullptr;
    if (ok) ok = curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK;
    if (ok) ok = curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host;
    if (ok) ok = lowerAscii(scheme) == "http" || lowerAscii(scheme) == "https";
    curl_free(scheme);
    curl_free(host);
    curl_url_cleanup(u);
  }
  if (!ok) throw core::RuntimeFailure("malformed URL: " + shownUrl(url));

  m.method = verb;
  m.url = *encoded;
  m.user = std::string(user);
  m.password = std::string(password);
  m.requestHeaders.clear();
  m.status = 0;
  m.statusText.clear();
  m.responseHeaders.clear();
  m.body.clear();
  m.state = 1;
}

void Request::setRequestHeader(std::string_view name, std::string_view value) {
  Impl& m = *impl_;
  if (m.state != 1) throw core::RuntimeFailure("HTTP request header set before open or after send");
  bool ok = !name.empty() && std::all_of(name.begin(), name.end(), isTokenChar);
  for (char c : value)
    if (c == '\r' || c == '\n' || c == '\0') ok = false;  // one header must not become two
  if (!ok) throw core::RuntimeFailure("invalid HTTP request header: " + std::string(name));
  m.requestHeaders.emplace_back(std::string(name), std::string(value));
}

void Request::send(std::optional<std::string_view> body) {
  Impl& m = *impl_;
  if (m.state != 1) throw core::RuntimeFailure("HTTP request sent without open");
  CURL* c = m.curl;
  curl_easy_reset(c);
  m.status = 0;
  m.statusText.clear();
  m.responseHeaders.clear();
  m.body.clear();
  m.receiveFailed = false;
  m.stalled = false;
  m.errorText[0] = '\0';
  m.stallLimit = std::chrono::milliseconds(gStallMs.load());
  m.lastProgress = std::chrono::steady_clock::now();
  m.lastDown = m.lastUp = 0;

  std::string payload;
  bool hasBody = body.has_value() && m.method != "GET" && m.method != "HEAD";
  if (hasBody) payload = std::string(*body);

  CurlSlist headers;
  bool hasContentType = false;
  for (const auto& [name, value] : m.requestHeaders) {
    if (lowerAscii(name) == "content-type") hasContentType = true;
    // "Name;" is libcurl's way of sending a header with an empty value.
    headers.add(value.empty() ? name + ";" : name + ": " + value);
  }
  headers.add("Expect:");  // no waiting for "100 Continue" before large bodies
  if (hasBody && !hasContentType) headers.add("Content-Type: text/plain; charset=windows-1252");

  curl_easy_setopt(c, CURLOPT_URL, m.url.c_str());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m.errorText);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(gConnectMs.load()));
  // A stall, not a slow line, ends the request: no byte for the stall time (watched by
  // onProgress; libcurl's own low-speed check is the backstop). There is deliberately no
  // limit on the total time, so large files arrive however long they take.
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Impl::onProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &m);
  long stallSeconds = static_cast<long>((gStallMs.load() + 999) / 1000);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stallSeconds);
#ifdef _WIN32
  curl_easy_setopt(c, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
#endif
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.list);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Impl::onBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &m);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &m);
  if (!m.user.empty() || !m.password.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, m.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, m.password.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
  }

  if (m.method == "HEAD") {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  } else if (m.method == "POST") {
    curl_easy_setopt(c, CURLOPT_POST, 1L);
  } else if (m.method != "GET") {
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, m.method.c_str());
  }
  if (m.method != "GET" && m.method != "HEAD") {
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, payload.data());
  }

  CURLcode rc = curl_easy_perform(c);
  // The header list and the body live on this stack frame; libcurl must not keep them.
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
  if (rc != CURLE_OK) {
    std::string why = m.receiveFailed ? std::string("the answer could not be stored")
                      : m.stalled     ? "the server stopped sending (nothing for " +
                                        std::to_string(m.stallLimit.count()) + " ms)"
                      : m.errorText[0] ? std::string(m.errorText)
                                       : std::string(curl_easy_strerror(rc));
    m.body.clear();
    m.body.shrink_to_fit();
    m.fail(why);
  }
  long code = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
  m.status = code;
  m.state = 4;
}

int Request::readyState() const {
  return impl_->state;
}

long Request::status() const {
  impl_->requireAnswer();
  return impl_->status;
}

std::string Request::statusText() const {
  impl_->requireAnswer();
  return impl_->statusText;
}

std::string Request::responseText() const {
  impl_->requireAnswer();
  const std::string& b = impl_->body;
  std::string type = lowerAscii(responseHeader("Content-Type"));
  std::size_t cs = type.find("charset=");
  std::string charset;
  if (cs != std::string::npos) {
    charset = type.substr(cs + 8);
    charset = charset.substr(0, charset.find_first_of("; "));
    charset.erase(std::remove(charset.begin(), charset.end(), '"'), charset.end());
  }
  if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0)
    return core::fromUtf8(std::string_view(b).substr(3));
  if (charset == "utf-8" || charset == "utf8") return core::fromUtf8(b);
  if (!charset.empty()) return b;
  bool multiByte = false;
  if (validUtf8(b, multiByte) && multiByte) return core::fromUtf8(b);
  return b;
}

const std::string& Request::responseBody() const {
  impl_->requireAnswer();
  return impl_->body;
}

std::string Request::responseHeader(std::string_view name) const {
  impl_->requireAnswer();
  std::string wanted = lowerAscii(name);
  std::string out;
  for (const auto& [n, v] : impl_->responseHeaders) {
    if (lowerAscii(n) != wanted) continue;
    if (!out.empty()) out += ", ";
    out += v;
  }
  return out;
}

}  // namespace platform::http
