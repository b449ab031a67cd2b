#pragma once
// The checks that keep the program whole in every language: a translation
// file with a finished translation of every text, and source files whose
// Russian texts are all marked for translation. Used by q17_i18ncheck at
// build time and by its tests.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace q17::i18n {

// What is wrong with a translation file (.ts) as lupdate leaves it, one line
// per text: a text not translated yet, an empty translation, a text no
// longer in the program, a translation that is the Russian text itself or
// holds Russian letters (for a language not written in Cyrillic), or whose
// %1, %2 ... are not those of its source. Empty when all is well.
QStringList CheckTranslations(const QByteArray& ts);

// The Russian texts of a C++ source that are not marked for translation:
// "line: text" for each string literal with a Cyrillic letter that is not an
// argument of tr(), QCoreApplication::translate() or QT_TRANSLATE_NOOP().
// Comments do not count; a literal on the line of, or the line after, a
// comment that says "untranslated:" (a text the same in every language) is
// left alone.
QStringList UnmarkedTexts(const QString& source);

}  // namespace q17::i18n
