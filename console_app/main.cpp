// The runtime's start of trovanel-console: the program's own code, then the normal end (the
// exit routine, flushed output, exit code 0).
#include "console_app/console_program.h"
#include "platform/program_end.h"

int main() {
  ConsoleProgramMain();
  platform::EndProgram(0);
}
