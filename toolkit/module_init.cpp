#include "toolkit/module_init.h"

int32_t ModuleInitA() {
  ModuleInitABody();
  return 0;
}

void ModuleInitABody() {}
