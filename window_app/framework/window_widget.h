// A window of the framework on the window system, made from its description.
#pragma once

#include <QMargins>
#include <QWidget>
#include <vector>

#include "window_app/framework/window_description.h"

namespace window_framework {

class WindowWidget : public QWidget {
 public:
  explicit WindowWidget(const WindowDescription& description);

  const WindowDescription& Description() const { return description_; }
  // The unit's widget; null for an index outside the description.
  QWidget* UnitWidget(int32_t index) const;

  // Shows the window at its outer size, centred on its screen.
  void ShowCentred();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  // The client size that gives the described outer size with the frame the window system draws
  // (known only once the window is shown, and on some systems only a little later).
  void FitOuterSize();

  const WindowDescription& description_;
  std::vector<QWidget*> units_;
  QMargins fittedMargins_;
};

}  // namespace window_framework
