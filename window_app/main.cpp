// The runtime's start of trovanel-window: the program's own code, then the normal end (the exit
// routine, flushed output, exit code 0).
#include "platform/program_end.h"
#include "window_app/program_main.h"

int main() {
  ProgramMain();
  platform::EndProgram(0);
}
