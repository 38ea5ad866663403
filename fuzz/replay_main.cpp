// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every file of the given corpus directories (or single files) through
// the target's LLVMFuzzerTestOneInput, so that the committed corpus and any
// crash input can be replayed with the normal compiler. A broken invariant
// aborts; a missing or empty corpus is an error too, so that the test cannot
// pass by running nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool ReadFile(const std::filesystem::path& path, std::vector<std::uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
    return 2;
  }
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path, error))
        if (entry.is_regular_file())
          inputs.push_back(entry.path());
      if (error) {
        std::fprintf(stderr, "%s: %s\n", argv[i], error.message().c_str());
        return 2;
      }
    } else if (std::filesystem::is_regular_file(path, error)) {
      inputs.push_back(path);
    } else {
      std::fprintf(stderr, "%s: no such file or directory\n", argv[i]);
      return 2;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 2;
  }
  // A fixed order, so that a failure reproduces the same way every time.
  std::sort(inputs.begin(), inputs.end());
  std::size_t bytes = 0;
  for (const auto& path : inputs) {
    std::vector<std::uint8_t> data;
    if (!ReadFile(path, &data)) {
      std::fprintf(stderr, "%s: cannot read\n", path.c_str());
      return 2;
    }
    // Printed before the run, so that the input of a crash is named.
    std::fprintf(stderr, "replay %s (%zu bytes)\n", path.c_str(), data.size());
    LLVMFuzzerTestOneInput(data.data(), data.size());
    bytes += data.size();
  }
  std::printf("replayed %zu inputs, %zu bytes\n", inputs.size(), bytes);
  return 0;
}
