#include "collector/feed_access.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "collector/collection_run.h"
#include "tests/support/fake_main_window.h"
#include "tests/support/http_test_server.h"
#include "tests/support/scratch_directory.h"

namespace feed {
namespace {

using namespace std::chrono_literals;

// The run with the real web request and wait, against the local test
// server. Each fetch may go to a path of its own; the replies are kept.
class FeedAccessTest : public TestServerTest {
 protected:
  FeedAccess Access(std::vector<std::string> paths) {
    FeedAccess access = ProductFeedAccess();
    auto real = access.fetch;
    access.fetch = [this, paths, real](const Text&, const Text& body,
                                       Text& cookies, Text& statusText,
                                       const StopSignal& stop) {
      size_t n = std::min(replies_.size(), paths.size() - 1);
      Text reply = real(TestServerUrl(paths[n]), body, cookies, statusText, stop);
      replies_.push_back(reply);
      statuses_.push_back(statusText);
      return reply;
    };
    return access;
  }
  void RunWith(const FeedAccess& access) {
    CollectionRun(window_, records_, access, lock_, stop_);
  }

  ScratchDirectory dir_;
  FakeMainWindow window_;
  RecordHandling records_{window_, dir_.path()};
  std::mutex lock_;
  StopSignal stop_;
  std::vector<Text> replies_;
  std::vector<Text> statuses_;
};

TEST_F(FeedAccessTest, PostsTheBodyAndCarriesCookiesWithinARun) {
  window_.TypeEditText(EditBox::编辑框_采集次数, "3");
  window_.TypeEditText(EditBox::编辑框_采集延时, "0");
  RunWith(Access({"/echo", "/set-cookie", "/cookie-echo"}));
  ASSERT_EQ(replies_.size(), 3u);
  std::string echo(replies_[0].view());
  EXPECT_EQ(echo.rfind("POST /echo HTTP/1.1\r\n", 0), 0u) << echo;
  EXPECT_NE(echo.find("\r\n\r\n" + std::string(FeedRequestBody().view())),
            std::string::npos);
  EXPECT_NE(std::string(replies_[2].view()).find("a=1; b=2"), std::string::npos)
      << replies_[2];

  // The next run starts without them.
  replies_.clear();
  window_.TypeEditText(EditBox::编辑框_采集次数, "1");
  RunWith(Access({"/cookie-echo"}));
  ASSERT_EQ(replies_.size(), 1u);
  EXPECT_EQ(std::string(replies_[0].view()).find("a=1"), std::string::npos);
}

TEST_F(FeedAccessTest, CutReplyKeepsItsStatusAndItsLastPieceIsLeftOut) {
  window_.TypeEditText(EditBox::编辑框_采集次数, "1");
  window_.SetLabelCaption(Label::透明标签3, "before");
  RunWith(Access({"/short"}));
  ASSERT_EQ(statuses_.size(), 1u);
  EXPECT_EQ(statuses_[0], Text(kBodyReadFailedStatus));
  EXPECT_FALSE(replies_[0].empty());
  // Its only piece was the cut one: not even the status line was touched.
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), Text("before"));
}

TEST_F(FeedAccessTest, StopBreaksOffAStalledRequestAndThePause) {
  window_.TypeEditText(EditBox::编辑框_采集次数, "2");
  std::thread stopper([this] {
    std::this_thread::sleep_for(300ms);
    stop_.Request();
  });
  auto start = std::chrono::steady_clock::now();
  RunWith(Access({"/stall"}));
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(replies_.size(), 1u);

  // A long pause ends as soon as a stop is requested.
  StopSignal stop;
  std::thread later([&] {
    std::this_thread::sleep_for(100ms);
    stop.Request();
  });
  start = std::chrono::steady_clock::now();
  PauseBetweenFetches(60000, stop);
  later.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

}  // namespace
}  // namespace feed
