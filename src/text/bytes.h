// Bytes: a counted byte string that may hold zero bytes, and its conversions
// to and from Text. The absent value is the empty byte string. Every
// operation returns a fresh value owned by the caller.

#ifndef FEED_COLLECTOR_TEXT_BYTES_H_
#define FEED_COLLECTOR_TEXT_BYTES_H_

#include <string>
#include <string_view>

#include "text/text_primitives.h"

namespace feed {

class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string_view data) : data_(data) {}
  explicit Bytes(std::string&& data) : data_(std::move(data)) {}

  std::string_view view() const { return data_; }
  const char* data() const { return data_.data(); }
  size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }

  friend bool operator==(const Bytes& a, const Bytes& b) = default;

 private:
  std::string data_;
};

int BytesLength(const Bytes& bytes);
// The first min(count, length) bytes; empty when count <= 0.
Bytes BytesLeft(const Bytes& bytes, int count);
// |count| zero bytes; empty when count <= 0.
Bytes BlankBytes(int count);
// The bytes of |text| without a terminator.
Bytes TextToBytes(const Text& text);
// The bytes before the first zero byte (all of them when there is none).
Text BytesToText(const Bytes& bytes);
// A copy of |count| bytes at |address|; empty when count <= 0.
Bytes BytesFromMemory(const void* address, int count);

// The bytes of every part in order.
template <typename... Parts>
Bytes ConcatBytes(const Parts&... parts) {
  std::string out;
  out.reserve((parts.view().size() + ... + 0));
  (out.append(parts.view()), ...);
  return Bytes(std::move(out));
}

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_BYTES_H_
