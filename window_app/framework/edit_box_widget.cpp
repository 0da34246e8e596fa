#include "window_app/framework/edit_box_widget.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace window_framework {

EditBoxWidget::EditBoxWidget(const EditBoxStyle& style, QWidget* parent) : QPlainTextEdit(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  const Qt::ScrollBarPolicy bars =
      style.scrollBars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  setHorizontalScrollBarPolicy(bars);
  setVerticalScrollBarPolicy(bars);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Chinese lines have no blanks to break at: wrap anywhere when a word does not fit.
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setReadOnly(style.readOnly);
  // No limit on the text: the block count limit stays 0 (setting it would also switch off undo).
  QPalette colours = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Base, Qt::white);
    colours.setColor(group, QPalette::Text, Qt::black);
  }
  if (style.hideSelection) {
    // The box paints its selection with the inactive colours while it has no focus.
    colours.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  }
  setPalette(colours);
}

void EditBoxWidget::AppendAtEnd(const QString& text) {
  QTextDocument* text_document = document();
  QTextCursor cursor(text_document);
  cursor.movePosition(QTextCursor::End);
  // An append cannot be undone, and an older undo step would no longer fit the text.
  text_document->setUndoRedoEnabled(false);
  cursor.insertText(text);
  text_document->setUndoRedoEnabled(true);
  setTextCursor(cursor);
  ensureCursorVisible();
}

QString EditBoxWidget::TextWithCrLf() const {
  QString text;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin()) text += QStringLiteral("\r\n");
    text += block.text();
  }
  return text;
}

void EditBoxWidget::ReplaceText(const QString& text) { setPlainText(text); }

}  // namespace window_framework
