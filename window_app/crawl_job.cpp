#include "window_app/crawl_job.h"

#include <algorithm>
#include <string>

#include "crawl/category_menu.h"
#include "crawl/category_menu_html.h"
#include "crawl/save_folder.h"
#include "runtime/process.h"
#include "toolkit/atomic_increment.h"
#include "toolkit/sleep_pumping.h"
#include "window_app/category_task.h"
#include "window_app/framework/edit_box.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/unit_properties.h"
#include "window_app/globals.h"
#include "window_app/log_line.h"
#include "window_app/main_window.h"

namespace {

// How long the stop button waits for the running tasks before it gives the window back.
constexpr int32_t kStopWaitMs = 20;

Text Caption(const Unit& button) { return UnitValueText(RtReadUnitProperty(button, kUnitCaption)); }
void SetCaption(const Unit& button, const char* caption) {
  RtWriteUnitProperty(button, kUnitCaption, Text(caption));
}
void SetPauseButtonDisabled(int32_t disabled) {
  RtWriteUnitProperty(按钮_暂停工作, kUnitDisabled, disabled);
}

// Posts one task per record, never more at a time than workers are idle, and after each batch
// waits for a task to finish; returns once every task is posted and one more has finished, or
// when the pool is no longer running (stopped).
void PostCategoryTasks(int32_t count) {
  ThreadPool::Cell pool = threadPool->Cell();
  int32_t posted = 0;
  while (posted < count) {
    const int32_t idle = ThreadPool::IdleCount(pool);
    if (idle > 0) {
      const int32_t batch = std::min(count - posted, idle);
      for (int32_t i = 0; i < batch; ++i) {
        // A refused post (the pool was stopped) still counts: the loop must end.
        ThreadPool::Post(pool, &CategoryTaskEntry, posted + 1);
        // Only this thread reads the count, so the interlocked increment gains nothing; it costs
        // nothing either, and is kept so that the loop does exactly what it always did.
        AtomicIncrement(posted);
        SleepPumping(kPostingPauseMs);
      }
    }
    if (ThreadPool::WaitTaskDone(pool) == 0) break;
  }
}

}  // namespace

uint32_t CrawlThreadEntry(intptr_t /*parameter*/) {
  RunCrawlJob();
  return 0;
}

void RunCrawlJob() {
  saveFolder = MakeSaveFolder();
  ParseCategoryMenu(CategoryMenuHtml, *categories);
  const int32_t count = categories->Count();

  if (ThreadPool::Create(threadPool->Cell(), {.initialThreads = count, .maxThreads = count}) != 1) {
    LogLine("线程池创建失败，请重试！");
    SetCaption(按钮_开始工作, "开始");
    SetPauseButtonDisabled(1);
    return;
  }
  LogLine("线程池创建成功<并发线程数：" + std::to_string(count) + ">");

  PostCategoryTasks(count);

  CmdProcessEvents();
  LogLine("等待线程结束...");
  // The destruction opens the run gate, which would end a pause that the user set: the job
  // keeps it until "继续", or until the stop button destroys the pool, which opens the gate too.
  ThreadPool::WaitRunGate(threadPool->Cell());
  // A task that was posted but not yet taken by a worker still runs, instead of its
  // whole category being lost. (The stop button drops such tasks: there the user asked for it.)
  if (ThreadPool::Destroy(threadPool->Cell(), ThreadPool::kRunQueuedAndWait) != 0) {
    LogLine("线程销毁完成");
  }

  SetPauseButtonDisabled(1);
  SetCaption(按钮_开始工作, "开始");
  CmdMessageBox("完成", 0);
}

void OnStartButtonClick() {
  if (Caption(按钮_开始工作) == "开始") {
    SetPauseButtonDisabled(0);
    SetCaption(按钮_开始工作, "停止");
    if (ThreadPool::BusyCount(threadPool->Cell()) != 0) return;
    // Refused while the previous job's crawl thread still runs (its "完成" box is open, say).
    Thread::Start(crawlThread->Cell(), &CrawlThreadEntry);
    // The same caption once more after the start: redundant and harmless, and kept so that the
    // handler does exactly what it always did.
    SetCaption(按钮_开始工作, "停止");
  } else if (Caption(按钮_开始工作) == "停止") {
    SetPauseButtonDisabled(0);
    ThreadPool::Destroy(threadPool->Cell(), ThreadPool::kDropQueuedAndWait, kStopWaitMs);
    SetCaption(按钮_开始工作, "开始");
  }
}

void OnPauseButtonClick() {
  if (Caption(按钮_暂停工作) == "继续") {
    ThreadPool::Resume(threadPool->Cell());
    SetCaption(按钮_暂停工作, "暂停");
  } else if (Caption(按钮_暂停工作) == "暂停") {
    ThreadPool::Pause(threadPool->Cell());
    // The user's own note: no time stamp, no line break, and not under logLock.
    CmdEditAppend(编辑框_日志, "已暂停线程");
    SetCaption(按钮_暂停工作, "继续");
  }
}
