#pragma once
// Marks a user-visible text of the core for translation. The core keeps its
// Russian texts exactly as they are and has no Qt; lupdate finds each text
// marked here under its context, and a window shows it in the user's
// language with QCoreApplication::translate(context, text). Without Qt the
// mark is the text itself; with Qt it is Qt's own macro, spelt the same.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
