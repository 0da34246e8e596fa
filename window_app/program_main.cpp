#include "window_app/program_main.h"

#include "threadkit/module_init.h"
#include "toolkit/module_init.h"
#include "window_app/framework/program_framework.h"
#include "window_app/globals.h"
#include "window_app/main_window.h"

int32_t ProgramMain() {
  RtInitProgram();
  InitGlobals();
  RtRegisterExitRoutine(&FreeGlobals);
  ModuleInitA();
  ModuleInitB();
  StartupRoutine();
  RtLoadWindow(kMainWindow);
  RtRunMessageLoop();
  return 0;
}

int32_t StartupRoutine() { return 0; }
