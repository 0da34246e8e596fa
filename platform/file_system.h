// File and folder calls of the program, on GBK paths. Each call converts the path to UTF-8;
// a path that is not valid GBK fails the call instead of touching a mangled name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Creates one folder (parents are not created). False when it exists already or fails.
bool CreateOneDirectory(std::string_view gbkPath);

bool IsExistingDirectory(std::string_view gbkPath);

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(std::string_view gbkPath);

// Replaces the file with the concatenation of parts, atomically: the bytes go to a new hidden
// file in the same folder, which is then renamed over the target. A failed or interrupted
// write leaves the old file (or no file) in place, never a truncated one.
bool ReplaceFileContents(std::string_view gbkPath, const std::vector<std::string_view>& parts);

// The folder holding the running program (from /proc/self/exe), without a trailing "/".
std::string ProgramFolder();

// Makes the program folder the current directory, as the program does when it starts.
bool EnterProgramFolder();

// The user's desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs, else $HOME/Desktop. Ends
// in "/"; empty when neither can be found.
std::string DesktopFolder();

}  // namespace platform
