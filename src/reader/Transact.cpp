#include "reader/Transact.h"

#include "link/TranslateNoop.h"

namespace q17 {

const char* EventText(std::uint16_t code) {
  switch (code) {
    case 0x0001: return QT_TRANSLATE_NOOP("Transact", "Питание включено");
    case 0x0002: return QT_TRANSLATE_NOOP("Transact", "Питание выключено");
    case 0x0010: return QT_TRANSLATE_NOOP("Transact", "Новый таг");
    case 0x0011: return QT_TRANSLATE_NOOP("Transact", "Таг потерян");
    case 0x0020: return QT_TRANSLATE_NOOP("Transact", "Вибродатчик сработал");
    case 0x0021: return QT_TRANSLATE_NOOP("Transact", "Вибродатчик в норме");
    case 0x0022: return QT_TRANSLATE_NOOP("Transact", "Тампер сработал");
    case 0x0023: return QT_TRANSLATE_NOOP("Transact", "Тампер в норме");
    case 0x0024: return QT_TRANSLATE_NOOP("Transact", "Батарейка разряжена");
    case 0x0025: return QT_TRANSLATE_NOOP("Transact", "Батарейка в норме");
    case 0x0101: return QT_TRANSLATE_NOOP("Transact", "Сработал датчик автомобиля");
    case 0x0102: return QT_TRANSLATE_NOOP("Transact", "Датчик автомобиля выключен");
    case 0x0103: return QT_TRANSLATE_NOOP("Transact", "Сработал датчик ворот");
    case 0x0104: return QT_TRANSLATE_NOOP("Transact", "Датчик ворот выключен");
    case 0x0110: return QT_TRANSLATE_NOOP("Transact", "Неизвестный интерфейс");
    case 0x0121: return QT_TRANSLATE_NOOP("Transact", "Таг в противоположном канале");
    case 0x0122: return QT_TRANSLATE_NOOP("Transact", "Канал заблокирован");
    case 0x0123: return QT_TRANSLATE_NOOP("Transact", "Канал разблокирован");
    case 0x0124: return QT_TRANSLATE_NOOP("Transact", "Таг передан в контроллер");
    case 0x0125: return QT_TRANSLATE_NOOP("Transact", "Ожидание датчика автомобиля");
    case 0x0126: return QT_TRANSLATE_NOOP("Transact", "Автомобиль пересек датчик");
    case 0x0127: return QT_TRANSLATE_NOOP("Transact", "Автомобиль не обнаружен");
    case 0x0128: return QT_TRANSLATE_NOOP("Transact", "Ворота не открылись");
    case 0x0129: return QT_TRANSLATE_NOOP("Transact", "Ожидание закрытия ворот");
    case 0x012A: return QT_TRANSLATE_NOOP("Transact", "Цикл доступа завершен");
    case 0x012B: return QT_TRANSLATE_NOOP("Transact", "Ожидание разрешения доступа");
    case 0x012C: return QT_TRANSLATE_NOOP("Transact", "Ожидание времени ворот по умолчанию");
    case 0x012D: return QT_TRANSLATE_NOOP("Transact", "Ворота закрылись");
    case 0x012E: return QT_TRANSLATE_NOOP("Transact", "Ворота не закрылись");
    case kEventExchangeError: return QT_TRANSLATE_NOOP("Transact", "Ошибка обмена со считывателем");
    default: return QT_TRANSLATE_NOOP("Transact", "Неизвестная транзакция");
  }
}

}  // namespace q17
