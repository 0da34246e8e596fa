// A folder of a test's own in the temporary folder, gone with everything in it when the object
// goes. Held by a fixture or a test, it is removed after a failed assertion too: gtest destroys
// both on every way out of a test.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

// Removes path and all below it, opening up first the folders that a test made unwritable or
// unreadable; what cannot be removed is left, silently.
inline void RemoveTestTree(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(path, error))) {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::directory_iterator entry(path, error), end; !error && entry != end;
         entry.increment(error)) {
      RemoveTestTree(entry->path());
    }
  }
  fs::remove(path, error);
}

class TempFolder {
 public:
  // A new folder named prefix + "-" + six random characters in $TMPDIR, else in /tmp. Made()
  // tells whether it could be made.
  explicit TempFolder(const std::string& prefix) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    if (Made()) RemoveTestTree(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool Made() const { return !path_.empty(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};
