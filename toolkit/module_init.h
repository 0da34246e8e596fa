// The toolkit's module initialiser, run once at program start. The toolkit keeps no state
// that needs setting up, so its body is empty.
#pragma once

#include <cstdint>

int32_t ModuleInitA();
void ModuleInitABody();
