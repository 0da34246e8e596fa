// Start and end of the windowed program, and the loading of its windows.
//
// All of these run on the main thread, the one that called RtInitProgram.
#pragma once

#include "window_app/framework/window_description.h"

// Makes the program folder the current directory and starts the window system. When no window
// system can be had (no display, no platform plugin) the program ends with the fatal report
// "载入启动窗口失败" on standard error, exit code 255. From then on the calling thread is the
// main thread: its CmdProcessEvents also processes the window system's events, and fatal
// reports are also shown in a message box. A second call does nothing.
void RtInitProgram();

// Adds a routine that runs once when the program ends normally (platform::EndProgram).
void RtRegisterExitRoutine(void (*routine)());

// Makes the window and its units, runs its creation routine, then shows it, centred. Fatal
// ("载入启动窗口失败") before RtInitProgram or off the main thread. A window that was closed may
// be loaded again.
void RtLoadWindow(const WindowDescription& window);

// Processes events on the main thread until no loaded window is left, then returns; at once
// when none is loaded. When the last window closes, every message box still open closes too
// and every thread waiting for the main thread is released.
void RtRunMessageLoop();
