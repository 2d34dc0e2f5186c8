// Texts and files from the update server. Every request is a synchronous GET; a failed
// request (no answer, refused, stalled, an HTTP status outside 200-299, the server's
// not-found page) gives the empty result and the callers decide what to report.
#pragma once

#include <memory>
#include <string>

namespace platform::http {
class Request;
}

namespace net {

// A new request object (the platform's HTTP component).
std::unique_ptr<platform::http::Request> XHTTP();

std::string XHTTP_READ_TEXT(const std::string& url);
// The body as bytes. URLs on the update server ending in ".exe" are fetched as split files.
std::string XHTTP_READ_FILE(const std::string& url, const std::string& user = "",
                            const std::string& password = "");
// Joins the parts url + "D/part.001", "…002", … (part 1 starts with a 10-character length
// header) and checks the joined length against it.
std::string XHTTP_READ_EXE(const std::string& url, const std::string& user = "",
                           const std::string& password = "");

}  // namespace net
