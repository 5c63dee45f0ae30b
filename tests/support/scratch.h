// A scratch working folder for tests and fuzz runs, removed on destruction, and
// whole-file text access. (It brings record_text.h along, whose texts tests write.)
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "record_text.h"

namespace testsupport {

// Whole file, byte for byte; empty when it does not exist.
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

class ScratchDir {
 public:
  // A fresh empty folder under the system's temporary folder.
  ScratchDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("tracer-test-" + std::to_string(rd()) + std::to_string(rd()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  // The folder `path`, emptied when it exists, created when it does not.
  explicit ScratchDir(std::filesystem::path path) : path_(std::move(path)) {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    std::filesystem::create_directories(path_);
  }
  // The existing folder `path` as it is, kept on destruction.
  enum Keep { kKeep };
  ScratchDir(std::filesystem::path path, Keep) : path_(std::move(path)), keep_(true) {}
  ~ScratchDir() {
    std::error_code ec;
    if (!keep_) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Writes `content` byte for byte (no line-end translation).
  void write(std::string_view name, std::string_view content) const {
    std::ofstream f(path_ / name, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  // Whole file, byte for byte; empty when it does not exist.
  std::string read(std::string_view name) const { return read_file(path_ / name); }
  bool exists(std::string_view name) const { return std::filesystem::exists(path_ / name); }
  // The hidden entries of the folder (names starting with '.'), sorted: the
  // temporaries and lock files of runs that have not ended.
  std::vector<std::string> hidden() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(path_, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.starts_with('.')) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Removes everything in the folder.
  void clear() const {
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(path_, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      std::error_code rm;
      std::filesystem::remove_all(it->path(), rm);
    }
  }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

}  // namespace testsupport
