// The codes that a failed automation call leaves as the thread's last automation error. The
// values are the HRESULTs that the Windows automation layer reports for the same failures, so
// that a logged code reads the same on either system.
#pragma once

#include <cstdint>

namespace platform {

enum class AutomationError : int32_t {
  kNone = 0,
  kNotInitialized = static_cast<int32_t>(0x800401F0),      // no CoInitialize on this thread
  kClassNotRegistered = static_cast<int32_t>(0x80040154),  // no factory for the ProgID
  kCreationFailed = static_cast<int32_t>(0x80004005),      // the factory made no object
  kNoObject = static_cast<int32_t>(0x80004003),            // a call through an empty holder
  kUnknownName = static_cast<int32_t>(0x80020006),         // the object has no such member
  kMemberNotFound = static_cast<int32_t>(0x80020003),      // the member cannot be used so
  kTypeMismatch = static_cast<int32_t>(0x80020005),        // a value of the wrong kind
  kBadParamCount = static_cast<int32_t>(0x8002000E),       // too many or too few arguments
  kException = static_cast<int32_t>(0x80020009),           // the object refused the call
};

}  // namespace platform
