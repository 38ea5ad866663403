// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz target shares: a reader that takes typed values from the
// fuzzer's bytes, a scratch directory for the file readers, a sink for trace
// output, and the check that ends the run when an invariant breaks.
//
// The targets build both as libFuzzer binaries (clang) and as replay
// programs (any compiler), so nothing here depends on libFuzzer headers.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace tarcfg::fuzz {

// An invariant broke: say which and abort, so that libFuzzer (and the
// replay test) sees a crash with the input that caused it.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz invariant failed: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(condition)                               \
  do {                                                      \
    if (!(condition))                                       \
      ::tarcfg::fuzz::Fail(#condition, __FILE__, __LINE__); \
  } while (false)

// Takes values from the front of the input; once it is used up, every value
// is zero and every byte run empty, so a target never needs to check sizes.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit FuzzInput(std::span<const std::uint8_t> bytes) : FuzzInput(bytes.data(), bytes.size()) {}

  bool empty() const { return pos_ >= size_; }
  std::size_t remaining() const { return size_ - pos_; }

  std::uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t U16() {
    auto high = U8();
    return static_cast<std::uint16_t>(high << 8 | U8());
  }
  std::uint32_t U32() {
    std::uint32_t high = U16();
    return high << 16 | U16();
  }
  bool Bit() { return (U8() & 1) != 0; }

  // Up to `n` bytes, fewer at the end of the input.
  std::span<const std::uint8_t> Take(std::size_t n) {
    n = std::min(n, remaining());
    std::span<const std::uint8_t> taken(data_ + pos_, n);
    pos_ += n;
    return taken;
  }
  // A length byte (taken modulo max + 1), then that many bytes as text.
  std::string Text(std::size_t max) {
    std::size_t length = U8() % (max + 1);
    auto bytes = Take(length);
    return std::string(bytes.begin(), bytes.end());
  }
  // Everything that is left.
  std::span<const std::uint8_t> Rest() { return Take(remaining()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// One directory per process for the files the readers open, removed when
// the process ends normally. It lives in /dev/shm when that is available, so
// that writing a file per input costs no disk traffic.
class ScratchDirectory {
 public:
  static const std::string& Path() {
    static ScratchDirectory directory;
    return directory.path_;
  }
  static std::string File(const char* name) { return Path() + "/" + name; }

  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

 private:
  ScratchDirectory() {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error) || ::access(base.c_str(), W_OK) != 0)
      base = std::filesystem::temp_directory_path(error);
    std::string pattern = (base / "tarcfg-fuzz-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
      std::perror("tarcfg fuzz: mkdtemp");
      std::abort();
    }
    path_ = buffer.data();
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  std::string path_;
};

// Writes `bytes` to `path` as the whole file. The file is overwritten in
// place and then cut to size, so that rewriting a large file for every input
// costs a copy, not a new allocation of its pages. The file must not be
// removed or renamed while the process runs. Aborts when it cannot: a
// target that silently read an old file would fuzz nothing.
inline void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  // The descriptors stay open for the next input: system calls are dear.
  static std::map<std::string, int> descriptors;
  int& fd = descriptors.try_emplace(path, -1).first->second;
  if (fd < 0)
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    done += static_cast<std::size_t>(n);
  }
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

// Where the readers' trace lines go: nowhere.
inline std::FILE* TraceSink() {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  return sink;
}

}  // namespace tarcfg::fuzz
