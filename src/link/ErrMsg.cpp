#include "link/ErrMsg.h"

#include "link/TranslateNoop.h"

namespace q17 {

const char* GetErrorText(int code) {
  switch (code) {
    case rcOk: return QT_TRANSLATE_NOOP("ErrMsg", "OK !");
    // The letters СОМ of this one text are Cyrillic, as the reader's users know it.
    case rcBadPort: return QT_TRANSLATE_NOOP("ErrMsg", "Недопустимый СОМ-порт");
    case rcBadBaudRate: return QT_TRANSLATE_NOOP("ErrMsg", "Недопустимая скорость");
    case rcPortClosed: return QT_TRANSLATE_NOOP("ErrMsg", "COM-порт закрыт");
    case rcCloseError: return QT_TRANSLATE_NOOP("ErrMsg", "Ошибка закрытия COM-порта");
    case rcWriteError: return QT_TRANSLATE_NOOP("ErrMsg", "Ошибка записи в COM-порт");
    case rcTimeout: return QT_TRANSLATE_NOOP("ErrMsg", "Таймаут обмена");
    case rcOpenError: return QT_TRANSLATE_NOOP("ErrMsg", "Ошибка открытия порта");
    case rcBufferOverflow: return QT_TRANSLATE_NOOP("ErrMsg", "Переполнение буфера обмена");
    case rcBadPacketNo: return QT_TRANSLATE_NOOP("ErrMsg", "Неправильный номер пакета");
    case rcBadParameter: return QT_TRANSLATE_NOOP("ErrMsg", "Недопустимый параметр");
    case rcDataError: return QT_TRANSLATE_NOOP("ErrMsg", "Данные приняты с ошибкой");
    case rcNoTag: return QT_TRANSLATE_NOOP("ErrMsg", "Нет тага в поле чтения");
    case rcUnknownError: return QT_TRANSLATE_NOOP("ErrMsg", "Неизвестная ошибка");
    case rcNotSupported: return QT_TRANSLATE_NOOP("ErrMsg", "Функция не поддерживается");
    case rcTesting: return QT_TRANSLATE_NOOP("ErrMsg", "Идет тестирование...");
    default: return QT_TRANSLATE_NOOP("ErrMsg", "Ошибка не имеет описания");
  }
}

std::string FormatResult(int code) { return ComposeText(ResultShownText(code)); }

TShownText ResultShownText(int code) {
  return TShownText::Marked("ResultText", QT_TRANSLATE_NOOP("ResultText", "Код = %1 / %2"),
                            {TShownText::Plain(std::to_string(code)),
                             TShownText::Marked("ErrMsg", GetErrorText(code))});
}

}  // namespace q17
