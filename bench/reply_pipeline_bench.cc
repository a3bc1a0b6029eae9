// The reply pipeline: decoding a UTF-8 reply to code page 936, cutting it
// at "reco_reason" and extracting a record from every piece, against a plain
// memmem scan of the same bytes for the same marker.

#include <benchmark/benchmark.h>
#include <string.h>

#include <string>

#include "bench/ratio_reporter.h"
#include "collector/feed_record.h"
#include "tests/support/feed_reply_fixture.h"
#include "text/code_page.h"
#include "text/text_primitives.h"

namespace feed {
namespace {

const std::string& ReplyUtf8() {
  static const std::string reply = MakeFeedReplyUtf8(MakeFixtureItems(20, 7));
  return reply;
}

const Text& Reply() {
  static const Text reply = Utf8ToGbk(Text(ReplyUtf8()));
  return reply;
}

void BM_MemmemScan(benchmark::State& state) {
  const Text& reply = Reply();
  for (auto _ : state) {
    int found = 0;
    const char* at = reply.c_str();
    size_t left = reply.view().size();
    while (const void* hit = memmem(at, left, "reco_reason", 11)) {
      ++found;
      size_t skip = static_cast<size_t>(static_cast<const char*>(hit) - at) + 11;
      at += skip;
      left -= skip;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(reply.view().size()));
}
BENCHMARK(BM_MemmemScan);

void BM_SplitAtRecoReason(benchmark::State& state) {
  const Text& reply = Reply();
  for (auto _ : state) {
    TextArray pieces = SplitText(reply, "reco_reason");
    benchmark::DoNotOptimize(pieces);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(reply.view().size()));
}
BENCHMARK(BM_SplitAtRecoReason);

void BM_SplitAndExtractEveryPiece(benchmark::State& state) {
  const Text& reply = Reply();
  for (auto _ : state) {
    TextArray pieces = SplitText(reply, "reco_reason");
    for (const Text& piece : pieces) {
      FeedRecord record = ExtractFeedRecord(piece);
      benchmark::DoNotOptimize(record);
    }
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(reply.view().size()));
  state.counters["reply_bytes"] = static_cast<double>(reply.view().size());
}
BENCHMARK(BM_SplitAndExtractEveryPiece);

// The whole pipeline of one fetch after the transfer: decode, cut,
// extract. Throughput counts the reply's UTF-8 bytes.
void BM_WholeReplyPipeline(benchmark::State& state) {
  const Text utf8(ReplyUtf8());
  for (auto _ : state) {
    Text reply = Utf8ToGbk(utf8);
    TextArray pieces = SplitText(reply, "reco_reason");
    for (const Text& piece : pieces) {
      FeedRecord record = ExtractFeedRecord(piece);
      benchmark::DoNotOptimize(record);
    }
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(utf8.view().size()));
}
BENCHMARK(BM_WholeReplyPipeline);

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunBenchmarksWithRatios(argc, argv, {{"BM_", "BM_MemmemScan"}});
}
