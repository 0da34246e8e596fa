#include "window_app/framework/program_framework.h"

#include <QApplication>
#include <QFont>
#include <cstdio>

#include "platform/fatal_error.h"
#include "platform/file_system.h"
#include "platform/program_end.h"
#include "window_app/framework/fatal_report_box.h"
#include "window_app/framework/main_thread.h"
#include "window_app/framework/window_registry.h"
#include "window_app/framework/window_widget.h"

namespace {

constexpr const char* kLoadFailed = "载入启动窗口失败";

QtMessageHandler qtHandlerBeforeStart = nullptr;

// In force while the application object is made. The window system reports that it cannot start
// (no display, no platform plugin) as a fatal message, after which it would abort the process:
// the program's own fatal report ends it first, with its exit code.
void InterceptStartFailure(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtFatalMsg) platform::RaiseFatalError(std::nullopt, kLoadFailed);
  if (qtHandlerBeforeStart != nullptr) {
    qtHandlerBeforeStart(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }
}

void StartWindowSystem() {
  // The program takes no command line: the window system sees the program's name only.
  static int argc = 1;
  static char name[] = "trovanel-window";
  static char* argv[] = {name, nullptr};
  qtHandlerBeforeStart = qInstallMessageHandler(&InterceptStartFailure);
  new QApplication(argc, argv);  // lives until the process ends
  qInstallMessageHandler(qtHandlerBeforeStart);
  // The program decides when it ends: when its last window is gone, not its last box.
  QApplication::setQuitOnLastWindowClosed(false);
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), font.family()});
  font.setPointSize(9);
  QApplication::setFont(font);
}

}  // namespace

void RtInitProgram() {
  if (QCoreApplication::instance() != nullptr) return;
  platform::EnterProgramFolder();
  StartWindowSystem();
  window_framework::BecomeMainThread();
  window_framework::InstallFatalReportBox();
}

void RtRegisterExitRoutine(void (*routine)()) { platform::RegisterExitRoutine(routine); }

void RtLoadWindow(const WindowDescription& window) {
  if (QCoreApplication::instance() == nullptr || !window_framework::OnMainThread()) {
    platform::RaiseFatalError(std::nullopt, kLoadFailed);
  }
  auto* widget = new window_framework::WindowWidget(window);  // deleted when it is closed
  window_framework::WindowLoaded(window, widget);
  window_framework::AcceptWaitingCalls();
  if (window.onCreate != nullptr) window.onCreate();
  // The creation routine may have closed the window already.
  if (window_framework::LoadedWindowWidget(window) == widget) widget->ShowCentred();
}

void RtRunMessageLoop() {
  if (QCoreApplication::instance() == nullptr || !window_framework::AnyWindowLoaded()) return;
  QApplication::exec();
}
