#include "collector/collection_run.h"

#include "collector/feed_record.h"
#include "text/code_page.h"

#ifndef FEED_API_HOST
#error "FEED_API_HOST must name the feed service's host (set by CMake)"
#endif

namespace feed {
namespace {

constexpr char kFeedPathAndQuery[] =
    "/rest/n/feed/list?type=7&lat=23.364088&lon=110.080621&ver=4.46&ud=0"
    "&sys=ANDROID_4.4.4&c=BAIDU&oc=BAIDU&net=WIFI&did=ANDROID_4f81b0c2d7e65a93"
    "&mod=Xiaomi%28MI+4LTE%29&app=0&language=zh-cn&country_code=CN"
    "&appver=4.46.1.1739";

constexpr char kFeedBody[] =
    "id=21&os=android&client_key=9b07a1e4&last=1049&count=20&token=&page=1"
    "&pcursor=&pv=false&mtype=2&type=7&sig=5f1c7a0b3e8d2946c0b7e15a9d3f6284";

constexpr char kPieceSeparator[] = "reco_reason";

}  // namespace

Text FeedRequestUrl() {
  return ConcatText("http://", FEED_API_HOST, kFeedPathAndQuery);
}

Text FeedRequestBody() { return Text(kFeedBody); }

void CollectionRun(MainWindow& window, RecordHandling& records,
                   const FeedAccess& access, std::mutex& recordLock,
                   const StopSignal& stop) {
  // The count is fixed when the run starts; the pause is read afresh after
  // every fetch.
  const int64_t fetches = TextToInt(window.EditText(EditBox::编辑框_采集次数));
  Text cookies;
  for (int64_t fetch = 1; fetch <= fetches && !stop.Requested(); ++fetch) {
    Text statusText;
    Text reply = access.fetch(access.url, access.body, cookies, statusText, stop);
    TextArray pieces = SplitText(Utf8ToGbk(reply), kPieceSeparator);
    int count = pieces.Count();
    // The last piece of a reply whose body broke off may hold a cut item.
    if (statusText == Text(kBodyReadFailedStatus) && count > 0) --count;
    for (int piece = 1; piece <= count && !stop.Requested(); ++piece) {
      records.HandleFeedRecord(ExtractFeedRecord(pieces[piece]), recordLock);
      records.ShowProgress();
    }
    if (stop.Requested()) break;
    access.pause(TextToInt(window.EditText(EditBox::编辑框_采集延时)), stop);
  }
  records.SaveSeenIds();
}

}  // namespace feed
