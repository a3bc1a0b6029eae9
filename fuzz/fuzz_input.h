// How every fuzz target reads its input: the first byte selects what is
// tested, the rest is cut at its first 0x01 byte into a subject and a
// second argument (empty when there is no 0x01).

#ifndef FEED_COLLECTOR_FUZZ_FUZZ_INPUT_H_
#define FEED_COLLECTOR_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/text_primitives.h"

namespace feed {

struct FuzzInput {
  uint8_t selector = 0;
  std::string_view rest;  // every byte after the selector, zeros included
  Text subject;
  Text other;
};

// Null-safe for |size| 0: the selector is then 0 and both texts empty.
inline FuzzInput SplitFuzzInput(const uint8_t* data, size_t size) {
  FuzzInput input;
  if (size == 0) return input;
  input.selector = data[0];
  input.rest =
      std::string_view(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t cut = input.rest.find('\x01');
  input.subject = Text(input.rest.substr(0, cut));
  if (cut != std::string_view::npos) {
    input.other = Text(input.rest.substr(cut + 1));
  }
  return input;
}

}  // namespace feed

#endif  // FEED_COLLECTOR_FUZZ_FUZZ_INPUT_H_
