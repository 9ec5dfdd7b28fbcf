#include "platform/http_get.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/loopback_http.h"

namespace velk {
namespace {

TEST(HttpGet, FetchesFollowsRedirectsAndRefusesWhatIsNotAWholeAnswer) {
  test::TLoopbackHttp server({
      {"/text", test::TLoopbackHttp::Ok("hello\r\nworld")},
      {"/moved", "HTTP/1.0 302 Found\r\nLocation: /text\r\n\r\n"},
      {"/loop", "HTTP/1.0 301 Moved\r\nLocation: /loop\r\n\r\n"},
      {"/nolength", "HTTP/1.0 200 OK\r\n\r\nto the end"},
      {"/cut", "HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\nshort"},
      {"/big", test::TLoopbackHttp::Ok(std::string(5000, 'x'))},
      {"/garbage", "hello there\r\n\r\n"},
  });
  std::atomic<bool> cancel{false};
  std::string body;
  EXPECT_TRUE(HttpGet(server.Url("/text"), body, cancel));
  EXPECT_EQ(body, "hello\r\nworld");
  EXPECT_EQ(server.Requests().at(0), "GET /text HTTP/1.0");
  EXPECT_TRUE(HttpGet(server.Url("/moved"), body, cancel));
  EXPECT_EQ(body, "hello\r\nworld");
  EXPECT_TRUE(HttpGet(server.Url("/nolength"), body, cancel));
  EXPECT_EQ(body, "to the end");

  THttpLimits small;
  small.MaxBody = 4096;
  for (const char* path : {"/loop", "/cut", "/big", "/garbage", "/missing"}) {
    body = "old";
    EXPECT_FALSE(HttpGet(server.Url(path), body, cancel, small)) << path;
    EXPECT_EQ(body, "") << path;
  }
  // Addresses that are not plain HTTP, or that would break the request line.
  for (const char* url : {"https://127.0.0.1/", "ftp://x/", "http://", "http://host:99999/", "http://a/b c"}) {
    EXPECT_FALSE(HttpGet(url, body, cancel)) << url;
  }
}

TEST(HttpGet, SilentServerEndsByTimeoutOrCancel) {
  test::TLoopbackHttp server({});
  std::atomic<bool> cancel{false};
  std::string body;
  THttpLimits quick;
  quick.TimeoutMs = 200;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(HttpGet(server.Url("/hang"), body, cancel, quick));
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancel = true;
  });
  EXPECT_FALSE(HttpGet(server.Url("/hang"), body, cancel));
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace velk
