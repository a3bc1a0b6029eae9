#include "collector/feed_access.h"

#include "text/pumping_wait.h"
#include "web/web_request.h"

namespace feed {

Text FetchFeedPage(const Text& url, const Text& body, Text& cookies,
                   Text& statusText, const StopSignal& stop) {
  return WebRequest(url, kMethodPost, body, &cookies, /*newCookies=*/nullptr,
                    /*requestHeaders=*/Text(), /*responseHeaders=*/nullptr,
                    /*noRedirect=*/false, /*user=*/Text(), /*password=*/Text(),
                    /*proxy=*/Text(), /*proxyUser=*/Text(),
                    /*proxyPassword=*/Text(), /*timeoutSeconds=*/0,
                    /*redirectTarget=*/nullptr, &statusText,
                    /*responseBody=*/nullptr, &stop);
}

void PauseBetweenFetches(int32_t milliseconds, const StopSignal& stop) {
  PumpingWait(milliseconds, /*unit=*/0, &stop);
}

FeedAccess ProductFeedAccess() {
  FeedAccess access;
  access.fetch = &FetchFeedPage;
  access.pause = &PauseBetweenFetches;
  return access;
}

}  // namespace feed
