// q17_i18ncheck TS [--sources LIST]: fails (exit 1) when the translation
// file TS, as lupdate left it, lacks a finished translation of any text, or
// when a source named in LIST (one path a line) has a Russian text not
// marked for translation. The build runs it over a copy of each translation
// file brought up to date by lupdate.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "I18nCheck.h"

namespace {

bool Read(const QString& name, QByteArray& bytes) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "q17_i18ncheck: %s: %s\n", qPrintable(name), qPrintable(file.errorString()));
    return false;
  }
  bytes = file.readAll();
  return true;
}

void Say(const QString& where, const char* gap, const QStringList& problems, const char* what = "") {
  for (const QString& p : problems) {
    std::fprintf(stderr, "%s%s%s%s\n", qPrintable(where), gap, p.toUtf8().constData(), what);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.isEmpty() || (args.size() != 1 && (args.size() != 3 || args[1] != QLatin1String("--sources")))) {
    std::fprintf(stderr, "usage: q17_i18ncheck FILE.ts [--sources LIST]\n");
    return 2;
  }
  int problems = 0;
  QByteArray ts;
  if (!Read(args[0], ts)) return 2;
  const QStringList translations = q17::i18n::CheckTranslations(ts);
  Say(QFileInfo(args[0]).fileName(), ": ", translations);
  problems += static_cast<int>(translations.size());
  if (args.size() == 3) {
    QByteArray list;
    if (!Read(args[2], list)) return 2;
    for (const QByteArray& line : list.split('\n')) {
      const QString name = QString::fromUtf8(line.trimmed());
      if (name.isEmpty() || name.endsWith(QLatin1String(".ui"))) continue;
      QByteArray source;
      if (!Read(name, source)) return 2;
      const QStringList unmarked = q17::i18n::UnmarkedTexts(QString::fromUtf8(source));
      Say(name, ":", unmarked, " is not marked for translation");
      problems += static_cast<int>(unmarked.size());
    }
  }
  if (problems > 0) {
    std::fprintf(stderr,
                 "q17_i18ncheck: %d text(s) without a finished translation. Mark Russian texts with tr() or\n"
                 "QT_TRANSLATE_NOOP(), run `cmake --build build --target update_translations`, then translate\n"
                 "them in the project's translations/setupq17_*.ts (Qt Linguist: linguist-qt6).\n",
                 problems);
    return 1;
  }
  return 0;
}
