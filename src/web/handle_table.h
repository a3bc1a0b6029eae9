// The handles an HTTP service hands out: numbers that stand for objects of
// the service, never reused within a process, so that a handle closed on
// one thread can never reach another object through a late call on another.
//
// Thread-safe. Find returns a shared reference, so an object stays alive
// while a call that found it is still running, even when its handle is
// closed meanwhile.

#ifndef FEED_COLLECTOR_WEB_HANDLE_TABLE_H_
#define FEED_COLLECTOR_WEB_HANDLE_TABLE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "web/http_service.h"

namespace feed {

class HandleObject {
 public:
  virtual ~HandleObject() = default;
  // Called once when the handle is closed, possibly on another thread than
  // the one that is using the object; it must be quick.
  virtual void Closed() {}
};

class HandleTable {
 public:
  HttpHandle Add(std::shared_ptr<HandleObject> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    uintptr_t number = next_++;
    objects_.emplace(number, std::move(object));
    return reinterpret_cast<HttpHandle>(number);
  }

  // The object of |handle| if it is open and of type T; null otherwise.
  template <typename T>
  std::shared_ptr<T> Find(HttpHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == objects_.end()) return nullptr;
    return std::dynamic_pointer_cast<T>(it->second);
  }

  // Takes |handle| out of the table and calls Closed on its object; false
  // when it was not open.
  bool Close(HttpHandle handle) {
    std::shared_ptr<HandleObject> object;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
      if (it == objects_.end()) return false;
      object = std::move(it->second);
      objects_.erase(it);
    }
    object->Closed();
    return true;
  }

 private:
  std::mutex mutex_;
  uintptr_t next_ = 0x10;
  std::map<uintptr_t, std::shared_ptr<HandleObject>> objects_;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_HANDLE_TABLE_H_
