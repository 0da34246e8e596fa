// The child of the heap-exhaustion tests, a program of the platform layer alone. It uses up its
// heap and then, on a thread that has never converted a text, either asks for one more block
// (PROBE=fail: the fatal report) or converts a few texts and prints what each conversion gave
// (PROBE=convert). Should the program hang rather than end, its alarm ends it, so that a test
// of it fails instead of waiting.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "platform/codepage.h"
#include "platform/heap.h"

namespace {

constexpr unsigned kHangBoundSeconds = 30;

void Print(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

// The blocks taken, linked through their first word, so that they stay in use.
void* taken = nullptr;

bool Take(size_t size) {
  void* block = std::malloc(size);
  if (block == nullptr) return false;
  *static_cast<void**>(block) = taken;
  taken = block;
  return true;
}

#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer's shadow memory leaves no room for an address-space limit, so a soft limit on
// the resident size stands in for it: once the sanitizer's monitor has seen the size above it,
// its allocator refuses every block, as an exhausted heap does.
#define PROBE_RSS_LIMIT_MB "160"
constexpr size_t kRssLimitBytes = size_t{160} << 20;
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:soft_rss_limit_mb=" PROBE_RSS_LIMIT_MB;
}

size_t ResidentBytes() {
  char text[128] = {};
  const int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const ssize_t got = read(fd, text, sizeof text - 1);
  close(fd);
  if (got <= 0) return 0;
  const char* resident = std::strchr(text, ' ');  // the second field, in pages
  size_t pages = 0;
  if (resident != nullptr) std::from_chars(resident + 1, text + got, pages);
  return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

bool HeapCanBeUsedUp() { return true; }

void UseUpHeap() {
  // Well past the limit, which the monitor compares in whole megabytes.
  constexpr size_t kBlock = size_t{1} << 20;
  while (ResidentBytes() <= kRssLimitBytes + 4 * kBlock) {
    if (!Take(kBlock)) return;
    std::memset(static_cast<char*>(taken) + sizeof(void*), 1, kBlock - sizeof(void*));
  }
  // The monitor reads the resident size about ten times a second and tells no one when it has
  // seen it above the limit: ask for small blocks until the allocator refuses them.
  while (Take(sizeof(void*))) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
#else
// Without a limit on the address space the heap would take the machine's memory instead.
bool HeapCanBeUsedUp() {
  rlimit limit{};
  return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}

void UseUpHeap() {
  for (size_t size = size_t{1} << 24; size >= sizeof(void*); size /= 2) {
    while (Take(size)) {
    }
  }
}
#endif

void PrintConversions() {
  const std::optional<std::string> utf8 = platform::GbkToUtf8("ab");
  Print("GbkToUtf8: ");
  Print(utf8 ? *utf8 : "(none)");
  Print("\nUtf8ToGbk: ");
  Print(platform::Utf8ToGbk("a\xE4\xB8\xAD"));  // "a中"
  const std::u16string wide = platform::GbkToUtf16("a\xD6\xD0");
  char count[8] = {};
  std::to_chars(count, count + sizeof count - 1, wide.size());
  Print("\nGbkToUtf16: ");
  Print(count);
  Print(" units, back ");
  Print(platform::Utf16ToGbk(wide));
  Print("\nUtf16ToGbk: ");
  Print(platform::Utf16ToGbk(u"a\u4E2D"));
  Print("\nGbkToTerminal: ");
  Print(platform::GbkToTerminal("a\xD6\xD0"));
  Print("\n");
}

}  // namespace

int main() {
  alarm(kHangBoundSeconds);
  if (!HeapCanBeUsedUp()) {
    Print("the probe needs a limit on its address space\n");
    return 2;
  }
  const char* mode = std::getenv("PROBE");
  if (mode != nullptr && std::string_view(mode) == "fail") {
    std::thread([] {
      UseUpHeap();
      taken = platform::HeapAllocate(64);  // fatal: never returns
    }).join();
  } else if (mode != nullptr && std::string_view(mode) == "convert") {
    std::atomic<bool> go{false};
    std::thread converter([&go] {
      go.wait(false);
      PrintConversions();
    });
    UseUpHeap();
    go.store(true);
    go.notify_one();
    converter.join();
    _exit(0);
  }
  Print("PROBE must be fail or convert\n");
  return 2;
}
