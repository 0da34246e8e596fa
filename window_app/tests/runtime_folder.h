// Qt, started without XDG_RUNTIME_DIR, makes a runtime folder in the temporary folder
// (runtime-<user>) and leaves it there.
#pragma once

#include <stdlib.h>

#include "tests/temp_folder.h"

// Gives the calling process, when it has no XDG_RUNTIME_DIR, a runtime folder of its own that
// goes when the process ends, and names it in the variable, so that the programs and the death
// tests' children it starts use it too. Call it before anything starts Qt.
inline void UseOwnQtRuntimeFolder() {
  if (getenv("XDG_RUNTIME_DIR") != nullptr) return;
  static const TempFolder folder("trovanel-runtime");
  if (folder.Made()) setenv("XDG_RUNTIME_DIR", folder.Path().c_str(), 1);
}
