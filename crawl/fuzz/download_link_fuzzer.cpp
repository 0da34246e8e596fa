// The download-link chain on whatever pages a server sends: each request object that
// ResolveDownloadLink makes is a recording object answering with the next page of the input
// (the detail page, then the script's page). Input parts: the two pages, and a number whose
// bit 0 asks for the marker searches that ignore case.
#include <cstdint>
#include <vector>

#include "crawl/download_link.h"
#include "platform/automation/class_registry.h"
#include "platform/codepage.h"
#include "tests/fuzz_check.h"
#include "tests/fuzz_input.h"
#include "tests/recorded_response.h"
#include "toolkit/http_request.h"

namespace {

// The address the object was opened with ("" when it was not).
Text OpenedAddress(const platform::RecordingObject& request) {
  for (const platform::RecordingObject::Call& call : request.Calls()) {
    if (call.member == u"Open" && call.args.size() >= 2 && call.args[1].ToString()) {
      return platform::Utf16ToGbk(*call.args[1].ToString());
    }
  }
  return Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view pages[] = {input.Part(), input.Part()};
  const MarkerCase markerCase = input.Number() & 1 ? MarkerCase::kIgnoreCase : MarkerCase::kExact;

  std::vector<std::shared_ptr<platform::RecordingObject>> requests;
  const platform::ScopedClassOverride requestClass(platform::GbkToUtf16(kHttpRequestProgId), [&] {
    requests.push_back(RecordedResponse("", requests.size() < 2 ? pages[requests.size()] : ""));
    return requests.back();
  });

  const Text script = DownloadScriptAddress();
  const Text link = ResolveDownloadLink("http://site.example/a/1.html", markerCase);
  // Every key is cut out of the page it was found in.
  FUZZ_CHECK(link.starts_with(script));
  FUZZ_CHECK(IsPartOf(std::string_view(link).substr(script.size()), pages[1]));
  if (requests.size() >= 2) {
    const Text second = OpenedAddress(*requests[1]);
    FUZZ_CHECK(second.starts_with(script));
    FUZZ_CHECK(IsPartOf(std::string_view(second).substr(script.size()), pages[0]));
  }
  return 0;
}
