// The globals of the windowed program. They live from InitGlobals, early in ProgramMain, until
// FreeGlobals at the program's normal end; every other thread starts after InitGlobals.
#pragma once

#include <memory>

#include "crawl/category_menu.h"
#include "runtime/array.h"
#include "runtime/text.h"
#include "threadkit/critical_section.h"
#include "threadkit/instance.h"
#include "threadkit/thread.h"
#include "threadkit/thread_pool.h"

// The crawl's pool: created and destroyed by the crawl thread and the buttons, once per job.
extern std::unique_ptr<Instance<ThreadPool>> threadPool;

// Starts the crawl thread; main thread only.
extern std::unique_ptr<Instance<Thread>> crawlThread;
// Appended to by the crawl thread before it posts tasks (never emptied); read by the tasks.
extern std::unique_ptr<Array<CategoryRecord>> categories;
// Taken by LogLine alone.
extern std::unique_ptr<Instance<CriticalSection>> logLock;
// The lines of the desktop's "jpg.xml"; main thread only.
extern std::unique_ptr<Array<Text>> jpgLines;
// The program folder + "/文件/", set by the crawl thread before it posts tasks; read by them.
extern Text saveFolder;

// Makes the globals, in this order: threadPool, crawlThread, categories, logLock, jpgLines.
void InitGlobals();

// The exit routine: ends the pool without waiting for its workers, lets go of the crawl thread,
// then frees saveFolder, categories, logLock and jpgLines. When the crawl thread or pool
// threads still run (the window was closed during a job), what they use is left to the end of
// the process, which follows at once, instead of being freed (or emptied) under them: the pool
// while the crawl thread may still call it (it is told to end all the same), the texts, records
// and the lock while any of them may still read or take them.
void FreeGlobals();
