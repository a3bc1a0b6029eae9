// What the charset step adds to every feed request: the step on a realistic
// feed reply (JSON, no declaration: the search alone), and on the same
// reply behind a meta tag declaring UTF-8 (search and full decode), against
// the UTF-8 to code page 936 conversion that the collection run does on
// every reply anyway.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/ratio_reporter.h"
#include "tests/support/feed_reply_fixture.h"
#include "text/bytes.h"
#include "text/code_page.h"
#include "web/charset_step.h"
#include "web/regex_matcher.h"

namespace feed {
namespace {

const std::string& FeedReply() {
  static const std::string reply =
      MakeFeedReplyUtf8(MakeFixtureItems(20, 7));
  return reply;
}

void RunStep(benchmark::State& state, const std::string& body) {
  const Bytes bytes(body);
  const Text received = BytesToText(bytes);
  for (auto _ : state) {
    RegexMatcher matcher;  // one per request, as the web request does
    Text reply = received;
    ApplyDeclaredCharset(matcher, bytes, reply);
    benchmark::DoNotOptimize(reply);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(body.size()));
}

void BM_Utf8ToGbk(benchmark::State& state) {
  const Text reply(FeedReply());
  for (auto _ : state) {
    Text converted = Utf8ToGbk(reply);
    benchmark::DoNotOptimize(converted);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(FeedReply().size()));
}
BENCHMARK(BM_Utf8ToGbk);

void BM_CharsetStepUndeclared(benchmark::State& state) {
  RunStep(state, FeedReply());
}
BENCHMARK(BM_CharsetStepUndeclared);

void BM_CharsetStepDeclaredUtf8(benchmark::State& state) {
  RunStep(state, "<meta charset=\"utf-8\">" + FeedReply());
}
BENCHMARK(BM_CharsetStepDeclaredUtf8);

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunBenchmarksWithRatios(argc, argv,
                                       {{"BM_", "BM_Utf8ToGbk"}});
}
