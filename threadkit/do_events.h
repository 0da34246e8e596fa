#pragma once

// Processes the calling thread's pending messages once (CmdProcessEvents) and returns: what the
// thread kit's waits do between their steps, so that a waiting thread stays responsive.
void DoEvents();
