#include "window_app/globals.h"

std::unique_ptr<Instance<ThreadPool>> threadPool;
std::unique_ptr<Instance<Thread>> crawlThread;
std::unique_ptr<Array<CategoryRecord>> categories;
std::unique_ptr<Instance<CriticalSection>> logLock;
std::unique_ptr<Array<Text>> jpgLines;
Text saveFolder;

void InitGlobals() {
  threadPool = std::make_unique<Instance<ThreadPool>>();  // ThreadPool::Init makes its stubs
  crawlThread = std::make_unique<Instance<Thread>>();
  categories = std::make_unique<Array<CategoryRecord>>();
  logLock = std::make_unique<Instance<CriticalSection>>();
  jpgLines = std::make_unique<Array<Text>>();
}

void FreeGlobals() {
  const bool crawlThreadRuns = Thread::IsRunning(crawlThread->Cell()) != 0;
  // Running or still ending: its workers may be inside a task.
  const bool poolThreadsRemain = ThreadPool::State(threadPool->Cell()) != ThreadPool::kStateNone;
  if (crawlThreadRuns) {
    // No operation may follow the pool's destruction, and the crawl thread may still call one:
    // the pool is only told to end, as its destruction would do.
    // The global keeps pointing at it: the crawl thread reads the global itself.
    ThreadPool::Destroy(threadPool->Cell(), ThreadPool::kDropQueuedNoWait);
  } else {
    threadPool.reset();  // ThreadPool::Destruct, which does not wait for the workers
  }
  crawlThread.reset();  // Thread::Destruct lets go of the thread without waiting for it
  const bool threadsRemain = crawlThreadRuns || poolThreadsRemain;
  // Otherwise they are left as they are to the end of the process, which follows right after
  // this routine without waiting for the threads that may still read or take them: even
  // emptying a global would pull it from under them.
  if (!threadsRemain) {
    saveFolder = Text();
    categories.reset();
    logLock.reset();
  }
  jpgLines.reset();
}
