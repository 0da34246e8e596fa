#include "tools/sample_site/command_line.h"

#include <charconv>
#include <stdexcept>

namespace sample_site {
namespace {

template <typename Number>
Number ParseNumber(const std::string& option, std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw std::invalid_argument(option + ": not a number: " + std::string(text));
  }
  return value;
}

// A byte count with an optional suffix k or m (binary).
size_t ParseSize(const std::string& option, std::string text) {
  size_t unit = 1;
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) unit = 1024;
  if (!text.empty() && (text.back() == 'm' || text.back() == 'M')) unit = 1024 * 1024;
  if (unit != 1) text.pop_back();
  return ParseNumber<size_t>(option, text) * unit;
}

// "1,2,40-42" -> 1 2 40 41 42
std::vector<int> ParseRecordList(const std::string& option, const std::string& text) {
  std::vector<int> numbers;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view part(text.data() + start, comma - start);
    const size_t dash = part.find('-');
    if (dash == std::string_view::npos) {
      numbers.push_back(ParseNumber<int>(option, part));
    } else {
      const int first = ParseNumber<int>(option, part.substr(0, dash));
      const int last = ParseNumber<int>(option, part.substr(dash + 1));
      for (int number = first; number <= last; ++number) numbers.push_back(number);
    }
    start = comma + 1;
  }
  return numbers;
}

Fault ParseFault(const std::string& option, const std::string& description) {
  const size_t colon = description.find(':');
  const std::string kind = description.substr(0, colon);
  const std::string value = colon == std::string::npos ? "" : description.substr(colon + 1);
  if (kind == "status") return Fault::Status(ParseNumber<int>(option, value));
  if (kind == "redirect") return Fault::Redirect(value);
  if (kind == "cookie") return Fault::SetCookies({value});
  if (kind == "reset") return Fault::Reset(ParseSize(option, value));
  if (kind == "truncate") return Fault::Truncate(ParseSize(option, value));
  if (kind == "stall") return Fault::Stall(ParseSize(option, value));
  if (kind == "trickle") {
    const size_t slash = value.find('/');
    if (slash == std::string::npos) throw std::invalid_argument(option + ": trickle:BYTES/MS");
    return Fault::Trickle(
        ParseSize(option, value.substr(0, slash)),
        std::chrono::milliseconds(ParseNumber<int64_t>(option, value.substr(slash + 1))));
  }
  throw std::invalid_argument(option + ": unknown fault: " + description);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw std::invalid_argument(option + ": value missing");
      return arguments[++i];
    };
    if (option == "--help" || option == "-h") {
      line.action = Action::kHelp;
    } else if (option == "--port") {
      line.port = ParseNumber<int>(option, value());
    } else if (option == "--port-file") {
      line.portFile = value();
    } else if (option == "--seed") {
      line.config.seed = ParseNumber<uint64_t>(option, value());
    } else if (option == "--categories") {
      line.config.categories = SelectCategories(ParseRecordList(option, value()));
    } else if (option == "--pages") {
      line.config.pagesPerCategory = ParseNumber<int>(option, value());
    } else if (option == "--items") {
      line.config.itemsPerPage = ParseNumber<int>(option, value());
    } else if (option == "--file-size") {
      line.config.fileSize = ParseSize(option, value());
    } else if (option == "--latency-ms") {
      line.latency = std::chrono::milliseconds(ParseNumber<int64_t>(option, value()));
    } else if (option == "--fault") {
      const std::string pattern = value();
      line.faults.emplace_back(PathPattern::Regex(pattern), ParseFault(option, value()));
    } else if (option == "--log") {
      line.logRequests = true;
    } else if (option == "--list-files") {
      line.action = Action::kListFiles;
    } else if (option == "--export-files") {
      line.action = Action::kExportFiles;
      line.exportFolder = value();
    } else if (option == "--list-requests") {
      line.action = Action::kListRequests;
    } else {
      throw std::invalid_argument("unknown option: " + option);
    }
  }
  return line;
}

std::string UsageText() {
  return R"(Usage: trovanel-sample-site [options]
Serves a sample site in the target site's shape on 127.0.0.1 for any host, as an HTTP proxy
would receive the requests (http_proxy=http://127.0.0.1:PORT). Prints the port on the first
line of standard output and serves until it receives SIGINT or SIGTERM; then prints the number
of requests served on standard error.

Site:
  --seed N              seed of the generated content (default 1)
  --categories LIST     built-in menu records to serve, e.g. 1,2,40-42 (default: all 42)
  --pages N             list pages per category (default 2)
  --items N             items per list page (default 3)
  --file-size BYTES     size of every archive file; suffix k or m allowed (default 4096)
Serving:
  --port N              port to listen on (default 0: a free one)
  --port-file PATH      also write the port to PATH
  --latency-ms N        delay before every response (default 0)
  --fault REGEX FAULT   for paths (query included) matching REGEX: status:CODE,
                        redirect:TARGET, cookie:TEXT, reset:BYTES, truncate:BYTES,
                        stall:BYTES (until stopped) or trickle:BYTES/MS
  --log                 on exit, also print every request's path in order on standard error
Instead of serving:
  --list-files          print the files a crawl saves: size, FNV-1a 64 hash, path (UTF-8)
  --export-files DIR    write the files a crawl saves under DIR, for diff -r
  --list-requests       print the paths a sequential crawl requests, in order
)";
}

}  // namespace sample_site
