// Files and folders, on GBK paths with "/" as the separator.
#pragma once

#include <string_view>
#include <vector>

#include "runtime/byte_array.h"
#include "runtime/text.h"

// The folder that holds the program file, without a trailing "/".
Text CmdRunDirectory();

// Creates one folder; false when its parent is missing, it exists already or it fails.
bool CmdCreateDirectory(std::string_view path);

// The whole file; the empty byte array for an empty path, a file that cannot be read, or an
// empty file.
ByteArray CmdReadFile(std::string_view path);

// Replaces the file with the given byte arrays in order; false for an empty path or a failed
// write, in which case a file already there keeps its old contents.
bool CmdWriteFile(std::string_view path, const std::vector<const ByteArray*>& parts);
template <typename... Parts>
bool CmdWriteFile(std::string_view path, const Parts&... parts) {
  return CmdWriteFile(path, std::vector<const ByteArray*>{&parts...});
}
