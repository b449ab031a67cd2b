#include "link/ErrMsg.h"

namespace q17 {

const char* GetErrorText(int code) {
  switch (code) {
    case rcOk: return "OK !";
    // The letters СОМ of this one text are Cyrillic, as the reader's users know it.
    case rcBadPort: return "Недопустимый СОМ-порт";
    case rcBadBaudRate: return "Недопустимая скорость";
    case rcPortClosed: return "COM-порт закрыт";
    case rcCloseError: return "Ошибка закрытия COM-порта";
    case rcWriteError: return "Ошибка записи в COM-порт";
    case rcTimeout: return "Таймаут обмена";
    case rcOpenError: return "Ошибка открытия порта";
    case rcBufferOverflow: return "Переполнение буфера обмена";
    case rcBadPacketNo: return "Неправильный номер пакета";
    case rcBadParameter: return "Недопустимый параметр";
    case rcDataError: return "Данные приняты с ошибкой";
    case rcNoTag: return "Нет тага в поле чтения";
    case rcUnknownError: return "Неизвестная ошибка";
    case rcNotSupported: return "Функция не поддерживается";
    case rcTesting: return "Идет тестирование...";
    default: return "Ошибка не имеет описания";
  }
}

std::string FormatResult(int code) {
  return "Код = " + std::to_string(code) + " / " + GetErrorText(code);
}

}  // namespace q17
