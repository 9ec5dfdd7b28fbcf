#pragma once
// The HTTP client: a GET of an "http://" address over a socket (HTTP/1.0, so the answer ends with the connection),
// following a few redirects. Every wait is bounded and watches a cancel flag, so a caller can always stop it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velk {

struct THttpLimits {
  size_t MaxBody = size_t{16} << 20;  // a longer answer is a failure
  int32_t TimeoutMs = 30000;          // the whole request, redirects included
  int32_t MaxRedirects = 5;
};

// The body of a 2xx answer in body; false (body empty) for a malformed address, a network error, another status,
// a body over the limit or shorter than its announced length, a timeout, or when cancel is set.
bool HttpGet(const std::string& url, std::string& body, const std::atomic<bool>& cancel,
             const THttpLimits& limits = {});

}  // namespace velk
