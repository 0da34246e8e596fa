#include "threadkit/stub_code.h"

#include "runtime/conversions.h"

namespace {

// A run of fixed code bytes from a literal, which holds zero bytes too.
template <size_t N>
ByteArray Fixed(const char (&bytes)[N]) {
  return ByteArray(bytes, N - 1);
}

// The eight bytes of an address, least significant first.
ByteArray AddressBytes(intptr_t value) {
  const auto bits = static_cast<uint64_t>(value);
  return RtBytesConcat(CmdToBytes(static_cast<int32_t>(static_cast<uint32_t>(bits))),
                       CmdToBytes(static_cast<int32_t>(static_cast<uint32_t>(bits >> 32))));
}

}  // namespace

ByteArray MethodStubCodeX86(int32_t instance, int32_t operation, int32_t epilogue) {
  static const ByteArray kEntry = Fixed(
      "\x55"          // push ebp
      "\x8B\xEC"      // mov ebp, esp
      "\x6A\x10"      // push 16: the argument byte count, at fp-4
      "\x53\x56\x57"  // push ebx, esi, edi
      "\x6A\x00"      // push 0: room for the x87 control word
      "\xD9\x3C\x24"  // fnstcw [esp]
      "\xDB\xE3"      // fninit
      "\x68");        // push imm32: the instance cell
  static const ByteArray kCall = Fixed(
      "\x8B\xC4"              // mov eax, esp: the cell's address
      "\xB9\x10\x00\x00\x00"  // mov ecx, 16
      "\x2B\xE1"              // sub esp, ecx
      "\x8D\x75\x08"          // lea esi, [ebp+8]: the stub's own argument words
      "\x8D\x3C\x24"          // lea edi, [esp]
      "\xFC"                  // cld
      "\xF3\xA4"              // rep movsb
      "\x8B\x4D\xF8"          // mov ecx, [ebp-8]
      "\x8B\x75\xF4"          // mov esi, [ebp-12]
      "\x8B\x7D\xF0"          // mov edi, [ebp-16]
      "\x50"                  // push eax: the operation's first argument
      "\xB8");                // mov eax, imm32: the operation
  static const ByteArray kReturnAddress = Fixed("\x68");  // push imm32: the epilogue
  static const ByteArray kJump = Fixed("\xFF\xE0");       // jmp eax
  return RtBytesConcat(kEntry, CmdToBytes(instance), kCall, CmdToBytes(operation), kReturnAddress,
                       CmdToBytes(epilogue), kJump);
}

ByteArray StubEpilogueCodeX86() {
  return Fixed(
      "\x8B\x4D\xFC"      // mov ecx, [ebp-4]: the argument byte count
      "\x8B\x5D\xF8"      // mov ebx, [ebp-8]
      "\x8B\x75\xF4"      // mov esi, [ebp-12]
      "\x8B\x7D\xF0"      // mov edi, [ebp-16]
      "\xD9\x6D\xEC"      // fldcw [ebp-20]
      "\x8B\xE5"          // mov esp, ebp
      "\x5D"              // pop ebp
      "\x8D\x64\x0C\x04"  // lea esp, [esp+ecx+4]: past the return address and the arguments
      "\xF7\xD9"          // neg ecx
      "\x8B\x4C\x0C\xFC"  // mov ecx, [esp+ecx-4]: the return address
      "\xFF\xE1");        // jmp ecx
}

ByteArray MethodStubCodeX64(intptr_t instance, intptr_t operation, intptr_t epilogue) {
  // Frame (fp = rbp after the second instruction, 16-byte aligned since the call pushed 8):
  // fp-8 rbx, fp-16 r12, fp-24 r13, fp-32 r14, fp-40 r15, fp-48 x87 control word, fp-56 MXCSR,
  // fp-64 the instance cell. The pushed return address then leaves rsp at 8 mod 16, as an
  // operation expects on entry.
  static const ByteArray kEntry = Fixed(
      "\x55"                  // push rbp
      "\x48\x89\xE5"          // mov rbp, rsp
      "\x53"                  // push rbx
      "\x41\x54"              // push r12
      "\x41\x55"              // push r13
      "\x41\x56"              // push r14
      "\x41\x57"              // push r15
      "\x6A\x00"              // push 0: room for the x87 control word
      "\xD9\x3C\x24"          // fnstcw [rsp]
      "\x6A\x00"              // push 0: room for the MXCSR
      "\x0F\xAE\x1C\x24"      // stmxcsr [rsp]
      "\xDB\xE3"              // fninit
      "\x68\x80\x1F\x00\x00"  // push 0x1F80: the MXCSR's initial value, then the cell
      "\x0F\xAE\x14\x24"      // ldmxcsr [rsp]
      "\x48\xB8");            // mov rax, imm64: the instance
  static const ByteArray kShuffle = Fixed(
      "\x48\x89\x04\x24"  // mov [rsp], rax: the cell holds the instance
      "\xFC"              // cld
      "\x49\x89\xC8"      // mov r8, rcx
      "\x48\x89\xD1"      // mov rcx, rdx
      "\x48\x89\xF2"      // mov rdx, rsi
      "\x48\x89\xFE"      // mov rsi, rdi
      "\x48\x89\xE7"      // mov rdi, rsp: the cell's address
      "\x48\xB8");        // mov rax, imm64: the operation
  static const ByteArray kReturnAddress = Fixed("\x49\xBB");  // mov r11, imm64: the epilogue
  static const ByteArray kEnter = Fixed(
      "\x41\x53"    // push r11: the operation returns into the epilogue
      "\xFF\xE0");  // jmp rax
  return RtBytesConcat(kEntry, AddressBytes(instance), kShuffle, AddressBytes(operation),
                       kReturnAddress, AddressBytes(epilogue), kEnter);
}

ByteArray StubEpilogueCodeX64() {
  return Fixed(
      "\x48\x8B\x5D\xF8"  // mov rbx, [rbp-8]
      "\x4C\x8B\x65\xF0"  // mov r12, [rbp-16]
      "\x4C\x8B\x6D\xE8"  // mov r13, [rbp-24]
      "\x4C\x8B\x75\xE0"  // mov r14, [rbp-32]
      "\x4C\x8B\x7D\xD8"  // mov r15, [rbp-40]
      "\xD9\x6D\xD0"      // fldcw [rbp-48]
      "\x0F\xAE\x55\xC8"  // ldmxcsr [rbp-56]
      "\x48\x89\xEC"      // mov rsp, rbp
      "\x5D"              // pop rbp
      "\xC3");            // ret
}

#if defined(__x86_64__)
ByteArray MethodStubCode(intptr_t instance, intptr_t operation, intptr_t epilogue) {
  return MethodStubCodeX64(instance, operation, epilogue);
}
ByteArray StubEpilogueCode() { return StubEpilogueCodeX64(); }
#elif defined(__i386__)
ByteArray MethodStubCode(intptr_t instance, intptr_t operation, intptr_t epilogue) {
  return MethodStubCodeX86(instance, operation, epilogue);
}
ByteArray StubEpilogueCode() { return StubEpilogueCodeX86(); }
#else
#error "Method stubs are made for x86 and x86-64 only."
#endif
