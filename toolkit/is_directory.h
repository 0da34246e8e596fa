// Whether a folder exists already.
#pragma once

#include <string_view>

// True only for an existing directory; a file, a missing path, an empty path and a path that
// is not valid GBK give false.
bool IsDirectory(std::string_view path);
