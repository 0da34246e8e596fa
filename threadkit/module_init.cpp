#include "threadkit/module_init.h"

int32_t ModuleInitB() { return 0; }
