#include "threadkit/do_events.h"

#include "runtime/process.h"

void DoEvents() { CmdProcessEvents(); }
