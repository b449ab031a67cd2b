#include "ui/tests/TagKeyFilter.h"

#include <QKeyEvent>

#include "reader/TagText.h"

namespace q17::ui {

void TTagKeyFilter::Attach(QLineEdit* edit) { edit->installEventFilter(new TTagKeyFilter(edit)); }

bool TTagKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit || event->type() != QEvent::KeyPress) return false;
  const QString typed = static_cast<QKeyEvent*>(event)->text();
  // Control characters (backspace, shortcuts, Enter) are the edit's own.
  if (typed.isEmpty() || typed.at(0).unicode() < 32 || typed.at(0).unicode() == 127) return false;
  TTagEdit e;
  e.Text = edit->text().toLatin1().toStdString();
  e.Caret = static_cast<std::size_t>(edit->cursorPosition());
  if (edit->hasSelectedText()) {
    e.SelStart = static_cast<std::size_t>(edit->selectionStart());
    e.SelLength = static_cast<std::size_t>(edit->selectedText().size());
  }
  const std::string before = e.Text;
  const bool accepted = TypeTagChar(e, typed.at(0).unicode());
  if (accepted || e.Text != before) {
    edit->setText(QString::fromLatin1(e.Text.c_str()));
    edit->setCursorPosition(static_cast<int>(e.Caret));
  }
  return true;
}

}  // namespace q17::ui
