#include "tests/support/http_server.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testing_support {

namespace {

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

struct Route {
  enum class Kind { Fixed, Handler, Redirect, Stall, Trickle } kind = Kind::Fixed;
  HttpReply reply;
  HttpHandler handler;
  std::string location;
  std::string first;
  std::size_t announced = 0;
  std::chrono::milliseconds hold{0};  // stall: the silence; trickle: the pause
  std::size_t chunk = 0;
};

struct Mount {
  std::string prefix;
  std::filesystem::path dir;
};

struct Auth {
  std::string prefix;
  std::string expected;  // the whole Authorization header value
};

// A self-signed certificate for 127.0.0.1, made fresh for each server.
struct SelfSigned {
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  SelfSigned() {
    key = EVP_EC_gen("P-256");
    cert = X509_new();
    if (!key || !cert) throw std::runtime_error("cannot make a test certificate");
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                               -1, -1, 0);
    X509_set_issuer_name(cert, name);
    if (X509_sign(cert, key, EVP_sha256()) == 0) throw std::runtime_error("cannot sign a test certificate");
  }
  ~SelfSigned() {
    X509_free(cert);
    EVP_PKEY_free(key);
  }
};

}  // namespace

std::string HttpRequestRecord::header(std::string_view name) const {
  std::string wanted = lowerAscii(name);
  for (const auto& [n, v] : headers)
    if (lowerAscii(n) == wanted) return v;
  return {};
}

std::string base64(std::string_view bytes) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                 (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
    out += table[(v >> 18) & 63];
    out += table[(v >> 12) & 63];
    out += table[(v >> 6) & 63];
    out += table[v & 63];
  }
  if (i + 1 == bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += table[(v >> 18) & 63];
    out += table[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    unsigned v =
        (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    out += table[(v >> 18) & 63];
    out += table[(v >> 12) & 63];
    out += table[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string HttpServer::defaultNotFoundBody() {
  return "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n<title>404 Not Found</title>\n"
         "</head><body>\n<h1>Not Found</h1>\n<p>The requested URL was not found on this server.</p>\n"
         "</body></html>\n";
}

struct HttpServer::Impl {
  std::unique_ptr<httplib::Server> server;
  std::thread thread;
  int port = -1;
  bool tls = false;

  mutable std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  std::map<std::string, Route> routes;
  std::vector<Mount> mounts;
  std::vector<Auth> auths;
  std::string notFound = defaultNotFoundBody();
  std::map<std::string, int> counts;
  int total = 0;
  std::map<std::string, HttpRequestRecord> lastByPath;
  std::optional<HttpRequestRecord> last;

  void handle(const httplib::Request& req, httplib::Response& res);
  void serveStall(const Route& route, httplib::Response& res);
  void serveTrickle(const Route& route, httplib::Response& res);
  bool serveFile(const Mount& mount, const std::string& path, httplib::Response& res);
};

void HttpServer::Impl::handle(const httplib::Request& req, httplib::Response& res) {
  HttpRequestRecord rec;
  rec.method = req.method;
  rec.path = req.path;
  if (auto q = req.target.find('?'); q != std::string::npos) rec.query = req.target.substr(q + 1);
  for (const auto& [n, v] : req.headers) rec.headers.emplace_back(n, v);
  rec.body = req.body;

  std::optional<Route> route;
  std::optional<Mount> mount;
  std::string expectedAuth, notFoundBody;
  {
    std::lock_guard lock(mutex);
    ++counts[rec.path];
    ++total;
    last = rec;
    lastByPath[rec.path] = rec;
    std::size_t best = 0;
    for (const auto& a : auths)
      if (startsWith(rec.path, a.prefix) && a.prefix.size() >= best) {
        best = a.prefix.size();
        expectedAuth = a.expected;
      }
    if (auto it = routes.find(rec.path); it != routes.end()) route = it->second;
    best = 0;
    for (const auto& m : mounts)
      if (startsWith(rec.path, m.prefix) && m.prefix.size() >= best) {
        best = m.prefix.size();
        mount = m;
      }
    notFoundBody = notFound;
  }

  if (!expectedAuth.empty() && rec.header("Authorization") != expectedAuth) {
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"zov\"");
    res.set_content("401 Unauthorized", "text/plain");
    return;
  }
  if (route) {
    switch (route->kind) {
      case Route::Kind::Fixed:
      case Route::Kind::Handler: {
        HttpReply reply = route->kind == Route::Kind::Fixed ? route->reply : route->handler(rec);
        res.status = reply.status;
        for (const auto& [n, v] : reply.headers) res.set_header(n, v);
        res.set_content(reply.body, reply.contentType);
        return;
      }
      case Route::Kind::Redirect:
        res.set_redirect(route->location, route->reply.status);
        return;
      case Route::Kind::Stall:
        serveStall(*route, res);
        return;
      case Route::Kind::Trickle:
        serveTrickle(*route, res);
        return;
    }
  }
  if (mount && serveFile(*mount, rec.path, res)) return;
  res.status = 404;
  res.set_content(notFoundBody, "text/html");
}

void HttpServer::Impl::serveStall(const Route& route, httplib::Response& res) {
  std::string first = route.first;
  auto hold = route.hold;
  res.set_content_provider(route.announced, "application/octet-stream",
                           [this, first, hold](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                             if (offset == 0 && !first.empty()) sink.write(first.data(), first.size());
                             // Silence, bounded so that stopping the server ends it.
                             std::unique_lock lock(mutex);
                             wake.wait_for(lock, hold, [this] { return stopping; });
                             return false;  // drops the connection
                           });
}

void HttpServer::Impl::serveTrickle(const Route& route, httplib::Response& res) {
  auto body = std::make_shared<std::string>(route.reply.body);
  std::size_t chunk = std::max<std::size_t>(1, route.chunk);
  auto pause = route.hold;
  res.set_content_provider(
      body->size(), "application/octet-stream",
      [this, body, chunk, pause](std::size_t offset, std::size_t, httplib::DataSink& sink) {
        if (offset > 0) {
          std::unique_lock lock(mutex);
          if (wake.wait_for(lock, pause, [this] { return stopping; })) return false;
        }
        std::size_t n = std::min(chunk, body->size() - offset);
        return sink.write(body->data() + offset, n);
      });
}

bool HttpServer::Impl::serveFile(const Mount& mount, const std::string& path, httplib::Response& res) {
  std::filesystem::path file = mount.dir;
  std::string rest = path.substr(mount.prefix.size());
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t j = rest.find('/', i);
    if (j == std::string::npos) j = rest.size();
    std::string comp = rest.substr(i, j - i);
    if (comp == "..") return false;  // never above the served folder
    if (!comp.empty() && comp != ".") file /= comp;
    i = j + 1;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  res.status = 200;
  res.set_content(bytes.str(), file.extension() == ".txt" ? "text/plain" : "application/octet-stream");
  return true;
}

HttpServer::HttpServer(bool tls) : impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  m.tls = tls;
  if (tls) {
    SelfSigned cert;
    m.server = std::make_unique<httplib::SSLServer>(cert.cert, cert.key);
  } else {
    m.server = std::make_unique<httplib::Server>();
  }
  if (!m.server->is_valid()) throw std::runtime_error("test HTTP server cannot be set up");
  httplib::Server::Handler handler = [&m](const httplib::Request& req, httplib::Response& res) {
    m.handle(req, res);
  };
  m.server->Get(".*", handler);
  m.server->Post(".*", handler);
  m.server->Put(".*", handler);
  m.server->Patch(".*", handler);
  m.server->Delete(".*", handler);
  m.server->Options(".*", handler);
  // Short waits for idle connections, so that stopping never waits long.
  m.server->set_keep_alive_timeout(1);
  m.port = m.server->bind_to_any_port("127.0.0.1");
  if (m.port <= 0) throw std::runtime_error("test HTTP server cannot bind to a loopback port");
  m.thread = std::thread([&m] { m.server->listen_after_bind(); });
  // Stopping works only once the server runs; wait for it (bounded: a broken start must fail).
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!m.server->is_running() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!m.server->is_running()) {
    // The thread cannot be joined nor left running on a dying object: end the test run.
    std::fprintf(stderr, "test HTTP server did not start\n");
    std::abort();
  }
}

HttpServer::~HttpServer() {
  stop();
}

void HttpServer::stop() {
  Impl& m = *impl_;
  {
    std::lock_guard lock(m.mutex);
    m.stopping = true;
  }
  m.wake.notify_all();
  if (m.thread.joinable()) {
    m.server->stop();
    m.thread.join();
  }
}

int HttpServer::port() const {
  return impl_->port;
}

std::string HttpServer::baseUrl() const {
  return std::string(impl_->tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(impl_->port);
}

void HttpServer::serveFiles(const std::filesystem::path& hostDir, const std::string& urlPrefix) {
  std::lock_guard lock(impl_->mutex);
  impl_->mounts.push_back(Mount{urlPrefix, hostDir});
}

void HttpServer::setResponse(const std::string& path, int status, std::string body, std::string contentType) {
  Route r;
  r.kind = Route::Kind::Fixed;
  r.reply.status = status;
  r.reply.body = std::move(body);
  r.reply.contentType = std::move(contentType);
  std::lock_guard lock(impl_->mutex);
  impl_->routes[path] = std::move(r);
}

void HttpServer::setHandler(const std::string& path, HttpHandler handler) {
  Route r;
  r.kind = Route::Kind::Handler;
  r.handler = std::move(handler);
  std::lock_guard lock(impl_->mutex);
  impl_->routes[path] = std::move(r);
}

void HttpServer::setRedirect(const std::string& path, const std::string& location, int status) {
  Route r;
  r.kind = Route::Kind::Redirect;
  r.location = location;
  r.reply.status = status;
  std::lock_guard lock(impl_->mutex);
  impl_->routes[path] = std::move(r);
}

void HttpServer::requireBasicAuth(const std::string& pathPrefix, const std::string& user,
                                  const std::string& password) {
  std::lock_guard lock(impl_->mutex);
  impl_->auths.push_back(Auth{pathPrefix, "Basic " + base64(user + ":" + password)});
}

void HttpServer::setStall(const std::string& path, std::string firstBytes, std::size_t announcedLength,
                          std::chrono::milliseconds hold) {
  Route r;
  r.kind = Route::Kind::Stall;
  r.first = std::move(firstBytes);
  r.announced = announcedLength;
  r.hold = hold;
  std::lock_guard lock(impl_->mutex);
  impl_->routes[path] = std::move(r);
}

void HttpServer::setTrickle(const std::string& path, std::string body, std::size_t chunkSize,
                            std::chrono::milliseconds interval) {
  Route r;
  r.kind = Route::Kind::Trickle;
  r.reply.body = std::move(body);
  r.chunk = chunkSize;
  r.hold = interval;
  std::lock_guard lock(impl_->mutex);
  impl_->routes[path] = std::move(r);
}

void HttpServer::setNotFoundBody(std::string body) {
  std::lock_guard lock(impl_->mutex);
  impl_->notFound = std::move(body);
}

int HttpServer::requestCount(const std::string& path) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->counts.find(path);
  return it == impl_->counts.end() ? 0 : it->second;
}

int HttpServer::totalRequests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->total;
}

std::optional<HttpRequestRecord> HttpServer::lastRequest(const std::string& path) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->lastByPath.find(path);
  if (it == impl_->lastByPath.end()) return std::nullopt;
  return it->second;
}

std::optional<HttpRequestRecord> HttpServer::lastRequest() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->last;
}

}  // namespace testing_support
