#include "net/http_download.h"

#include <cstdio>
#include <new>

#include "core/text.h"
#include "net/server.h"
#include "platform/gui/boxes.h"
#include "platform/http/request.h"
#include "platform/thread/guard.h"

using namespace core::literals;

namespace net {

namespace {

constexpr long kRequestUnderWay = 10;

bool isNotFoundPage(const std::string& s) {
  return s.find("404") != std::string::npos && core::upper(s).find("NOT FOUND") != std::string::npos;
}

// One guarded GET. A status outside 200-299 is a failed request: an error page must never be
// taken for a manifest or installed as a program file.
std::string guardedGet(const std::string& url, const std::string& user, const std::string& password,
                       bool asText) {
  std::string result;
  auto request = XHTTP();
  if (!request) return result;
  platform::guarded(kRequestUnderWay, [&] {
    request->open("GET", url, false, user, password);
    request->send();
    long status = request->status();
    if (status < 200 || status > 299) return;
    result = asText ? request->responseText() : request->responseBody();
  });
  platform::setErrStat(0);
  return result;
}

}  // namespace

std::unique_ptr<platform::http::Request> XHTTP() {
  return std::make_unique<platform::http::Request>();
}

std::string XHTTP_READ_TEXT(const std::string& url) {
  std::string result = guardedGet(url, "", "", true);
  if (isNotFoundPage(result)) result.clear();
  return result;
}

std::string XHTTP_READ_FILE(const std::string& url, const std::string& user, const std::string& password) {
  std::string trimmed = core::rtrim(url);
  if (core::lower(core::right(trimmed, 4)) == ".exe" &&
      core::lower(url).find(updateServerHost()) != std::string::npos)
    return XHTTP_READ_EXE(url, user, password);
  std::string result = guardedGet(url, user, password, false);
  if (core::startsWith(result, "<!DOCTYPE") && isNotFoundPage(result)) result.clear();
  return result;
}

std::string XHTTP_READ_EXE(const std::string& url, const std::string& user, const std::string& password) {
  const std::string prefix = url + "D/part.";
  std::string result;
  double expected = 0;
  for (int n = 1; n <= 999; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", n);
    std::string part = XHTTP_READ_FILE(prefix + number, user, password);
    if (n == 1) {
      expected = core::val(core::left(part, 10));
      part = core::substr(part, 11);
      // Room for the whole file at once keeps the peak near one copy of it; a header that
      // asks for more than memory allows simply goes without.
      if (expected > 0 && expected < 4.0e9) {
        try {
          result.reserve(static_cast<std::size_t>(expected));
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
      }
    }
    if (part.empty()) break;
    result += part;
  }
  if (expected != static_cast<double>(result.size())) {
    platform::gui::messageBox("Längenfehler beim Download der Datei "_w + url);
    result.clear();
  }
  return result;
}

}  // namespace net
