#include "crawl/site_address.h"

#ifndef TROVANEL_SITE_BASE_ADDRESS
#error "TROVANEL_SITE_BASE_ADDRESS must be defined by the build"
#endif

std::string_view SiteBaseAddress() { return TROVANEL_SITE_BASE_ADDRESS; }
