#pragma once
// A small HTTP server on the loopback interface for tests: it answers each request from a table of paths, and
// holds requests for "/hang" open without answering until it stops.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velk::test {

class TLoopbackHttp {
 public:
  // Every answer is sent as it stands (status line, headers and body), then the connection closes.
  explicit TLoopbackHttp(std::map<std::string, std::string> answers);
  ~TLoopbackHttp();
  int Port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // The request lines received so far.
  std::vector<std::string> Requests();

  // "HTTP/1.0 200 OK" with a length and the body.
  static std::string Ok(const std::string& body);

 private:
  void serve();

  std::map<std::string, std::string> answers_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace velk::test
