#include "toolkit/is_directory.h"

#include "platform/file_system.h"

bool IsDirectory(std::string_view path) { return platform::IsExistingDirectory(path); }
