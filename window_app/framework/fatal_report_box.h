// The fatal report's message box: captioned "错误", with the error icon and an OK button.
#pragma once

namespace window_framework {

// Makes every fatal report also show its box once it is on standard error. On the main thread
// the box holds the program's windows until it is closed; on another thread the main thread
// shows it and the failing thread waits for it to be closed. No box is shown once the program's
// windows are gone. Called on the main thread.
void InstallFatalReportBox();

}  // namespace window_framework
