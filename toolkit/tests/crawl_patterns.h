// The patterns with which the crawl reads the category menu and the list pages, as the crawl
// writes them (case ignored, multi-line, every match).
#pragma once

// The name of each menu entry (heading or link) and the path of each menu link.
inline constexpr const char* kMenuNamePattern = R"re(">([\s\S]*?)<)re";
inline constexpr const char* kMenuLinkPattern = R"re(href="([\s\S]*?)">)re";
// The detail link and the title of each item of a list page.
inline constexpr const char* kDetailLinkPattern =
    R"re(<div align="center"><a href="([\s\S]*?)" title=)re";
inline constexpr const char* kTitlePattern = R"re(html" title="([\s\S]*?)" target)re";
