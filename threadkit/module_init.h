#pragma once

#include <cstdint>

// The thread kit's module initialiser, called once at program start. The kit needs nothing
// prepared; the result is 0 and unused.
int32_t ModuleInitB();
