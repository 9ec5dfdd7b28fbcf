#include "platform/http_get.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace velk {

namespace {

using TClock = std::chrono::steady_clock;

// The waits are cut into slices so that the cancel flag is seen quickly.
constexpr int kSliceMs = 50;
// Status line and headers together.
constexpr size_t kMaxHead = 64 * 1024;

struct TAddress {
  std::string Host;
  std::string Port = "80";
  std::string Path = "/";
};

bool parse_url(const std::string& url, TAddress& a) {
  constexpr size_t kScheme = 7;  // "http://"
  if (url.size() <= kScheme || strncasecmp(url.c_str(), "http://", kScheme) != 0) return false;
  const size_t slash = url.find('/', kScheme);
  std::string authority = url.substr(kScheme, slash == std::string::npos ? std::string::npos : slash - kScheme);
  if (slash != std::string::npos) a.Path = url.substr(slash);
  // Credentials are not sent.
  if (const size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
  const size_t colon = authority.rfind(':');
  a.Host = authority.substr(0, colon);
  if (colon != std::string::npos) a.Port = authority.substr(colon + 1);
  if (a.Host.empty() || a.Port.empty() || a.Port.size() > 5) return false;
  for (char c : a.Port) {
    if (c < '0' || c > '9') return false;
  }
  // Request-line injection: no controls or spaces in what goes into the request.
  for (char c : a.Path + a.Host) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
  }
  return true;
}

class TSocket {
 public:
  ~TSocket() {
    if (fd_ >= 0) close(fd_);
  }
  bool Connect(const TAddress& a, const std::atomic<bool>& cancel, TClock::time_point deadline);
  bool SendAll(const std::string& data, const std::atomic<bool>& cancel, TClock::time_point deadline);
  // Appends what arrives until the peer closes; false on error, timeout, cancel or more than limit bytes.
  bool ReceiveAll(std::string& into, size_t limit, const std::atomic<bool>& cancel, TClock::time_point deadline);

 private:
  // Waits for the events in slices; false on timeout or cancel.
  bool wait(short events, const std::atomic<bool>& cancel, TClock::time_point deadline) const;
  int fd_ = -1;
};

bool TSocket::wait(short events, const std::atomic<bool>& cancel, TClock::time_point deadline) const {
  for (;;) {
    if (cancel.load() || TClock::now() >= deadline) return false;
    pollfd p{fd_, events, 0};
    const int n = poll(&p, 1, kSliceMs);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

bool TSocket::Connect(const TAddress& a, const std::atomic<bool>& cancel, TClock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(a.Host.c_str(), a.Port.c_str(), &hints, &list) != 0) return false;
  bool connected = false;
  for (addrinfo* ai = list; ai && !connected; ai = ai->ai_next) {
    if (fd_ >= 0) close(fd_);
    fd_ = socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd_ < 0) continue;
    if (connect(fd_, ai->ai_addr, ai->ai_addrlen) == 0) {
      connected = true;
    } else if (errno == EINPROGRESS && wait(POLLOUT, cancel, deadline)) {
      int error = 0;
      socklen_t len = sizeof error;
      connected = getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
    }
  }
  freeaddrinfo(list);
  return connected;
}

bool TSocket::SendAll(const std::string& data, const std::atomic<bool>& cancel, TClock::time_point deadline) {
  size_t sent = 0;
  while (sent < data.size()) {
    if (!wait(POLLOUT, cancel, deadline)) return false;
    const ssize_t n = send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool TSocket::ReceiveAll(std::string& into, size_t limit, const std::atomic<bool>& cancel,
                         TClock::time_point deadline) {
  char buffer[16384];
  for (;;) {
    if (!wait(POLLIN, cancel, deadline)) return false;
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    if (static_cast<size_t>(n) > limit - into.size()) return false;
    into.append(buffer, static_cast<size_t>(n));
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

struct TAnswer {
  int Status = 0;
  std::string Location;
  bool HasLength = false;
  size_t Length = 0;
  size_t BodyStart = 0;
};

bool parse_head(const std::string& data, TAnswer& answer) {
  const size_t end = data.find("\r\n\r\n");
  if (end == std::string::npos || end > kMaxHead) return false;
  answer.BodyStart = end + 4;
  size_t line_end = data.find("\r\n");
  const std::string status = data.substr(0, line_end);
  if (status.size() < 12 || status.compare(0, 7, "HTTP/1.") != 0 || status[8] != ' ') return false;
  for (size_t i = 9; i < 12; ++i) {
    if (status[i] < '0' || status[i] > '9') return false;
  }
  answer.Status = std::atoi(status.substr(9, 3).c_str());
  for (size_t pos = line_end + 2; pos < end; pos = line_end + 2) {
    line_end = data.find("\r\n", pos);
    const std::string line = data.substr(pos, line_end - pos);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = lower(trim(line.substr(0, colon)));
    const std::string value = trim(line.substr(colon + 1));
    if (name == "location") {
      answer.Location = value;
    } else if (name == "content-length") {
      if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != std::string::npos)
        return false;
      answer.HasLength = true;
      answer.Length = static_cast<size_t>(std::strtoull(value.c_str(), nullptr, 10));
    }
  }
  return true;
}

// A redirect target: absolute, or a path on the same server.
std::string resolve(const TAddress& from, const std::string& location) {
  if (!location.empty() && location[0] == '/') return "http://" + from.Host + ":" + from.Port + location;
  return location;
}

}  // namespace

bool HttpGet(const std::string& url, std::string& body, const std::atomic<bool>& cancel, const THttpLimits& limits) {
  body.clear();
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(limits.TimeoutMs);
  std::string target = url;
  for (int32_t hop = 0; hop <= limits.MaxRedirects; ++hop) {
    TAddress address;
    if (!parse_url(target, address)) return false;
    TSocket socket;
    if (!socket.Connect(address, cancel, deadline)) return false;
    const std::string host = address.Port == "80" ? address.Host : address.Host + ":" + address.Port;
    const std::string request =
        "GET " + address.Path + " HTTP/1.0\r\nHost: " + host + "\r\nConnection: close\r\nAccept: */*\r\n\r\n";
    if (!socket.SendAll(request, cancel, deadline)) return false;
    std::string data;
    if (!socket.ReceiveAll(data, kMaxHead + limits.MaxBody, cancel, deadline)) return false;
    TAnswer answer;
    if (!parse_head(data, answer)) return false;
    if (answer.Status >= 300 && answer.Status < 400 && !answer.Location.empty()) {
      target = resolve(address, answer.Location);
      continue;
    }
    if (answer.Status < 200 || answer.Status >= 300) return false;
    const size_t received = data.size() - answer.BodyStart;
    if (received > limits.MaxBody) return false;
    // A body shorter than announced was cut off.
    if (answer.HasLength && received < answer.Length) return false;
    body = data.substr(answer.BodyStart, answer.HasLength ? answer.Length : std::string::npos);
    return true;
  }
  return false;
}

}  // namespace velk
