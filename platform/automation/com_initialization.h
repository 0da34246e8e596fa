// Per-thread initialisation of the automation layer. Objects can be created only on a thread
// that has initialised it; every CoInitialize is balanced by one CoUninitialize, and the layer
// stays initialised on the thread until the last of them.
#pragma once

#include <cstdint>

namespace platform {

constexpr int32_t kInitialized = 0;         // S_OK: the first initialisation on this thread
constexpr int32_t kAlreadyInitialized = 1;  // S_FALSE: counted, already initialised

int32_t CoInitialize();
// Drops one initialisation of this thread; without any, does nothing. Objects that are still
// held stay usable: they live as long as their references.
void CoUninitialize();
// How many initialisations this thread holds (for tests).
int32_t CoInitializeCount();

}  // namespace platform
