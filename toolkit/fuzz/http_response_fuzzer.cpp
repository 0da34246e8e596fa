// HttpRequest reading what a server sent: a recording request object stands in for the
// exchange and answers with the input's header text, body and status, or refuses them as a
// failed exchange does; the caller's cookie list and location come from the input too. So the
// fuzzed code is the split of the header text into the location and the received cookies, the
// merge of the cookies into the caller's list, and the header-line split.
// Input parts: header text, body, the caller's cookies, the caller's location, the status, and
// a number whose bit 0 refuses the body and bit 1 the header text.
#include <cstdint>

#include "platform/automation/class_registry.h"
#include "platform/codepage.h"
#include "runtime/text_operations.h"
#include "tests/fuzz_check.h"
#include "tests/fuzz_input.h"
#include "tests/recorded_response.h"
#include "toolkit/fuzz/cookie_checks.h"
#include "toolkit/http_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view headerText = input.Part();
  const std::string_view body = input.Part();
  Text cookies(input.Part());
  const Text callersLocation(input.Part());
  const int32_t status = input.Number();
  const int32_t refusals = input.Number();

  const auto response = RecordedResponse(headerText, body);
  response->Answer(u"Status", Variant::Int32(status));
  if (refusals & 1) response->Refuse(u"ResponseBody");
  if (refusals & 2) response->Refuse(u"GetAllResponseHeaders");
  const platform::ScopedClassOverride requestClass(platform::GbkToUtf16(kHttpRequestProgId),
                                                   [&] { return response; });

  Text received, location = callersLocation, responseHeaders;
  int32_t statusSeen = 0;
  const ByteArray result = HttpRequest(
      "http://site.example/", 0, nullptr, &cookies, &received, nullptr, &location, false, nullptr,
      nullptr, &responseHeaders, 0, nullptr, nullptr, std::nullopt, &statusSeen);

  FUZZ_CHECK(result.Empty() || result.View() == body);
  FUZZ_CHECK(location == callersLocation || IsPartOf(location, responseHeaders));
  FUZZ_CHECK(!HoldsDeletedItem(cookies));
  for (const Text& line : CmdSplitText(responseHeaders, "\r\n")) {
    FUZZ_CHECK(IsPartOf(HeaderName(line), line));
    FUZZ_CHECK(IsPartOf(HeaderValue(line), line));
  }
  return 0;
}
