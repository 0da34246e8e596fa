// The framework services of the console program: no window system, so the message loop has
// nothing to wait for.
#pragma once

// Prepares the program: the program folder becomes the current directory.
void RtInitProgram();
// Adds a routine that runs once when the program ends normally.
void RtRegisterExitRoutine(void (*routine)());
// Runs until no window of the program is left; a console program has none, so it returns at
// once.
void RtRunMessageLoop();
