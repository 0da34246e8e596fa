// The crawl job and the two buttons that control it.
//
// The start button's caption is the job's state: "开始" while none was asked for, "停止" from
// the click that starts one until the job ends (or the stop click). The pause button's caption
// says what its next click does: "暂停" holds the pool's workers, "继续" releases them.
#pragma once

#include <cstdint>

// The pace of posting: a new task no sooner than this after the one before.
inline constexpr int32_t kPostingPauseMs = 50;

// The crawl thread's routine: runs RunCrawlJob; the parameter and the exit code mean nothing.
uint32_t CrawlThreadEntry(intptr_t parameter);

// One whole crawl, on the crawl thread: makes the program folder's "文件" folder and sets
// saveFolder, appends the built-in menu's records to categories, creates threadPool with one
// worker per record (all records, earlier runs' too) and posts one CategoryTaskEntry per record,
// at most as many at a time as workers are idle and kPostingPauseMs apart. Once every task is
// posted and one has finished it logs "等待线程结束...", waits while the pool is paused (until
// "继续" or a stop), destroys the pool letting every posted task run ("线程销毁完成" once it is
// gone), disables the pause button, sets "开始" and shows "完成".
// When the pool cannot be created it logs "线程池创建失败，请重试！", sets "开始" and disables
// the pause button, without a box.
void RunCrawlJob();

// Click handler of 按钮_开始工作; main thread. On "开始": enables the pause button, sets "停止"
// and starts the crawl thread, unless tasks of an earlier job are still busy or its crawl
// thread still runs. On "停止": enables the pause button, destroys the pool (dropping queued
// tasks, waiting at most 20 ms for the running ones) and sets "开始".
void OnStartButtonClick();

// Click handler of 按钮_暂停工作; main thread. On "继续": resumes the pool and sets "暂停". On
// "暂停": pauses the pool (workers stop before their next task; running tasks go on), appends
// "已暂停线程" to the log without a line break and sets "继续".
void OnPauseButtonClick();
