#include "console_app/console_framework.h"

#include "platform/file_system.h"
#include "platform/program_end.h"

void RtInitProgram() { platform::EnterProgramFolder(); }

void RtRegisterExitRoutine(void (*routine)()) { platform::RegisterExitRoutine(routine); }

void RtRunMessageLoop() {}
