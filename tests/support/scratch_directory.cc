#include "tests/support/scratch_directory.h"

#include <atomic>
#include <chrono>
#include <system_error>

namespace feed {

ScratchDirectory::ScratchDirectory() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  dir_ = base / ("feed-test-" + std::to_string(stamp) + "-" +
                 std::to_string(counter++));
  std::filesystem::create_directories(dir_, error);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code error;
  std::filesystem::remove_all(dir_, error);
}

Text ScratchDirectory::path() const {
  // Temporary directories have ASCII names here, so bytes are code page 936.
  std::string native = dir_.string();
  if (!native.empty() && (native.back() == '/' || native.back() == '\\')) {
    native.pop_back();
  }
  return Text(std::move(native));
}

Text ScratchDirectory::File(const std::string& name) const {
  return ConcatText(path(), "\\", name.c_str());
}

bool ScratchDirectory::Exists(const std::string& name) const {
  std::error_code error;
  return std::filesystem::exists(dir_ / name, error);
}

}  // namespace feed
