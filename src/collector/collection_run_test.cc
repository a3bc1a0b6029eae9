#include "collector/collection_run.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "tests/support/fake_main_window.h"
#include "tests/support/scratch_directory.h"
#include "text/bytes.h"
#include "text/files.h"

namespace feed {
namespace {

// One feed item as the service writes it (UTF-8), ending with the key the
// run cuts replies at.
std::string Item(const std::string& id, const std::string& name = "u") {
  return "{\"user_name\":\"" + name + "\",\"user_id\":42,\"caption\":\"hi\","
         "\"time\":\"2026-12-01 08:09:10\",\"photo_id\":" + id +
         ",\"main_mv_url\":\"http://txmov2.a.yximgs.com/" + id +
         ".mp4\",\"main_mv_urls\":[],\"reco_reason\":\"r\"}";
}

std::string Reply(const std::vector<std::string>& ids) {
  std::string reply = "{\"result\":1,\"feeds\":[";
  for (const std::string& id : ids) reply += Item(id) + ",";
  return reply + "]}";
}

// The feed service as a run sees it: a queue of replies, and every request
// and pause recorded.
struct FakeFeed {
  struct Answer {
    std::string body;
    std::string status = "200 OK";
    std::string setCookie = {};  // merged into the run's cookies
  };
  struct Request {
    Text url, body, cookies;
  };

  FeedAccess Access() {
    FeedAccess access;
    access.fetch = [this](const Text& url, const Text& body, Text& cookies,
                          Text& statusText, const StopSignal& stop) {
      requests.push_back({url, body, cookies});
      if (onFetch) onFetch(static_cast<int>(requests.size()), stop);
      if (answers.empty()) {
        statusText = "12029 cannot connect";
        return Text();
      }
      Answer answer = answers.front();
      answers.pop_front();
      if (!answer.setCookie.empty()) {
        cookies = cookies.empty()
                      ? Text(answer.setCookie)
                      : ConcatText(cookies, "; ", answer.setCookie.c_str());
      }
      statusText = Text(answer.status);
      return Text(answer.body);
    };
    access.pause = [this](int32_t milliseconds, const StopSignal&) {
      pauses.push_back(milliseconds);
    };
    return access;
  }

  std::deque<Answer> answers;
  std::vector<Request> requests;
  std::vector<int32_t> pauses;
  std::function<void(int fetch, const StopSignal& stop)> onFetch;
};

class CollectionRunTest : public testing::Test {
 protected:
  void SetCount(const char* count) {
    window_.TypeEditText(EditBox::编辑框_采集次数, count);
  }
  void Run() {
    CollectionRun(window_, records_, feed_.Access(), lock_, stop_);
  }
  std::vector<Text> PhotoIdsInRows() const {
    std::vector<Text> ids;
    for (const auto& row : window_.Rows()) ids.push_back(row[3]);
    return ids;
  }
  FileContents SeenIdFile() const {
    return ReadFileIfPresent(records_.SeenIdFilePath());
  }

  ScratchDirectory dir_;
  FakeMainWindow window_;
  RecordHandling records_{window_, dir_.path()};
  FakeFeed feed_;
  std::mutex lock_;
  StopSignal stop_;
};

TEST(FeedRequestTest, FixedUrlAndBody) {
  std::string url(FeedRequestUrl().view());
  const std::string path =
      "/rest/n/feed/list?type=7&lat=23.364088&lon=110.080621&ver=4.46&ud=0"
      "&sys=ANDROID_4.4.4&c=BAIDU&oc=BAIDU&net=WIFI&did=ANDROID_"
      "4f81b0c2d7e65a93&mod=Xiaomi%28MI+4LTE%29&app=0&language=zh-cn"
      "&country_code=CN&appver=4.46.1.1739";
  ASSERT_EQ(url.rfind("http://", 0), 0u);
  std::string host = url.substr(7, url.size() - 7 - path.size());
  EXPECT_EQ(url.substr(7 + host.size()), path);
  // An IPv4 address on the default port.
  EXPECT_EQ(host.find_first_not_of("0123456789."), std::string::npos) << host;
  EXPECT_EQ(std::count(host.begin(), host.end(), '.'), 3);
  EXPECT_EQ(FeedRequestBody(),
            Text("id=21&os=android&client_key=9b07a1e4&last=1049&count=20"
                 "&token=&page=1&pcursor=&pv=false&mtype=2&type=7"
                 "&sig=5f1c7a0b3e8d2946c0b7e15a9d3f6284"));
  FeedAccess defaults;
  EXPECT_EQ(defaults.url, FeedRequestUrl());
  EXPECT_EQ(defaults.body, FeedRequestBody());
}

TEST_F(CollectionRunTest, EveryPieceIsHandledAndEveryFetchPauses) {
  SetCount("2");
  feed_.answers = {{Reply({"1", "2"})}, {Reply({"2", "3"})}};
  feed_.onFetch = [&](int fetch, const StopSignal&) {
    // The count is read once; the pause after every fetch.
    if (fetch == 1) window_.TypeEditText(EditBox::编辑框_采集次数, "5");
    if (fetch == 2) window_.TypeEditText(EditBox::编辑框_采集延时, "250");
  };
  Run();
  ASSERT_EQ(feed_.requests.size(), 2u);
  for (const auto& request : feed_.requests) {
    EXPECT_EQ(request.url, FeedRequestUrl());
    EXPECT_EQ(request.body, FeedRequestBody());
  }
  EXPECT_EQ(feed_.pauses, (std::vector<int32_t>{10, 250}));
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"1", "2", "3"}));
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), StatusLine(3));
  EXPECT_TRUE(window_.IsRowInView(2));
  EXPECT_EQ(SeenIdFile().bytes, Bytes(std::string_view("1\r\n2\r\n3\r\n")));
}

TEST_F(CollectionRunTest, RepliesAreConvertedToCodePage936) {
  SetCount("1");
  feed_.answers = {{"{\"feeds\":[" + Item("7", "\xE4\xB8\xAD\xE6\x96\x87") + "]}"}};
  Run();
  ASSERT_EQ(window_.RowsNow(), 1);
  EXPECT_EQ(window_.Rows()[0][1], Text("\xD6\xD0\xCE\xC4"));  // 中文
}

TEST_F(CollectionRunTest, CountThatGivesNoFetchStillSavesTheList) {
  for (const char* count : {"0", "-3", "abc", ""}) {
    SCOPED_TRACE(count);
    ScratchDirectory dir;
    FakeMainWindow window;
    RecordHandling records(window, dir.path());
    window.TypeEditText(EditBox::编辑框_采集次数, count);
    window.TypeEditText(EditBox::编辑框_去重复, "9\r\n");
    FakeFeed feed;
    CollectionRun(window, records, feed.Access(), lock_, stop_);
    EXPECT_TRUE(feed.requests.empty());
    EXPECT_TRUE(feed.pauses.empty());
    FileContents saved = ReadFileIfPresent(records.SeenIdFilePath());
    EXPECT_EQ(saved.status, FileReadStatus::kRead);
    EXPECT_EQ(saved.bytes, Bytes(std::string_view("9\r\n")));
  }
}

TEST_F(CollectionRunTest, CookiesLastForOneRun) {
  SetCount("3");
  feed_.answers = {{Reply({}), "200 OK", "a=1"}, {Reply({}), "200 OK", "b=2"},
                   {Reply({})}};
  Run();
  ASSERT_EQ(feed_.requests.size(), 3u);
  EXPECT_EQ(feed_.requests[0].cookies, Text());
  EXPECT_EQ(feed_.requests[1].cookies, Text("a=1"));
  EXPECT_EQ(feed_.requests[2].cookies, Text("a=1; b=2"));

  SetCount("1");
  feed_.answers = {{Reply({})}};
  Run();
  EXPECT_EQ(feed_.requests[3].cookies, Text());
}

TEST_F(CollectionRunTest, FailedRequestLeavesListAndStatusAlone) {
  SetCount("2");
  window_.SetLabelCaption(Label::透明标签3, "before");
  Run();  // no answers: both requests fail
  EXPECT_EQ(feed_.requests.size(), 2u);
  EXPECT_EQ(feed_.pauses.size(), 2u);
  EXPECT_EQ(window_.RowsNow(), 0);
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), Text("before"));
}

TEST_F(CollectionRunTest, ReplyWithoutItemsStillRefreshesTheStatus) {
  struct Case {
    const char* name;
    std::string reply;
    std::vector<Text> rows;
    size_t pieces;
  };
  const Case cases[] = {
      {"an error object", "{\"result\":2,\"error_msg\":\"busy\"}", {}, 1},
      // An empty first piece, the item, and what follows its separator.
      {"beginning with the separator", "reco_reason" + Item("5"), {"5"}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    FakeMainWindow window;
    RecordHandling records(window, dir.path());
    window.TypeEditText(EditBox::编辑框_采集次数, "1");
    FakeFeed feed;
    feed.answers = {{c.reply}};
    std::vector<Text> captions;
    window.SetOperationHook([&](std::string_view operation) {
      if (operation == "SetLabelCaption") captions.emplace_back("set");
    });
    CollectionRun(window, records, feed.Access(), lock_, stop_);
    std::vector<Text> ids;
    for (const auto& row : window.Rows()) ids.push_back(row[3]);
    EXPECT_EQ(ids, c.rows);
    EXPECT_EQ(window.LabelCaption(Label::透明标签3),
              StatusLine(static_cast<int>(c.rows.size())));
    EXPECT_EQ(captions.size(), c.pieces);  // once per piece
  }
}

TEST_F(CollectionRunTest, LastPieceOfACutReplyIsNotHandled) {
  // The body broke off inside the third item's video address.
  std::string third = Item("345678");
  std::string cut = "{\"feeds\":[" + Item("1") + "," + Item("2") + "," +
                    third.substr(0, third.find("yximgs"));
  SetCount("2");
  feed_.answers = {{cut, kBodyReadFailedStatus}, {cut, "200 OK"}};
  Run();
  // The second, complete-looking reply is handled whole.
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"1", "2", "345678"}));
}

TEST_F(CollectionRunTest, UncheckedRunShowsAllButStillSavesTheList) {
  window_.TypeEditText(EditBox::编辑框_去重复, "1\r\n");
  window_.SetChecked(false);
  SetCount("2");
  feed_.answers = {{Reply({"1", "2"})}, {Reply({"2"})}};
  Run();
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"1", "2", "2"}));
  EXPECT_EQ(ReadFileIfPresent(records_.RecordFilePath()).status,
            FileReadStatus::kMissing);
  EXPECT_EQ(SeenIdFile().bytes, Bytes(std::string_view("1\r\n")));
}

TEST_F(CollectionRunTest, StopDuringAFetchEndsTheRunAndSavesTheList) {
  SetCount("100");
  for (int i = 0; i < 100; ++i) feed_.answers.push_back({Reply({std::to_string(i)})});
  feed_.onFetch = [&](int fetch, const StopSignal&) {
    if (fetch == 3) stop_.Request();  // the window closed meanwhile
  };
  Run();
  EXPECT_EQ(feed_.requests.size(), 3u);
  EXPECT_EQ(feed_.pauses.size(), 2u);
  EXPECT_EQ(PhotoIdsInRows(), (std::vector<Text>{"0", "1"}));
  EXPECT_EQ(SeenIdFile().bytes, Bytes(std::string_view("0\r\n1\r\n")));
}

TEST_F(CollectionRunTest, StopDuringARecordFinishesThatRecordOnly) {
  SetCount("1");
  feed_.answers = {{Reply({"1", "2", "3"})}};
  int inserts = 0;
  window_.SetOperationHook([&](std::string_view operation) {
    if (operation == "InsertRow" && ++inserts == 2) stop_.Request();
  });
  Run();
  std::vector<FakeMainWindow::Row> rows = window_.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][6], Text("http://txmov2.a.yximgs.com/2.mp4"));
  EXPECT_EQ(window_.LabelCaption(Label::透明标签3), StatusLine(2));
  EXPECT_TRUE(feed_.pauses.empty());
  Bytes records = ReadWholeFile(records_.RecordFilePath());
  EXPECT_EQ(std::count(records.view().begin(), records.view().end(), '\n'), 2);
  EXPECT_EQ(SeenIdFile().bytes, Bytes(std::string_view("1\r\n2\r\n")));
}

}  // namespace
}  // namespace feed
