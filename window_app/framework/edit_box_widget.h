// The edit box unit on the window system: a multi-line plain-text box that keeps the line
// breaks of the system ("\r\n") when it is read back.
#pragma once

#include <QPlainTextEdit>

#include "window_app/framework/window_description.h"

namespace window_framework {

class EditBoxWidget : public QPlainTextEdit {
 public:
  EditBoxWidget(const EditBoxStyle& style, QWidget* parent);

  // Inserts the text at the end, the caret after it and in view; the undo history is cleared.
  void AppendAtEnd(const QString& text);
  // The whole text, each line break as "\r\n".
  QString TextWithCrLf() const;
  void ReplaceText(const QString& text);
};

}  // namespace window_framework
