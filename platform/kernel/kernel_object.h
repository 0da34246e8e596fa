// The base of everything a handle can name.
#pragma once

namespace platform {

// Kernel objects are shared: the handle table holds one reference and every wait or call in
// progress holds another, so an object outlives its handle for as long as anyone still uses it.
// That is the layer's one lifetime rule: closing a handle never frees memory that another
// thread is still looking at.
class KernelObject {
 public:
  KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;

  // Called once, when the object's handle is closed, after the handle has left the table. The
  // default does nothing; a completion port wakes its waiters with failure.
  virtual void OnHandleClosed() {}
};

}  // namespace platform
