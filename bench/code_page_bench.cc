// Utf8ToGbk, the conversion of every feed reply, against glibc's iconv
// (UTF-8 to CP936) on the same bytes: a realistic reply (mostly ASCII JSON
// with Chinese captions and emoji) and text that is all Chinese.

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "bench/ratio_reporter.h"
#include "tests/support/feed_reply_fixture.h"
#include "text/code_page.h"

namespace feed {
namespace {

const std::string& Reply() {
  static const std::string reply = MakeFeedReplyUtf8(MakeFixtureItems(20, 7));
  return reply;
}

// Common ideographs U+4E00 on, as UTF-8, about 64 KB.
const std::string& Chinese() {
  static const std::string chinese = [] {
    std::string out;
    for (unsigned c = 0x4E00; out.size() < 64 * 1024; ++c) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
  }();
  return chinese;
}

// The whole of |utf8| to code page 936 with one iconv descriptor opened
// beforehand; each character that cannot be converted becomes "?". Like
// Utf8ToGbk it allocates its result.
std::string IconvToGbk(iconv_t cd, const std::string& utf8) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(utf8.size(), '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &dst, &out_left) != static_cast<size_t>(-1)) break;
    size_t skip = 1;
    while (skip < in_left && (in[skip] & 0xC0) == 0x80) ++skip;
    in += skip;
    in_left -= skip;
    *dst++ = '?';
    --out_left;
  }
  out.resize(out.size() - out_left);
  return out;
}

void RunUtf8ToGbk(benchmark::State& state, const std::string& utf8) {
  const Text text(utf8);
  for (auto _ : state) {
    Text gbk = Utf8ToGbk(text);
    benchmark::DoNotOptimize(gbk);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(utf8.size()));
}

void RunIconv(benchmark::State& state, const std::string& utf8) {
  iconv_t cd = iconv_open("CP936", "UTF-8");
  for (auto _ : state) {
    std::string gbk = IconvToGbk(cd, utf8);
    benchmark::DoNotOptimize(gbk);
  }
  iconv_close(cd);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(utf8.size()));
}

void BM_IconvReply(benchmark::State& state) { RunIconv(state, Reply()); }
void BM_Utf8ToGbkReply(benchmark::State& state) { RunUtf8ToGbk(state, Reply()); }
void BM_IconvChinese(benchmark::State& state) { RunIconv(state, Chinese()); }
void BM_Utf8ToGbkChinese(benchmark::State& state) { RunUtf8ToGbk(state, Chinese()); }

BENCHMARK(BM_IconvReply);
BENCHMARK(BM_Utf8ToGbkReply);
BENCHMARK(BM_IconvChinese);
BENCHMARK(BM_Utf8ToGbkChinese);

}  // namespace
}  // namespace feed

int main(int argc, char** argv) {
  return feed::RunBenchmarksWithRatios(
      argc, argv,
      {{"BM_Utf8ToGbkReply", "BM_IconvReply"}, {"BM_Utf8ToGbkChinese", "BM_IconvChinese"}});
}
