// For the fuzz targets of the HTTP routines: a recording object, registered in place of the
// request class, that answers its exchange with a server's header text and body.
#pragma once

#include <memory>
#include <string_view>

#include "platform/automation/testing/recording_object.h"
#include "toolkit/automation.h"

inline std::shared_ptr<platform::RecordingObject> RecordedResponse(std::string_view headerText,
                                                                   std::string_view body) {
  auto response = std::make_shared<platform::RecordingObject>();
  Variant headers, bytes;
  CmdVariantAssign(headers, Text(headerText));
  CmdVariantAssign(bytes, ByteArray(body));
  response->Answer(u"GetAllResponseHeaders", headers);
  response->Answer(u"ResponseBody", bytes);
  return response;
}
