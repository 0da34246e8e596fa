#include "crawl/download_link.h"

#include "crawl/site_address.h"
#include "runtime/conversions.h"
#include "toolkit/http_request.h"
#include "toolkit/text_between.h"

Text MarkedText(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                MarkerCase markerCase) {
  return markerCase == MarkerCase::kExact ? TextBetween(text, startMarker, endMarker)
                                          : TextBetweenNoCase(text, startMarker, endMarker);
}

Text DownloadScriptAddress() { return RtTextConcat(SiteBaseAddress(), "/plus/download.php?"); }

Text ResolveDownloadLink(std::string_view detailAddress, MarkerCase markerCase) {
  const Text detailPage = CmdToText(HttpRequest(Text(detailAddress)));
  const Text firstKey = MarkedText(detailPage, "download.php?", "' target", markerCase);
  const Text scriptPage = CmdToText(HttpRequest(DownloadScriptAddress() + firstKey));
  const Text secondKey = MarkedText(scriptPage, "/plus/download.php?", "\"", markerCase);
  return DownloadScriptAddress() + secondKey;
}
