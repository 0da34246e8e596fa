#include "window_app/framework/message_box_widgets.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <array>
#include <utility>

#include "window_app/framework/main_thread.h"
#include "window_app/framework/message_box.h"
#include "window_app/framework/qt_text.h"
#include "window_app/framework/window_registry.h"
#include "window_app/framework/window_widget.h"

namespace window_framework {
namespace {

constexpr std::array<std::pair<QMessageBox::StandardButton, int32_t>, 7> kAnswers{{
    {QMessageBox::Ok, kAnswerOk},
    {QMessageBox::Cancel, kAnswerCancel},
    {QMessageBox::Abort, kAnswerAbort},
    {QMessageBox::Retry, kAnswerRetry},
    {QMessageBox::Ignore, kAnswerIgnore},
    {QMessageBox::Yes, kAnswerYes},
    {QMessageBox::No, kAnswerNo},
}};

// The buttons of the flags' low four bits, in their order on the box.
std::vector<QMessageBox::StandardButton> ButtonsOf(uint32_t flags) {
  switch (flags & 0xF) {
    case MB_OKCANCEL:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case MB_ABORTRETRYIGNORE:
      return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case MB_YESNOCANCEL:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MB_YESNO:
      return {QMessageBox::Yes, QMessageBox::No};
    case MB_RETRYCANCEL:
      return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
      return {QMessageBox::Ok};
  }
}

QMessageBox::Icon IconOf(uint32_t flags) {
  switch (flags & 0xF0) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// A box that can be closed (title-bar button, Escape) only when it has Cancel, or OK alone.
class SystemMessageBox : public QMessageBox {
 public:
  SystemMessageBox(const BoxRequest& request, QWidget* parent)
      : QMessageBox(parent), request_(request) {
    setWindowTitle(ToQString(request.caption));
    setTextFormat(Qt::PlainText);
    setText(ToQString(request.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    setIcon(IconOf(request.flags));
    const std::vector<QMessageBox::StandardButton> buttons = ButtonsOf(request.flags);
    for (QMessageBox::StandardButton button : buttons) addButton(button);
    const size_t defaultIndex = (request.flags & 0xF00) >> 8;
    setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);
    if (QAbstractButton* cancel = button(QMessageBox::Cancel)) {
      setEscapeButton(cancel);
      closable_ = true;
    } else if (buttons.size() == 1) {
      setEscapeButton(button(QMessageBox::Ok));
      closable_ = true;
    }
    if (request.flags & MB_SYSTEMMODAL) setWindowFlag(Qt::WindowStaysOnTopHint);
  }

  const BoxRequest& Request() const { return request_; }
  void Abandon() {
    abandoned_ = true;
    done(0);
  }
  int32_t Answer() {
    if (abandoned_) return kAnswerNone;
    const StandardButton pressed = standardButton(clickedButton());
    for (const auto& [standard, answer] : kAnswers) {
      if (standard == pressed) return answer;
    }
    return kAnswerNone;
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    // Closing answers with the escape button, which must be known before the box finishes.
    if (closable_) {
      escapeButton()->click();
      event->accept();
    } else {
      event->ignore();
    }
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && !closable_) return;
    QMessageBox::keyPressEvent(event);
  }

 private:
  BoxRequest request_;
  bool closable_ = false;
  bool abandoned_ = false;
};

std::vector<QPointer<SystemMessageBox>>& OpenBoxes() {
  static std::vector<QPointer<SystemMessageBox>> boxes;
  return boxes;
}

std::function<void(QMessageBox&)>& ShownHook() {
  static std::function<void(QMessageBox&)> hook;
  return hook;
}

SystemMessageBox* MakeBox(const BoxRequest& request, Qt::WindowModality unparented) {
  QWidget* parent = request.parent != nullptr ? LoadedWindowWidget(*request.parent) : nullptr;
  auto* box = new SystemMessageBox(request, parent);
  box->setWindowModality(parent != nullptr ? Qt::WindowModal : unparented);
  std::erase_if(OpenBoxes(), [](const auto& open) { return open.isNull(); });
  OpenBoxes().emplace_back(box);
  QObject::connect(box, &QDialog::finished, box, [box] {
    std::erase_if(OpenBoxes(), [box](const auto& open) { return open.isNull() || open == box; });
  });
  return box;
}

void AnnounceShown(SystemMessageBox* box) {
  QPointer<SystemMessageBox> shown(box);
  QTimer::singleShot(0, box, [shown] {
    if (shown && shown->isVisible() && ShownHook()) ShownHook()(*shown);
  });
}

}  // namespace

int32_t RunModalBox(const BoxRequest& request) {
  SystemMessageBox* box = MakeBox(request, Qt::ApplicationModal);
  AnnounceShown(box);
  box->exec();
  const int32_t answer = box->Answer();
  delete box;
  return answer;
}

void ShowModelessBox(const BoxRequest& request, std::function<void(int32_t)> done) {
  SystemMessageBox* box = MakeBox(request, Qt::NonModal);
  QObject::connect(box, &QDialog::finished, box, [box, done = std::move(done)] {
    done(box->Answer());
    box->deleteLater();
  });
  box->show();
  AnnounceShown(box);
}

std::optional<int32_t> AskBox(const BoxRequest& request) {
  return AskMainThread<int32_t>(
      [&request] { return RunModalBox(request); },
      [request](const std::shared_ptr<Reply<int32_t>>& reply) {
        ShowModelessBox(request, [reply](int32_t answer) { reply->Complete(answer); });
      });
}

void CloseOpenMessageBoxes() {
  std::vector<QPointer<SystemMessageBox>> boxes = OpenBoxes();
  for (const auto& box : boxes) {
    if (box) box->Abandon();
  }
}

std::vector<QMessageBox*> OpenMessageBoxes() {
  std::vector<QMessageBox*> boxes;
  for (const auto& box : OpenBoxes()) {
    if (box && box->isVisible()) boxes.push_back(box.data());
  }
  return boxes;
}

Text BoxCaption(const QMessageBox& box) {
  return static_cast<const SystemMessageBox&>(box).Request().caption;
}
Text BoxText(const QMessageBox& box) {
  return static_cast<const SystemMessageBox&>(box).Request().text;
}
uint32_t BoxFlags(const QMessageBox& box) {
  return static_cast<const SystemMessageBox&>(box).Request().flags;
}

bool PressBoxButton(QMessageBox& box, int32_t answer) {
  for (const auto& [standard, value] : kAnswers) {
    if (value != answer) continue;
    QAbstractButton* button = box.button(standard);
    if (button == nullptr) return false;
    button->click();
    return true;
  }
  return false;
}

void SetBoxShownHook(std::function<void(QMessageBox&)> hook) { ShownHook() = std::move(hook); }

}  // namespace window_framework
