// A fresh, uniquely named directory under the system's temporary directory,
// removed with everything in it when the object goes.

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_

#include <filesystem>
#include <string>

#include "text/text_primitives.h"

namespace feed {

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // The directory as the program names files: backslash-separated Text.
  Text path() const;
  // path() + "\" + name.
  Text File(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path dir_;
};

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_SCRATCH_DIRECTORY_H_
