// The windowed program's own start.
#pragma once

#include <cstdint>

// Starts the framework, makes the globals, registers FreeGlobals, runs the module initialisers
// and StartupRoutine, loads the main window and runs the message loop until it is closed; 0.
int32_t ProgramMain();

// The program's own start routine; it has nothing to do.
int32_t StartupRoutine();
