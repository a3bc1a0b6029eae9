#include "collector/collector_app_test.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "collector/record_handling.h"
#include "tests/support/fake_window_contract.h"
#include "text/bytes.h"
#include "text/files.h"

namespace feed {

bool CollectorAppTest::Start(FeedAccess access) {
  thread_ = std::thread([this, access] {
    std::unique_ptr<MainWindow> window = GetParam().create();
    if (window) {
      probe_ = GetParam().probe(*window);
      CollectorSettings settings;
      settings.directory = dir_.path();
      settings.access = access;
      app_ = std::make_unique<CollectorApp>(*window, settings);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      window_ = std::move(window);
      created_ = true;
    }
    changed_.notify_all();
    if (!window_) return;
    app_->Run();
    std::unique_lock<std::mutex> lock(mutex_);
    exited_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return release_; });
    app_.reset();
    probe_.reset();
    window_.reset();
  });
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return created_; });
    if (!window_) return false;
  }
  // The window is shown once its loop is about to serve others.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!probe_->IsShown() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool CollectorAppTest::WaitForExit(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return exited_; });
}

void CollectorAppTest::TearDown() {
  if (!thread_.joinable()) return;
  if (window_ && !WaitForExit(std::chrono::milliseconds(0))) {
    window_->Quit();
    WaitForExit(std::chrono::seconds(30));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    release_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

namespace {

using namespace std::chrono_literals;

#define FEED_START_APP_OR_SKIP(access)                                    \
  do {                                                                    \
    if (!Start(access)) {                                                 \
      GTEST_SKIP() << GetParam().name                                     \
                   << ": the window cannot be created here (no display?)"; \
    }                                                                     \
  } while (false)

std::string Item(int id) {
  std::string n = std::to_string(id);
  std::string item =
      "{\"user_name\":\"u\",\"user_id\":42,\"caption\":\"c\",\"time\":\"t\","
      "\"photo_id\":";
  item.append(n).append(",\"main_mv_url\":\"http://a/").append(n);
  item.append(".mp4\",\"main_mv_urls\":[],\"reco_reason\":\"r\"}");
  return item;
}

// A feed whose every fetch answers two new items, after waiting at a gate
// the test opens, or until the run is asked to stop.
// Shared with the run's access, so that it outlives a run that a failed
// test leaves behind.
class GatedFeed : public std::enable_shared_from_this<GatedFeed> {
 public:
  FeedAccess Access() {
    FeedAccess access;
    access.fetch = [self = shared_from_this()](const Text&, const Text&, Text&,
                                               Text&, const StopSignal& stop) {
      return self->Fetch(stop);
    };
    access.pause = [](int32_t, const StopSignal&) {};
    return access;
  }

  Text Fetch(const StopSignal& stop) {
    int fetch = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      fetch = ++fetches_;
      ++inFlight_;
      maxInFlight_ = std::max(maxInFlight_, inFlight_);
      changed_.notify_all();
    }
    bool stopped = false;
    while (!stopped) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (open_) break;
      }
      if (ignoreStop_) {
        std::this_thread::sleep_for(10ms);
      } else {
        stopped = stop.WaitFor(10ms);
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    --inFlight_;
    if (stopped) return Text();
    std::string reply = "[";
    reply.append(Item(2 * fetch)).append(",").append(Item(2 * fetch + 1));
    return Text(reply.append("]"));
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
  }
  void IgnoreStop() { ignoreStop_ = true; }
  bool WaitForFetch(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return fetches_ >= count; });
  }
  int fetches() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fetches_;
  }
  int maxInFlight() {
    std::lock_guard<std::mutex> lock(mutex_);
    return maxInFlight_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int fetches_ = 0;
  int inFlight_ = 0;
  int maxInFlight_ = 0;
  bool open_ = false;
  std::atomic<bool> ignoreStop_{false};
};

template <typename Condition>
bool Eventually(Condition condition) {
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST_P(CollectorAppTest, StartUpRestoresTheSeenIdList) {
  ASSERT_TRUE(WriteWholeFile(ConcatText(dir_.path(), kSeenIdFileName),
                            Text("1\r\n2")));
  auto feed = std::make_shared<GatedFeed>();
  FEED_START_APP_OR_SKIP(feed->Access());
  EXPECT_EQ(window().EditText(EditBox::编辑框_去重复), Text("1\r\n2\r\n"));
}

TEST_P(CollectorAppTest, ClickStartsOneRunAndClicksDuringItDoNothing) {
  auto feed = std::make_shared<GatedFeed>();
  FEED_START_APP_OR_SKIP(feed->Access());
  window().SetEditText(EditBox::编辑框_采集次数, "2");
  probe().ClickCollect();
  ASSERT_TRUE(feed->WaitForFetch(1));
  EXPECT_TRUE(app().Collecting());
  // The window answers while the run waits for the feed.
  EXPECT_EQ(window().EditText(EditBox::编辑框_采集延时), Text("10"));
  probe().ClickCollect();
  probe().ClickCollect();
  feed->Open();
  ASSERT_TRUE(app().WaitUntilIdle(10s));
  EXPECT_EQ(feed->fetches(), 2);
  EXPECT_EQ(feed->maxInFlight(), 1);
  EXPECT_EQ(window().RowCount(ListBox::超级列表框1), 4);

  // Once it has ended, a click starts the next run.
  probe().ClickCollect();
  ASSERT_TRUE(feed->WaitForFetch(3));
  ASSERT_TRUE(app().WaitUntilIdle(10s));
  EXPECT_EQ(feed->fetches(), 4);
  EXPECT_EQ(window().RowCount(ListBox::超级列表框1), 8);
}

TEST_P(CollectorAppTest, CloseWithoutARunEndsAtOnce) {
  auto feed = std::make_shared<GatedFeed>();
  FEED_START_APP_OR_SKIP(feed->Access());
  probe().PressClose();
  EXPECT_TRUE(WaitForExit(2s));
  EXPECT_EQ(feed->fetches(), 0);
}

TEST_P(CollectorAppTest, CloseDuringARunSavesTheListAndEndsWithinTwoSeconds) {
  auto feed = std::make_shared<GatedFeed>();
  FEED_START_APP_OR_SKIP(feed->Access());
  window().SetEditText(EditBox::编辑框_采集次数, "1000");
  probe().ClickCollect();
  feed->Open();
  ASSERT_TRUE(feed->WaitForFetch(50));  // records are being stored
  auto closed = std::chrono::steady_clock::now();
  probe().PressClose();
  EXPECT_FALSE(probe().IsShown());  // hidden at once
  bool exited = WaitForExit(2s);
  EXPECT_LT(std::chrono::steady_clock::now() - closed, 2s);
  ASSERT_TRUE(app().WaitUntilIdle(10s));
  ASSERT_TRUE(exited);

  // Both files whole: every stored id is in the saved list, and every
  // line of the record file belongs to one of them.
  Bytes list = ReadWholeFile(ConcatText(dir_.path(), kSeenIdFileName));
  TextArray ids = SplitText(BytesToText(list), "\r\n");
  ASSERT_GE(ids.Count(), 2);
  EXPECT_EQ(list.view().substr(list.size() - 2), "\r\n");
  TextArray lines =
      SplitText(BytesToText(ReadWholeFile(ConcatText(dir_.path(),
                                                     kRecordFileName))),
                "\r\n");
  ASSERT_EQ(lines.Count(), ids.Count());
  for (int i = 1; i <= ids.Count(); ++i) {
    EXPECT_EQ(ConcatText(lines[i], "\r\n"), RecordLine(FeedRecord{"c", "t", ids[i], "42", "u",
                                              ConcatText("http://a/", ids[i],
                                                         ".mp4")}));
  }
}

TEST_P(CollectorAppTest, RunThatWillNotStopDoesNotHoldTheCloseUp) {
  auto feed = std::make_shared<GatedFeed>();
  feed->IgnoreStop();
  FEED_START_APP_OR_SKIP(feed->Access());
  probe().ClickCollect();
  ASSERT_TRUE(feed->WaitForFetch(1));
  auto closed = std::chrono::steady_clock::now();
  probe().PressClose();
  bool exited = WaitForExit(3s);
  auto took = std::chrono::steady_clock::now() - closed;
  feed->Open();
  EXPECT_TRUE(app().WaitUntilIdle(10s));
  EXPECT_TRUE(exited);
  EXPECT_LT(took, 2s);
}

INSTANTIATE_TEST_SUITE_P(
    Fake, CollectorAppTest, testing::Values(FakeWindowContract()),
    [](const testing::TestParamInfo<MainWindowContract>& info) {
      return info.param.name;
    });

}  // namespace
}  // namespace feed
