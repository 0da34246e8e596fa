#include "threadkit/do_events.h"

#include "toolkit/runtime/process.h"

void DoEvents() { CmdProcessEvents(); }
