// Entry points of system libraries bound by name at their first use, so
// that the program is not linked against the library. Windows builds only.

#ifndef FEED_COLLECTOR_WEB_SYSTEM_ENTRY_WIN32_H_
#define FEED_COLLECTOR_WEB_SYSTEM_ENTRY_WIN32_H_

#include <atomic>

namespace feed {

// The address of |name| in the system library |library|, loading the
// library if needed. When either cannot be found, the program shows a
// fatal error that names both and ends (FatalError).
void* FindSystemEntry(const char* library, const char* name);

// One entry point, looked up at its first call and remembered. Two threads
// that race on the first call both look it up and store the same address.
template <typename Function>
class LazyEntry {
 public:
  constexpr LazyEntry(const char* library, const char* name)
      : library_(library), name_(name) {}

  Function get() {
    Function function = address_.load(std::memory_order_acquire);
    if (function == nullptr) {
      function = reinterpret_cast<Function>(FindSystemEntry(library_, name_));
      address_.store(function, std::memory_order_release);
    }
    return function;
  }

 private:
  const char* library_;
  const char* name_;
  std::atomic<Function> address_{nullptr};
};

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_SYSTEM_ENTRY_WIN32_H_
