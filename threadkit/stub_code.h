// The machine code of method stubs and of the shared epilogue they return through.
//
// A stub saves the callee-saved registers it is made to keep, the x87 control word and the
// MXCSR in a frame of its own, resets both floating-point controls to the processor's initial
// state, pushes the embedded instance pointer (the instance cell) and enters the operation with
// the cell's address as first argument and its own four argument words behind it, and with the
// epilogue as the operation's return address. The epilogue restores everything from the stub's
// frame, whatever the operation did, and returns to the stub's caller with the operation's
// result untouched.
#pragma once

#include <cstdint>

#include "runtime/byte_array.h"

// 32-bit x86 (stdcall): 60 bytes. The argument words come on the stack; the stub copies them
// below the cell and the epilogue removes them (their byte count, 16, is kept in the frame).
ByteArray MethodStubCodeX86(int32_t instance, int32_t operation, int32_t epilogue);
// 30 bytes.
ByteArray StubEpilogueCodeX86();

// x86-64 System V: 89 bytes. The argument words are the caller's first four integer argument
// registers and move up one register each behind the cell's address; the operation is entered
// with the stack 16-byte aligned. Callers remove no arguments, so the epilogue (32 bytes) puts
// the stack pointer back exactly.
ByteArray MethodStubCodeX64(intptr_t instance, intptr_t operation, intptr_t epilogue);
ByteArray StubEpilogueCodeX64();

// The code for the machine the program is built for.
ByteArray MethodStubCode(intptr_t instance, intptr_t operation, intptr_t epilogue);
ByteArray StubEpilogueCode();
