// Method stubs: generated machine code that makes one operation of one object callable as a
// plain routine, above all as a thread start routine.
//
// A stub embeds the instance pointer and the operation's address. Called with up to four
// argument words, it calls the operation as every operation of an object is called: first the
// address of a cell that holds the instance pointer, then the four words in their order; the
// operation may declare fewer. The operation's result is the stub's. On x86-64 the words are the
// caller's first four integer argument registers: a caller that passes fewer, as a thread start
// passes one, leaves the others undefined, and the operation must not read them.
//
// No exception and no thread cancellation may leave an operation reached through a stub: the
// generated code has no unwind information. Such operations catch everything at their boundary
// and are never terminated.
#pragma once

#include <cstdint>

#include "runtime/byte_array.h"

// The address of a method stub; 0 stands for none.
using MethodStub = intptr_t;

// A new stub for own operation k (counting from 1, the first entry after Destruct and Copy) of
// the instance held in the variable at self. 0 when k is 0, when the table entry is 0 or
// negative, or when no executable memory can be had. The table has no count: k must name an
// existing operation. The stub holds the instance pointer itself, not the variable, so the
// instance must outlive every call through it. Once every thread started on it has entered the
// operation, the stub may be freed while those operations still run.
MethodStub MakeMethodStub(const void* self, int32_t k);
template <typename T>
MethodStub MakeMethodStub(T* const* self, int32_t k) {
  return MakeMethodStub(static_cast<const void*>(self), k);
}

// Frees a stub (or any block of AllocExecutable); 0 does nothing.
void FreeExecutable(intptr_t address);

// The building blocks of MakeMethodStub.

// The machine word stored at address (pointer-sized: an instance pointer or a table entry).
intptr_t ReadDword(intptr_t address);

// Entry a of the instance's operation table, counting from 1; 0 when a < 1.
intptr_t TableEntry(intptr_t instance, int32_t a);

// The shared epilogue that every stub returns through, made on first use and kept until the
// process ends; 0 when it cannot be made (a later call tries again). Safe to call from any
// thread: two first calls at once still make one epilogue.
intptr_t GetStubEpilogue();

// New read-execute memory holding a copy of the bytes; 0 when none can be had.
intptr_t AllocExecutable(const ByteArray& bytes);
