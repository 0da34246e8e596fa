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

// Replaces the file with the concatenation of parts, atomically: a failed or interrupted write
// leaves the old file (or no file) in place, never a truncated one. The new file is written
// without a name where the file system offers unnamed files (O_TMPFILE), and linked into the
// folder once it is whole; elsewhere it is written under a short hidden name in the same
// folder, ".tv" and hex digits, and renamed over the target. A hidden name outlives neither a
// failure nor a terminating signal nor the end of the process (platform/temporary_names.h);
// only SIGKILL can leave one. The new file's mode is 0666 less the umask.
bool ReplaceFileContents(std::string_view gbkPath, const std::vector<std::string_view>& parts);

// The folder holding the running program (from /proc/self/exe), without a trailing "/".
std::string ProgramFolder();

// Makes the program folder the current directory, as the program does when it starts.
bool EnterProgramFolder();

// The user's desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs, else $HOME/Desktop. Ends
// in "/"; empty when neither can be found.
std::string DesktopFolder();

}  // namespace platform
