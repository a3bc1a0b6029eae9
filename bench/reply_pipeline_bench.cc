// The reply pipeline after decoding: cutting a code page 936 reply at
// "reco_reason" and extracting a record from every piece, against a plain
// memmem scan of the same bytes for the same marker.

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <string.h>

#include <string>

#include "bench/ratio_reporter.h"
#include "collector/feed_record.h"
#include "tests/support/feed_reply_fixture.h"
#include "text/text_primitives.h"

namespace feed {
namespace {

// UTF-8 to code page 936 with glibc's iconv, unmappable characters as "?".
// Kept independent of our own converter so that this benchmark measures
// only the steps after decoding.
std::string ToGbkWithIconv(const std::string& utf8) {
  iconv_t cd = iconv_open("CP936", "UTF-8");
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &dst, &out_left) != static_cast<size_t>(-1)) {
      break;
    }
    // Skip one undecodable or unmappable UTF-8 character.
    size_t skip = 1;
    while (skip < in_left && (in[skip] & 0xC0) == 0x80) ++skip;
    in += skip;
    in_left -= skip;
    *dst++ = '?';
    --out_left;
  }
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

const Text& Reply() {
  static const Text reply(ToGbkWithIconv(MakeFeedReplyUtf8(MakeFixtureItems(20, 7))));
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

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunBenchmarksWithRatios(argc, argv, {{"BM_", "BM_MemmemScan"}});
}
