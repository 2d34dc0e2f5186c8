// The update server built into the program. Its base URL is fixed at build time
// (ZOV_UPDATE_SERVER_URL); tests and the demo point it at their loopback server.
#pragma once

#include <string>

namespace net {

std::string updateServerUrl();   // "http://host[:port]" without a trailing slash
std::string updateServerHost();  // the host name in lower case
void setUpdateServerUrl(const std::string& baseUrl);
// Base URL + "/zov/program/" + a manifest name with backslashes turned into slashes.
std::string programUrl(const std::string& manifestName);

}  // namespace net
