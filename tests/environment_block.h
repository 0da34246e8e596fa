// The environment of a child process: this process's variables with some set or replaced, in
// the form posix_spawn takes.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

class EnvironmentBlock {
 public:
  explicit EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const size_t equals = text.find('=');
      if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes) variables[name] = value;
    for (const auto& [name, value] : variables) texts_.push_back(name + "=" + value);
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  EnvironmentBlock(const EnvironmentBlock&) = delete;
  EnvironmentBlock& operator=(const EnvironmentBlock&) = delete;

  char** Get() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};
