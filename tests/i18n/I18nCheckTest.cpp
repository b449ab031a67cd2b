#include "I18nCheck.h"

#include <gtest/gtest.h>

namespace q17::i18n {
namespace {

// One message in a translation file for `language`.
QByteArray Ts(const char* message, const char* language = "en") {
  return QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"") +
         language + "\" sourcelanguage=\"ru_RU\">\n<context>\n<name>Ctx</name>\n" + message + "\n</context>\n</TS>\n";
}

TEST(I18nCheck, EveryTextNeedsItsOwnFinishedTranslation) {
  struct Case {
    const char* message;
    const char* problem;  // nullptr: none; else a word of the one problem said
  };
  const Case cases[] = {
      {"<message><source>Таймаут обмена</source><translation>Exchange time-out</translation></message>", nullptr},
      // A text already English may stay as it is.
      {"<message><source>OK !</source><translation>OK !</translation></message>", nullptr},
      {"<message><source>Код = %1 / %2</source><translation>Code = %1 / %2</translation></message>", nullptr},
      {"<message><source>95% %1</source><translation>95% %1</translation></message>", nullptr},
      {"<message numerus=\"yes\"><source>%n строк</source><translation><numerusform>%n line</numerusform>"
       "<numerusform>%n lines</numerusform></translation></message>",
       nullptr},
      {"<message><source>Новый таг</source><translation type=\"unfinished\"></translation></message>",
       "not translated"},
      {"<message><source>Новый таг</source><translation type=\"unfinished\">New tag</translation></message>",
       "not translated"},
      {"<message><source>Новый таг</source><translation></translation></message>", "empty"},
      {"<message numerus=\"yes\"><source>%n строк</source><translation><numerusform>%n line</numerusform>"
       "<numerusform></numerusform></translation></message>",
       "empty"},
      {"<message><source>Новый таг</source><translation>Новый таг</translation></message>", "Russian text itself"},
      // The Cyrillic С of this one source, kept in the English by mistake.
      {"<message><source>Недопустимый СОМ-порт</source><translation>Invalid СОМ port</translation></message>",
       "Russian letters"},
      {"<message><source>Код = %1 / %2</source><translation>Code = %1</translation></message>", "differ"},
      {"<message><source>Файл %1</source><translation>File %2</translation></message>", "differ"},
      {"<message><source>Старый таг</source><translation type=\"vanished\">Old tag</translation></message>",
       "no longer"},
  };
  for (const Case& c : cases) {
    const QStringList problems = CheckTranslations(Ts(c.message));
    if (!c.problem) {
      EXPECT_TRUE(problems.isEmpty()) << c.message << "\n" << problems.join('\n').toStdString();
    } else {
      ASSERT_EQ(problems.size(), 1) << c.message << "\n" << problems.join('\n').toStdString();
      EXPECT_TRUE(problems.front().contains(QString::fromUtf8(c.problem))) << problems.front().toStdString();
      EXPECT_TRUE(problems.front().startsWith(QStringLiteral("Ctx: "))) << problems.front().toStdString();
    }
  }
}

TEST(I18nCheck, ALanguageWrittenInCyrillicMayKeepARussianWord) {
  const char* same = "<message><source>Старт</source><translation>Старт</translation></message>";
  EXPECT_TRUE(CheckTranslations(Ts(same, "uk")).isEmpty());
  EXPECT_EQ(CheckTranslations(Ts(same, "de")).size(), 1);
}

TEST(I18nCheck, AFileThatIsNoTranslationFileFails) {
  EXPECT_FALSE(CheckTranslations("<TS><context>").isEmpty());
  EXPECT_FALSE(CheckTranslations("<html></html>").isEmpty());
}

TEST(I18nCheck, RussianTextsOutsideATranslationCallAreNamedByLine) {
  const QString source = QString::fromUtf8(R"cpp(// "Код = N / text" in a comment: no text
/* «Тест» over
   two lines */
const auto a = tr("Тест");
const auto b = QCoreApplication::translate("Ctx", "Тест, "
                                                  "и дальше");
const char* c = QT_TRANSLATE_NOOP("Ctx", "Тест");
const auto d = QStringLiteral("Тест");
const auto e = TfrmRadioTest::tr("Тест %1").arg(1'000);
// untranslated: the same in every language
const auto f = QStringLiteral("Язык / Language");
const auto g = QString::fromUtf8(u8"Привет");
const auto h = R"x(Сырой "текст")x";
const char* i = "\"Тест\"";
const char q = '"';
const auto j = QStringLiteral("Plain English");
const auto k = tr("Mixed, " "и русский");
)cpp");
  EXPECT_EQ(UnmarkedTexts(source), (QStringList{QStringLiteral("8: \"Тест\""), QStringLiteral("12: \"Привет\""),
                                                QStringLiteral("13: \"Сырой \"текст\"\""),
                                                QStringLiteral("14: \"\\\"Тест\\\"\"")}));
}

}  // namespace
}  // namespace q17::i18n
