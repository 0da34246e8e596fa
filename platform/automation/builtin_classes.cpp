#include "platform/automation/builtin_classes.h"

#include "platform/automation/regexp/regexp_object.h"
#include "platform/automation/winhttp/http_request_object.h"

namespace platform {

std::vector<BuiltInClass> BuiltInClasses() {
  return {
      {u"VBScript.RegExp", [] { return CreateRegExpObject(); }},
      {u"WinHttp.WinHttpRequest.5.1", [] { return CreateHttpRequestObject(); }},
  };
}

}  // namespace platform
