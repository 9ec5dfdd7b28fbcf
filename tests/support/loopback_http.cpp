#include "support/loopback_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace velk::test {

TLoopbackHttp::TLoopbackHttp(std::map<std::string, std::string> answers) : answers_(std::move(answers)) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 16) != 0 ||
      getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    throw std::runtime_error("loopback server: no socket");
  }
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { serve(); });
}

TLoopbackHttp::~TLoopbackHttp() {
  stop_ = true;
  thread_.join();
  close(fd_);
}

std::vector<std::string> TLoopbackHttp::Requests() {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

std::string TLoopbackHttp::Ok(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

void TLoopbackHttp::serve() {
  std::vector<int> held;
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    const int c = accept(fd_, nullptr, nullptr);
    if (c < 0) continue;
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd q{c, POLLIN, 0};
      if (poll(&q, 1, 2000) <= 0) break;
      const ssize_t n = recv(c, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    {
      std::lock_guard<std::mutex> lock(mu_);
      requests_.push_back(line);
    }
    const size_t sp = line.find(' ');
    const std::string path = sp == std::string::npos ? "" : line.substr(sp + 1, line.find(' ', sp + 1) - sp - 1);
    if (path == "/hang") {
      held.push_back(c);
      continue;
    }
    auto it = answers_.find(path);
    const std::string answer = it != answers_.end() ? it->second : "HTTP/1.0 404 Not Found\r\n\r\nno";
    for (size_t sent = 0; sent < answer.size();) {
      const ssize_t n = send(c, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    close(c);
  }
  for (int c : held) close(c);
}

}  // namespace velk::test
