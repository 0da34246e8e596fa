#include "window_app/globals.h"

std::unique_ptr<Instance<Thread>> crawlThread;
std::unique_ptr<Array<CategoryRecord>> categories;
std::unique_ptr<Instance<CriticalSection>> logLock;
std::unique_ptr<Array<Text>> jpgLines;
Text saveFolder;

void InitGlobals() {
  // threadPool: made first, once the thread pool has been built.
  crawlThread = std::make_unique<Instance<Thread>>();
  categories = std::make_unique<Array<CategoryRecord>>();
  logLock = std::make_unique<Instance<CriticalSection>>();
  jpgLines = std::make_unique<Array<Text>>();
}

void FreeGlobals() {
  // threadPool: destructed here first, once the thread pool has been built; its running
  // threads then count below as the crawl thread does.
  const bool threadsRemain = Thread::IsRunning(crawlThread->Cell()) != 0;
  crawlThread.reset();  // Thread::Destruct lets go of the thread without waiting for it
  if (threadsRemain) {
    // Left to the end of the process: a thread still running may use them, and the process
    // ends right after this routine without waiting for it.
    (void)categories.release();
    (void)logLock.release();
  } else {
    saveFolder = Text();
    categories.reset();
    logLock.reset();
  }
  jpgLines.reset();
}
