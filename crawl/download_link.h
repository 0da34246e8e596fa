// The target site's download chain: an item's detail page links to the site's download
// script, and the page the script returns links to the file itself.
#pragma once

#include <string_view>

#include "runtime/text.h"

// How the marker searches of the crawl compare ASCII letters: the windowed program's are
// exact, the console program's ignore case.
enum class MarkerCase { kExact, kIgnoreCase };

// The text between the markers with the program's case rule (TextBetween or TextBetweenNoCase,
// from the first byte).
Text MarkedText(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                MarkerCase markerCase);

// The download-script address: the base address + "/plus/download.php?".
Text DownloadScriptAddress();

// Fetches the detail page and then one page of the download script, and returns the script
// address followed by the key found on the second page. Never empty: when a marker is missing
// the key is empty and the bare script address comes back.
Text ResolveDownloadLink(std::string_view detailAddress,
                         MarkerCase markerCase = MarkerCase::kExact);
