#include "window_app/framework/window_widget.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "window_app/framework/edit_box_widget.h"
#include "window_app/framework/qt_text.h"
#include "window_app/framework/window_registry.h"

namespace window_framework {

WindowWidget::WindowWidget(const WindowDescription& description)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      description_(description) {
  setWindowTitle(ToQString(description.caption));
  setFixedSize(description.width, description.height);
  for (const UnitDescription& unit : description.units) {
    QWidget* widget = nullptr;
    if (unit.kind == UnitKind::kEditBox) {
      auto* box = new EditBoxWidget(unit.editBox, this);
      box->ReplaceText(ToQString(unit.caption));
      widget = box;
    } else {
      auto* button = new QPushButton(ToQString(unit.caption), this);
      if (void (*handler)() = unit.onClick) {
        QObject::connect(button, &QPushButton::clicked, button, [handler] { handler(); });
      }
      widget = button;
    }
    widget->setObjectName(ToQString(unit.name));
    widget->setGeometry(unit.left, unit.top, unit.width, unit.height);
    units_.push_back(widget);
  }
}

QWidget* WindowWidget::UnitWidget(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= units_.size()) return nullptr;
  return units_[static_cast<size_t>(index)];
}

void WindowWidget::ShowCentred() {
  show();
  FitOuterSize();
  const QRect screen = this->screen()->availableGeometry();
  const QRect frame = frameGeometry();
  move(screen.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void WindowWidget::FitOuterSize() {
  const QMargins margins = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  if (margins == fittedMargins_) return;
  fittedMargins_ = margins;
  setFixedSize(description_.width - margins.left() - margins.right(),
               description_.height - margins.top() - margins.bottom());
}

void WindowWidget::moveEvent(QMoveEvent* event) {
  // A window manager that adds its frame after the window is shown moves the window as it does.
  FitOuterSize();
  QWidget::moveEvent(event);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted()) WindowClosed(description_);
}

}  // namespace window_framework
