// The options every test program starts its sanitizers with, compiled into the program: the
// sanitizers ask for them before main, so they hold however the test is started (the options in
// the environment, when set, still come on top). A program built without sanitizers never calls
// these.
//
// TROVANEL_TSAN_SUPPRESSIONS and TROVANEL_LSAN_SUPPRESSIONS name a program's suppressions files,
// for reports from inside libraries that we do not build.

// A death test of heap exhaustion needs the allocator to answer with null.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

extern "C" const char* __tsan_default_options() {
  return "allocator_may_return_null=1:halt_on_error=1:second_deadlock_stack=1"
#ifdef TROVANEL_TSAN_SUPPRESSIONS
         ":suppressions=" TROVANEL_TSAN_SUPPRESSIONS
#endif
      ;
}

extern "C" const char* __lsan_default_options() {
#ifdef TROVANEL_LSAN_SUPPRESSIONS
  return "suppressions=" TROVANEL_LSAN_SUPPRESSIONS;
#else
  return "";
#endif
}
