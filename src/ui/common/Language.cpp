#include "ui/common/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <string>
#include <vector>

#include "link/ErrMsg.h"
#include "settings/LanguageChoice.h"

namespace q17::ui {
namespace {

const QString kTranslations = QStringLiteral(":/i18n");
const QString kPrefix = QStringLiteral("setupq17_");
// The translators this file installed, found again to be dropped.
const QString kTranslatorName = QStringLiteral("q17LanguageTranslator");

void DropTranslators() {
  QCoreApplication* app = QCoreApplication::instance();
  for (QTranslator* t : app->findChildren<QTranslator*>(kTranslatorName, Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
}

bool Install(const QString& file, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  translator->setObjectName(kTranslatorName);
  if (translator->load(file, folder) && QCoreApplication::installTranslator(translator)) return true;
  delete translator;
  return false;
}

}  // namespace

QStringList AvailableLanguages() {
  QStringList codes{QString::fromLatin1(kOwnLanguage)};
  const QStringList files = QDir(kTranslations).entryList({kPrefix + QStringLiteral("*.qm")}, QDir::Files, QDir::Name);
  for (const QString& file : files) {
    const QString code = file.mid(kPrefix.size()).chopped(3);
    if (!codes.contains(code)) codes << code;
  }
  return codes;
}

bool UseLanguage(const QString& code) {
  if (!QCoreApplication::instance() || !AvailableLanguages().contains(code)) return false;
  DropTranslators();
  if (code != QLatin1String(kOwnLanguage)) Install(kPrefix + code, kTranslations);
  // The Windows folder carries Qt's translations beside the program; Linux
  // has them where Qt was installed.
  for (const QString& folder : {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
    if (Install(QStringLiteral("qtbase_") + code, folder)) break;
  }
  return true;
}

QString LanguageName(const QString& code) {
  const QLocale locale(code);
  // Qt names English after a country ("American English").
  if (locale.language() == QLocale::English) return QStringLiteral("English");
  if (locale.language() == QLocale::C) return code;
  const QString name = locale.nativeLanguageName();
  return name.left(1).toUpper() + name.mid(1);
}

QString CoreText(const char* context, const char* text) { return QCoreApplication::translate(context, text); }

QString ShownText(const TShownText& text) {
  switch (text.Kind) {
    case TShownText::TKind::Plain:
      return QString::fromStdString(text.Text);
    case TShownText::TKind::Joined: {
      QString joined;
      for (const TShownText& part : text.Parts) joined += ShownText(part);
      return joined;
    }
    case TShownText::TKind::Marked:
      break;
  }
  // Filled as the core fills its own, so both read alike in Russian.
  std::vector<std::string> args;
  args.reserve(text.Parts.size());
  for (const TShownText& part : text.Parts) args.push_back(ShownText(part).toStdString());
  return QString::fromStdString(FillPlaceholders(CoreText(text.Context, text.Text.c_str()).toStdString(), args));
}

QString ResultText(int code) { return ShownText(ResultShownText(code)); }

}  // namespace q17::ui
