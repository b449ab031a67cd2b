#pragma once
// The windows in the user's language. Russian is the program's own: its
// texts are written in it and need no translation. Another language comes
// from a translation built into the program (translations/setupq17_<code>.ts)
// and, for Qt's own texts (file dialogs, message-box buttons), from Qt's
// translation for it. Texts of the core are shown through CoreText, those
// it composes through ShownText, results through ResultText.
#include <QString>
#include <QStringList>

#include "link/ShownText.h"

namespace q17::ui {

// "ru" first, then the language of every translation built in ("en", ...).
QStringList AvailableLanguages();

// From now on the application speaks `code`: windows made afterwards show
// their texts in it, and so do texts that are translated when shown. The
// language used before is dropped. Qt's own texts are taken from
// translations/ beside the program (the Windows folder), else from Qt's
// folder of translations; none found leaves them as Qt has them. False, and
// nothing changed, when `code` is not available.
bool UseLanguage(const QString& code);

// The language's own name for itself: "Русский", "English".
QString LanguageName(const QString& code);

// A text of the core, marked QT_TRANSLATE_NOOP(context, text), in the
// language in use.
QString CoreText(const char* context, const char* text);

// A text the core composes, made of the same parts translated; in Russian
// the very text ComposeText gives.
QString ShownText(const TShownText& text);

// "Код = N / text", composed from its translated parts; in Russian the very
// text FormatResult gives.
QString ResultText(int code);

}  // namespace q17::ui
