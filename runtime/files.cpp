#include "runtime/files.h"

#include "platform/file_system.h"

Text CmdRunDirectory() { return platform::ProgramFolder(); }

bool CmdCreateDirectory(std::string_view path) { return platform::CreateOneDirectory(path); }

ByteArray CmdReadFile(std::string_view path) {
  return ByteArray(platform::ReadWholeFile(path).value_or(std::string()));
}

bool CmdWriteFile(std::string_view path, const std::vector<const ByteArray*>& parts) {
  if (path.empty()) return false;
  std::vector<std::string_view> bytes;
  bytes.reserve(parts.size());
  for (const ByteArray* part : parts) bytes.push_back(part->View());
  return platform::ReplaceFileContents(path, bytes);
}
