#include "text/bytes.h"

#include <algorithm>

namespace feed {

int BytesLength(const Bytes& bytes) { return static_cast<int>(bytes.size()); }

Bytes BytesLeft(const Bytes& bytes, int count) {
  if (count <= 0) return Bytes();
  return Bytes(bytes.view().substr(0, static_cast<size_t>(count)));
}

Bytes BlankBytes(int count) {
  if (count <= 0) return Bytes();
  return Bytes(std::string(static_cast<size_t>(count), '\0'));
}

Bytes TextToBytes(const Text& text) { return Bytes(text.view()); }

Text BytesToText(const Bytes& bytes) { return Text(bytes.view()); }

Bytes BytesFromMemory(const void* address, int count) {
  if (count <= 0 || address == nullptr) return Bytes();
  return Bytes(std::string_view(static_cast<const char*>(address),
                                static_cast<size_t>(count)));
}

}  // namespace feed
