#include "net/server.h"

#include <mutex>

#include "core/text.h"

#ifndef ZOV_UPDATE_SERVER_URL
#define ZOV_UPDATE_SERVER_URL "http://update.example.invalid"
#endif

namespace net {

namespace {
std::mutex& lock() {
  static std::mutex m;
  return m;
}
std::string& baseUrl() {
  static std::string url = ZOV_UPDATE_SERVER_URL;
  return url;
}
}  // namespace

std::string updateServerUrl() {
  std::lock_guard g(lock());
  return baseUrl();
}

void setUpdateServerUrl(const std::string& url) {
  std::lock_guard g(lock());
  baseUrl() = url;
  while (!baseUrl().empty() && baseUrl().back() == '/') baseUrl().pop_back();
}

std::string updateServerHost() {
  std::string url = core::lower(updateServerUrl());
  auto scheme = url.find("://");
  std::string rest = scheme == std::string::npos ? url : url.substr(scheme + 3);
  auto end = rest.find_first_of(":/");
  return end == std::string::npos ? rest : rest.substr(0, end);
}

std::string programUrl(const std::string& manifestName) {
  return updateServerUrl() + "/zov/program/" + core::replaceAll(manifestName, "\\", "/");
}

}  // namespace net
