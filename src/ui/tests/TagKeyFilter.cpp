#include "ui/tests/TagKeyFilter.h"

#include <QKeyEvent>

#include "reader/TagText.h"

namespace q17::ui {

void TTagKeyFilter::Attach(QLineEdit* edit) {
  auto* filter = new TTagKeyFilter(edit);
  edit->installEventFilter(filter);
  // Pasting and dropping bypass the key filter: they are held to the limit
  // here. A text set by the program (loaded from a file) is shown whole.
  filter->FBefore = edit->text();
  connect(edit, &QLineEdit::textChanged, filter, [filter, edit] { filter->FBefore = edit->text(); });
  connect(edit, &QLineEdit::textEdited, filter, [filter, edit](const QString& after) {
    const TTagChange c = LimitTagChange(filter->FBefore.toStdU16String(), after.toStdU16String(),
                                        static_cast<std::size_t>(edit->cursorPosition()));
    const QString limited = QString::fromStdU16String(c.Text);
    if (limited == after) return;
    edit->setText(limited);
    edit->setCursorPosition(static_cast<int>(c.Caret));
  });
}

bool TTagKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit || event->type() != QEvent::KeyPress) return false;
  const QString typed = static_cast<QKeyEvent*>(event)->text();
  // Control characters (backspace, shortcuts, Enter) are the edit's own.
  if (typed.isEmpty() || typed.at(0).unicode() < 32 || typed.at(0).unicode() == 127) return false;
  // The field's own text stays as it is (any script); only what the filter
  // decides is changed.
  QString text = edit->text();
  std::size_t selStart = 0, selLength = 0;
  if (edit->hasSelectedText()) {
    selStart = static_cast<std::size_t>(edit->selectionStart());
    selLength = static_cast<std::size_t>(edit->selectedText().size());
  }
  const TTagKeyEffect k = TagKeyEffect(static_cast<std::size_t>(text.size()),
                                       static_cast<std::size_t>(edit->cursorPosition()), selStart, selLength,
                                       typed.at(0).unicode());
  if (k.AppendBlank) text += QLatin1Char(' ');
  if (k.Insert) text.replace(static_cast<qsizetype>(k.At), static_cast<qsizetype>(k.Replace), QLatin1Char(k.Char));
  if (k.AppendBlank || k.Insert) {
    edit->setText(text);
    edit->setCursorPosition(static_cast<int>(k.Caret));
  }
  return true;
}

}  // namespace q17::ui
