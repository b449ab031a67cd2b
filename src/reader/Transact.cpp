#include "reader/Transact.h"

namespace q17 {

const char* EventText(std::uint16_t code) {
  switch (code) {
    case 0x0001: return "Питание включено";
    case 0x0002: return "Питание выключено";
    case 0x0010: return "Новый таг";
    case 0x0011: return "Таг потерян";
    case 0x0020: return "Вибродатчик сработал";
    case 0x0021: return "Вибродатчик в норме";
    case 0x0022: return "Тампер сработал";
    case 0x0023: return "Тампер в норме";
    case 0x0024: return "Батарейка разряжена";
    case 0x0025: return "Батарейка в норме";
    case 0x0101: return "Сработал датчик автомобиля";
    case 0x0102: return "Датчик автомобиля выключен";
    case 0x0103: return "Сработал датчик ворот";
    case 0x0104: return "Датчик ворот выключен";
    case 0x0110: return "Неизвестный интерфейс";
    case 0x0121: return "Таг в противоположном канале";
    case 0x0122: return "Канал заблокирован";
    case 0x0123: return "Канал разблокирован";
    case 0x0124: return "Таг передан в контроллер";
    case 0x0125: return "Ожидание датчика автомобиля";
    case 0x0126: return "Автомобиль пересек датчик";
    case 0x0127: return "Автомобиль не обнаружен";
    case 0x0128: return "Ворота не открылись";
    case 0x0129: return "Ожидание закрытия ворот";
    case 0x012A: return "Цикл доступа завершен";
    case 0x012B: return "Ожидание разрешения доступа";
    case 0x012C: return "Ожидание времени ворот по умолчанию";
    case 0x012D: return "Ворота закрылись";
    case 0x012E: return "Ворота не закрылись";
    case kEventExchangeError: return "Ошибка обмена со считывателем";
    default: return "Неизвестная транзакция";
  }
}

}  // namespace q17
