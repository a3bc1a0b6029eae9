// Holds a file the way another program writing it would, for as long as the
// object lives: on Windows an open handle that shares nothing, elsewhere an
// exclusive lock on an open descriptor. Creates the file when it is missing.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_BUSY_FILE_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_BUSY_FILE_H_

#include "text/text_primitives.h"

namespace feed {

class BusyFile {
 public:
  explicit BusyFile(const Text& fileName);
  ~BusyFile();
  BusyFile(const BusyFile&) = delete;
  BusyFile& operator=(const BusyFile&) = delete;

  // True when the file is held.
  bool held() const;

 private:
  void* handle_;  // HANDLE or a descriptor cast to intptr_t
};

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_BUSY_FILE_H_
