// The main routine of a fuzz target in a build without libFuzzer: runs the target once on every
// file of the folders (and on the files) named on the command line, so that every build
// replays the target's corpus as an ordinary test. Each input is handed over in a block of its
// own exact size, as libFuzzer hands it, so that a read past its end is a sanitizer report.
// The name of each input goes to standard error before it runs, so a failure names its input.
// An empty corpus is a failure: a test that replays nothing proves nothing.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> InputFiles(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path named = argv[i];
    if (!std::filesystem::is_directory(named)) {
      files.push_back(named);
      continue;
    }
    std::vector<std::filesystem::path> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(named)) {
      if (entry.is_regular_file()) inFolder.push_back(entry.path());
    }
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  const std::vector<std::filesystem::path> files = InputFiles(argc, argv);
  for (const std::filesystem::path& file : files) {
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    const auto input = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), input.get());
    LLVMFuzzerTestOneInput(input.get(), bytes.size());
  }
  std::fprintf(stderr, "%zu inputs replayed\n", files.size());
  return files.empty() ? 1 : 0;
}
