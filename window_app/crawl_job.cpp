#include "window_app/crawl_job.h"

// The crawl job and the handlers' work come with the next step of the windowed program; until
// then the buttons do nothing.
void OnStartButtonClick() {}

void OnPauseButtonClick() {}
