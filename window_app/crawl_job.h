// The crawl job and the two buttons that control it.
#pragma once

// Click handler of 按钮_开始工作: starts a crawl job or stops the pool; main thread.
void OnStartButtonClick();
// Click handler of 按钮_暂停工作: holds and releases the pool's workers; main thread.
void OnPauseButtonClick();
