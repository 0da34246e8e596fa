// The holder of one instance of a thread-kit class.
//
// The thread kit's classes lay out their instances as every object of the system is laid out:
// the address of the class's operation table first, then the fields. An operation table is a
// plain array of pointer-sized operation addresses without count or header: the class's
// Destruct and Copy first, then its own operations in their declared order, which is how
// MakeMethodStub(k) finds own operation k. Every operation receives first the address of the
// variable that holds the instance pointer (its "cell"), then its own arguments; an operation
// that uses another operation of its class calls it through the table.
#pragma once

// T provides `operations` (its table) as first member, `static T* New()` (the holder's part of
// creation: the instance allocated with its fields zeroed, its table set, its construction hook
// run) and the table's `destruct`.
template <typename T>
class Instance {
 public:
  Instance() : pointer_(T::New()) {}
  // Takes over an instance that the class's Copy operation made.
  explicit Instance(T* adopted) : pointer_(adopted) {}
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  // Runs the class's Destruct through its table, then frees the instance.
  ~Instance() {
    pointer_->operations->destruct(&pointer_);
    delete pointer_;
  }

  // The variable that holds the instance pointer: what every operation takes first.
  T* const* Cell() const { return &pointer_; }
  T* Get() const { return pointer_; }

 private:
  T* pointer_;
};
