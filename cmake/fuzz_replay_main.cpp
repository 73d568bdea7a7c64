// Replays fuzz inputs through a fuzz target without libFuzzer, so that any
// compiler can run a corpus as a regression check:
//   target FILE-OR-FOLDER...
// Every regular file given, and every regular file inside a folder given, is
// passed once to LLVMFuzzerTestOneInput (a folder's files in name order). A
// finding aborts, as under libFuzzer; no input at all is an error.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so that a read beyond it is seen.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::size_t replayed = 0;
  bool failed = false;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::error_code error;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(arg, error)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
      failed = true;
    }
    for (const auto& f : files) {
      if (Replay(f)) {
        ++replayed;
      } else {
        failed = true;
      }
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  return failed || replayed == 0 ? 1 : 0;
}
