#include "scene/velk_http.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "scene/base_list.h"
#include "support/loopback_http.h"

namespace velk {
namespace {

class VelkHttp : public ::testing::Test {
 protected:
  TVelkHttp* NewRequest(const std::string& name) {
    auto* h = dynamic_cast<TVelkHttp*>(scene.CreateComponent(VT_HTTP));
    h->SetName(name);
    h->OnPlayEnd = "p.ksb:done";
    return h;
  }
  // Frames until the request has ended (at most 10 s).
  void AwaitEnd(TVelkHttp& h) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (h.Running() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      scene.UpdateAll();
    }
    ASSERT_FALSE(h.Running());
  }
  std::string Text(const TVelkHttp& h) {
    TPropValue v;
    EXPECT_TRUE(h.GetProp(PR_TEXT, v));
    return v.S;
  }

  test::TLoopbackHttp server{{
      {"/address", test::TLoopbackHttp::Ok("")},
      {"/page", test::TLoopbackHttp::Ok("answer")},
  }};
  TVelkBaseList scene;
};

TEST_F(VelkHttp, AnswerIsReadAfterTheEndEventAndCanNameTheNextAddress) {
  TVelkHttp* first = NewRequest("first");
  // The first answer is the address of the second request.
  test::TLoopbackHttp chain({{"/where", test::TLoopbackHttp::Ok(server.Url("/page"))}});
  first->SetSource(chain.Url("/where"));
  EXPECT_EQ(Text(*first), "");
  // A second source while the request runs is ignored.
  first->SetSource(server.Url("/page"));
  AwaitEnd(*first);
  EXPECT_EQ(first->Source(), chain.Url("/where"));
  EXPECT_EQ(Text(*first), server.Url("/page"));
  ASSERT_EQ(scene.Events.Count(), 1);
  EXPECT_EQ(scene.Events.Item(0)->EventId, PR_ONPLAYEND);

  TVelkHttp* second = NewRequest("second");
  second->SetSource("!first");
  AwaitEnd(*second);
  EXPECT_EQ(Text(*second), "answer");

  // A failure ends the request with an empty answer and the same event.
  TVelkHttp* failed = NewRequest("failed");
  failed->SetSource(server.Url("/nothing-here"));
  AwaitEnd(*failed);
  EXPECT_EQ(Text(*failed), "");
  EXPECT_EQ(scene.Events.Count(), 3);
}

TEST_F(VelkHttp, DestroyingARunningRequestStopsItsWorker) {
  TVelkHttp* h = NewRequest("slow");
  h->SetSource(server.Url("/hang"));
  const auto start = std::chrono::steady_clock::now();
  while (server.Requests().empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(h->Running());
  scene.DestroyObject(h);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(scene.Events.Count(), 0);
}

}  // namespace
}  // namespace velk
