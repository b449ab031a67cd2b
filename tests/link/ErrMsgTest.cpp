#include "link/ErrMsg.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(ErrMsg, EveryListedCodeHasItsText) {
  const std::pair<int, const char*> table[] = {
      {0, "OK !"},
      {1, "Недопустимый СОМ-порт"},
      {2, "Недопустимая скорость"},
      {3, "COM-порт закрыт"},
      {4, "Ошибка закрытия COM-порта"},
      {5, "Ошибка записи в COM-порт"},
      {6, "Таймаут обмена"},
      {7, "Ошибка открытия порта"},
      {8, "Переполнение буфера обмена"},
      {9, "Неправильный номер пакета"},
      {20, "Недопустимый параметр"},
      {21, "Данные приняты с ошибкой"},
      {80, "Нет тага в поле чтения"},
      {200, "Неизвестная ошибка"},
      {201, "Функция не поддерживается"},
      {222, "Идет тестирование..."},
  };
  for (const auto& [code, text] : table) EXPECT_STREQ(GetErrorText(code), text) << code;
}

TEST(ErrMsg, UnlistedCodesHaveNoDescription) {
  for (int code : {10, 81, 199, 255, -1, 65535}) {
    EXPECT_STREQ(GetErrorText(code), "Ошибка не имеет описания") << code;
  }
}

TEST(ErrMsg, CodeOneSpellsComInCyrillicAndTheOthersInLatin) {
  // С О М in UTF-8: D0 A1, D0 9E, D0 9C.
  EXPECT_NE(std::string(GetErrorText(1)).find("\xD0\xA1\xD0\x9E\xD0\x9C"), std::string::npos);
  for (int code : {3, 4, 5}) EXPECT_NE(std::string(GetErrorText(code)).find("COM"), std::string::npos);
}

TEST(ErrMsg, FormatResult) {
  EXPECT_EQ(FormatResult(0), "Код = 0 / OK !");
  EXPECT_EQ(FormatResult(6), "Код = 6 / Таймаут обмена");
  EXPECT_EQ(FormatResult(-1), "Код = -1 / Ошибка не имеет описания");
}

TEST(ShownText, PartsFillTheirPlacesOnceAndOnlyTheirs) {
  // A server's words may hold "%1": they are shown as they came, never filled.
  EXPECT_EQ(FillPlaceholders("%1 (%2) %3 100 %", {"a %2", "b"}), "a %2 (b) %3 100 %");
  const TShownText text = TShownText::Marked(
      "ctx", "%2: %1", {TShownText::Plain("x"), TShownText::Joined({TShownText::Plain("y"), ResultShownText(6)})});
  EXPECT_EQ(ComposeText(text), "yКод = 6 / Таймаут обмена: x");
}

}  // namespace
}  // namespace q17
