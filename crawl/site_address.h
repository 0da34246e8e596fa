// The target site's base address: the scheme and the host name, no trailing slash. Every site
// address is this followed by a path that begins with "/". Fixed when the program is built
// (the TROVANEL_SITE_BASE_ADDRESS CMake cache variable); there is no run-time setting.
#pragma once

#include <string_view>

std::string_view SiteBaseAddress();
