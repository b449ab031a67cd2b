<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru_RU">
<context>
    <name>AddressList</name>
    <message>
        <source>в диапазоне &apos;%1&apos; первый адрес больше последнего</source>
        <translation>in the range &apos;%1&apos; the first address is above the last</translation>
    </message>
    <message>
        <source>нужны адреса 1..255 через запятую, диапазоны через дефис (1,3,5-9) или found</source>
        <translation>give addresses 1..255 separated by commas, ranges with a dash (1,3,5-9), or found</translation>
    </message>
    <message>
        <source>нет ни одного адреса; %1</source>
        <translation>no address given; %1</translation>
    </message>
    <message>
        <source>лишняя запятая; %1</source>
        <translation>a comma too many; %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; — не адрес и не диапазон; %2</source>
        <translation>&apos;%1&apos; is neither an address nor a range; %2</translation>
    </message>
</context>
<context>
    <name>Audit</name>
    <message>
        <source>Кан. %1</source>
        <translation>Ch. %1</translation>
    </message>
</context>
<context>
    <name>ConfigCopy</name>
    <message>
        <source>записано</source>
        <translation>written</translation>
    </message>
    <message>
        <source>неизвестно</source>
        <translation>not known</translation>
    </message>
    <message>
        <source>не записано</source>
        <translation>not written</translation>
    </message>
    <message>
        <source>записана и проверена</source>
        <translation>written and verified</translation>
    </message>
    <message>
        <source>не отвечает: %1</source>
        <translation>no answer: %1</translation>
    </message>
    <message>
        <source>не записана, конфигурация не считана: %1</source>
        <translation>not written, configuration not read: %1</translation>
    </message>
    <message>
        <source>неизвестно: %1 (%2)</source>
        <translation>not known: %1 (%2)</translation>
    </message>
    <message>
        <source>отказ: %1 (%2)</source>
        <translation>refused: %1 (%2)</translation>
    </message>
    <message>
        <source>не записана</source>
        <translation>not written</translation>
    </message>
    <message>
        <source>не записана (остановлено)</source>
        <translation>not written (stopped)</translation>
    </message>
    <message>
        <source>записана, не проверена (остановлено)</source>
        <translation>written, not verified (stopped)</translation>
    </message>
    <message>
        <source>неизвестно (остановлено):%1</source>
        <extracomment>%1: each command&apos;s name and what became of it, each after a blank, commas between</extracomment>
        <translation>not known (stopped):%1</translation>
    </message>
    <message>
        <source>записана, проверка не удалась: %1</source>
        <translation>written, verification failed: %1</translation>
    </message>
    <message>
        <source>записана, но считана другая конфигурация</source>
        <translation>written, but another configuration was read back</translation>
    </message>
    <message>
        <source>не тронут (устройство отключено)</source>
        <translation>not touched (device disconnected)</translation>
    </message>
    <message>
        <source>не тронут (остановлено)</source>
        <translation>not touched (stopped)</translation>
    </message>
    <message>
        <source>не тронут (ответил обзору не целиком): %1</source>
        <translation>not touched (incomplete answer to the survey): %1</translation>
    </message>
</context>
<context>
    <name>ErrMsg</name>
    <message>
        <source>OK !</source>
        <translation>OK !</translation>
    </message>
    <message>
        <source>Недопустимый СОМ-порт</source>
        <translation>Invalid COM port</translation>
    </message>
    <message>
        <source>Недопустимая скорость</source>
        <translation>Invalid baud rate</translation>
    </message>
    <message>
        <source>COM-порт закрыт</source>
        <translation>COM port closed</translation>
    </message>
    <message>
        <source>Ошибка закрытия COM-порта</source>
        <translation>Error closing the COM port</translation>
    </message>
    <message>
        <source>Ошибка записи в COM-порт</source>
        <translation>Error writing to the COM port</translation>
    </message>
    <message>
        <source>Таймаут обмена</source>
        <translation>Exchange time-out</translation>
    </message>
    <message>
        <source>Ошибка открытия порта</source>
        <translation>Error opening the port</translation>
    </message>
    <message>
        <source>Переполнение буфера обмена</source>
        <translation>Exchange buffer overflow</translation>
    </message>
    <message>
        <source>Неправильный номер пакета</source>
        <translation>Wrong packet number</translation>
    </message>
    <message>
        <source>Недопустимый параметр</source>
        <translation>Invalid parameter</translation>
    </message>
    <message>
        <source>Данные приняты с ошибкой</source>
        <translation>Data received with an error</translation>
    </message>
    <message>
        <source>Нет тага в поле чтения</source>
        <translation>No tag in the read zone</translation>
    </message>
    <message>
        <source>Неизвестная ошибка</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Функция не поддерживается</source>
        <translation>Function not supported</translation>
    </message>
    <message>
        <source>Идет тестирование...</source>
        <translation>Testing...</translation>
    </message>
    <message>
        <source>Ошибка не имеет описания</source>
        <translation>The error has no description</translation>
    </message>
</context>
<context>
    <name>Export</name>
    <message>
        <source>Файл %1 уже существует. Заменить его?</source>
        <translation>The file %1 already exists. Replace it?</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2</source>
        <translation>Could not write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>ExportName</name>
    <message>
        <source>Таблица CSV</source>
        <translation>CSV table</translation>
    </message>
    <message>
        <source>Журнал обмена</source>
        <translation>Traffic log</translation>
    </message>
</context>
<context>
    <name>OpenFailureText</name>
    <message>
        <source>сервер не отвечает</source>
        <translation>the server does not answer</translation>
    </message>
    <message>
        <source>соединение отклонено</source>
        <translation>connection refused</translation>
    </message>
    <message>
        <source>порт занят другим клиентом</source>
        <translation>the port is in use by another client</translation>
    </message>
    <message>
        <source>Устройство отключено</source>
        <translation>Device disconnected</translation>
    </message>
</context>
<context>
    <name>QtSeams</name>
    <message>
        <source>Configuration files (*.set)</source>
        <translation>Configuration files (*.set)</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Confirmation</translation>
    </message>
</context>
<context>
    <name>ReaderConfig</name>
    <message>
        <source>СТАНДАРТНЫЙ</source>
        <translation>STANDARD</translation>
    </message>
    <message>
        <source>БЕЗ ВОРОТ</source>
        <translation>NO GATE</translation>
    </message>
    <message>
        <source>ОДНОКРАТНЫЙ</source>
        <translation>ONE READ</translation>
    </message>
    <message>
        <source>НА ПРОЕЗД</source>
        <translation>ON THE FLY</translation>
    </message>
    <message>
        <source>&lt;неизвестный&gt;</source>
        <translation>&lt;unknown&gt;</translation>
    </message>
</context>
<context>
    <name>ResultText</name>
    <message>
        <source>Код = %1 / %2</source>
        <translation>Code = %1 / %2</translation>
    </message>
</context>
<context>
    <name>Sensors</name>
    <message>
        <source>ВКЛ.</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>выкл.</source>
        <translation>off</translation>
    </message>
</context>
<context>
    <name>SpinEdit</name>
    <message>
        <source>Конечный адрес (%1) меньше начального (%2): %3. Исправьте диапазон адресов.</source>
        <translation>The end address (%1) is below the start address (%2): %3. Correct the address range.</translation>
    </message>
</context>
<context>
    <name>SurveyTable</name>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Версия</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Режим</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Время памяти 1, 0,1 с</source>
        <translation>Tag memory 1, 0.1 s</translation>
    </message>
    <message>
        <source>Время памяти 2, 0,1 с</source>
        <translation>Tag memory 2, 0.1 s</translation>
    </message>
    <message>
        <source>Затухание 1</source>
        <translation>Attenuation 1</translation>
    </message>
    <message>
        <source>Затухание 2</source>
        <translation>Attenuation 2</translation>
    </message>
    <message>
        <source>Ошибки эха</source>
        <translation>Echo errors</translation>
    </message>
    <message>
        <source>Эхо 95 %, мс</source>
        <translation>Echo 95 %, ms</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TPageCommon</name>
    <message>
        <source>На данной закладке устанавливаются параметры считывателя, независимые от режима работы. Эти параметры участвуют в работе любого алгоритма.</source>
        <translation>This page sets the reader&apos;s parameters that do not depend on the operating mode. They take part in every mode.</translation>
    </message>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Канал активен</source>
        <translation>Channel active</translation>
    </message>
    <message>
        <source>Время памяти тага в радиоканале</source>
        <translation>Tag memory time in the radio channel</translation>
    </message>
    <message>
        <source>1 sec</source>
        <translation>1 sec</translation>
    </message>
    <message>
        <source>Усиление в радиоканале</source>
        <translation>Radio channel gain</translation>
    </message>
    <message>
        <source>Min.</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>Max.</source>
        <translation>Max.</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>Проверять таг в противоположном канале</source>
        <translation>Check the tag in the opposite channel</translation>
    </message>
</context>
<context>
    <name>TPageNoGate</name>
    <message>
        <source>В данном режиме код тага выдается каждый раз при появлении новго тага в поле канала считывателя, датчики автоматики игнорируются.
Следующий раз код тага будет выдан только после его исчезновения по истечении времени памяти тага в радиоканале.
При связанной работе каналов в момент фиксации нового тага проверяется его наличие в противоположном канале, и если таг там обнаружен, то его код не выдается на контроллер.
Выдача кодов тагов на выход производится поочередно из обоих каналов с интервалом не чаще паузы между посылками wiegand.</source>
        <translation>In this mode a tag&apos;s code is output each time a new tag appears in a channel&apos;s read zone; the automation sensors are ignored.
The same tag&apos;s code is output again only after the tag has gone and its tag memory time has run out.
With the channels linked, a new tag is first looked for in the opposite channel; if it is there, its code is not sent to the controller.
Tag codes of both channels are output in turn, no more often than the interval between Wiegand messages.</translation>
    </message>
    <message>
        <source>Интервал между посылками wiegand</source>
        <translation>Interval between Wiegand messages</translation>
    </message>
</context>
<context>
    <name>TPageOnTheFly</name>
    <message>
        <source>В данном режиме проезд автомобиля фиксируется по последовательному пересечению полей чтения каналов. В зависимости от последовательности пересечения зон чтения формируется код wiegand на одном или другом выходе (въезд или выезд).
Если к моменту пересечения зоны чтения второго канала таг в первом канале уже &quot;забыт&quot;, то проезд фиксироваться не будет.
Специальных настроек данный режим не предусматривает.</source>
        <translation>In this mode a car&apos;s passage is recognised by its crossing the read zones of the two channels one after the other. By the order in which it crosses them, the Wiegand code goes out on one output or the other (entry or exit).
If the first channel has already &quot;forgotten&quot; the tag when the car crosses the second channel&apos;s read zone, no passage is recorded.
This mode has no settings of its own.</translation>
    </message>
    <message>
        <source>В этом режиме автоматически устанавливаются:

  1. Активность обоих каналов
  2. Опция просмотра тага в смежном канале</source>
        <translation>This mode sets automatically:

  1. Both channels active
  2. Checking the tag in the adjacent channel</translation>
    </message>
</context>
<context>
    <name>TPageOneRead</name>
    <message>
        <source>В данном режиме после чтения тага считыватель блокируется и ждет срабатывания датчика автомобиля в течение заданного времени.
Если датчик сработал, то выдается код тага на контроллер. Если произошел таймаут, то считыватель возвращается в исходное состояние.
При связанной работе каналов прочитанный новый таг проервется на наличие его в противоположном канале.</source>
        <translation>In this mode, after reading a tag the reader locks and waits the set time for the car sensor to trigger.
If the sensor triggers, the tag&apos;s code is sent to the controller. On a time-out the reader returns to its initial state.
With the channels linked, a newly read tag is looked for in the opposite channel.</translation>
    </message>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Использовать датчик автомобиля</source>
        <translation>Use the car sensor</translation>
    </message>
    <message>
        <source>Время ожидания тага, сек.</source>
        <translation>Tag wait time, sec.</translation>
    </message>
    <message>
        <source>Инверсия датчика автомобиля</source>
        <translation>Invert the car sensor</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
</context>
<context>
    <name>TPageStandard</name>
    <message>
        <source>Режим с макисмальным использованием автоматики ворот или шлагбаумов.
Позволяет реализовать наиболее сложные алгоритмы проезда с взаимодействием каналов на въезд и выезд.</source>
        <translation>The mode that makes the most of gate or barrier automation.
It allows the most involved passage sequences, with the entry and exit channels working together.</translation>
    </message>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Использовать датчик автомобиля</source>
        <translation>Use the car sensor</translation>
    </message>
    <message>
        <source>Использовать датчик ворот</source>
        <translation>Use the gate sensor</translation>
    </message>
    <message>
        <source>Время ожидания автомобиля</source>
        <translation>Car wait time</translation>
    </message>
    <message>
        <source>Время ожидания срабатывания датчика автомобиля</source>
        <translation>How long to wait for the car sensor to trigger</translation>
    </message>
    <message>
        <source>Время ожидания доступа</source>
        <translation>Access wait time</translation>
    </message>
    <message>
        <source>Время ожидания срабатывания датчика открытия ворот</source>
        <translation>How long to wait for the gate-open sensor to trigger</translation>
    </message>
    <message>
        <source>Время открытых ворот</source>
        <translation>Gate open time</translation>
    </message>
    <message>
        <source>Время ожидания закрытия ворот</source>
        <translation>How long to wait for the gate to close</translation>
    </message>
    <message>
        <source>Сбрасывать время по датчику</source>
        <translation>Restart the time on the sensor</translation>
    </message>
    <message>
        <source>Время доступа по умолчанию</source>
        <translation>Default access time</translation>
    </message>
    <message>
        <source>Время доступа при отсутствии датчика ворот</source>
        <translation>Access time when there is no gate sensor</translation>
    </message>
    <message>
        <source>Инверсия датчика автомобиля</source>
        <translation>Invert the car sensor</translation>
    </message>
    <message>
        <source>Инверсия датчика ворот</source>
        <translation>Invert the gate sensor</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
</context>
<context>
    <name>TPageTests</name>
    <message>
        <source> Тест RS-485 </source>
        <translation> RS-485 test </translation>
    </message>
    <message>
        <source>Тест позволяет получить статистику обмена со считывателем для оценки качества линии связи.</source>
        <translation>Gathers statistics of the exchanges with the reader, to judge the quality of the line.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source> Тест радиоканала </source>
        <translation> Radio test </translation>
    </message>
    <message>
        <source>Тест служит для качественной оценки чтения тагов в реально времени.</source>
        <translation>Judges how well tags are read, in real time.</translation>
    </message>
    <message>
        <source>Проверка состояния датчиков</source>
        <translation>Sensor state check</translation>
    </message>
    <message>
        <source>Тест позовляет в реальном времени отслеживать состояние датчиков автоматики ворот (с учетом инверсии).</source>
        <translation>Follows the state of the gate automation sensors in real time (with their inversion applied).</translation>
    </message>
    <message>
        <source> Аудит системы доступа </source>
        <translation> Access system audit </translation>
    </message>
    <message>
        <source>Аудит позволяет отслеживать работу подсистемы доступа с выводом на экран всех событий, включая работу датчиков.</source>
        <translation>Follows the access subsystem at work and shows every event on the screen, the sensors&apos; included.</translation>
    </message>
    <message>
        <source>Тестрование чтения тагов</source>
        <translation>Tag reading test</translation>
    </message>
    <message>
        <source>Тест позволяет контролировать чтение тагов по звуковому сигналу на ПК. Время памяти устанавливается на 2 сек.</source>
        <translation>Checks tag reading by a sound on the PC. The tag memory time is set to 2 sec.</translation>
    </message>
</context>
<context>
    <name>TfrmAbout</name>
    <message>
        <source>О программе SetupQ17.exe</source>
        <translation>About SetupQ17.exe</translation>
    </message>
</context>
<context>
    <name>TfrmAddNetPort</name>
    <message>
        <source>Сетевой порт</source>
        <translation>Network port</translation>
    </message>
    <message>
        <source>Считыватели за сетевым сервером последовательного порта (Ethernet - RS-485).
Укажите вид порта, адрес сервера и номер TCP-порта или введите имя порта целиком.</source>
        <translation>Readers behind a network serial server (Ethernet - RS-485).
Choose the kind of port, enter the server address and the TCP port number, or type the whole port name.</translation>
    </message>
    <message>
        <source>Вид порта</source>
        <translation>Kind of port</translation>
    </message>
    <message>
        <source>TCP (только байты линии)</source>
        <translation>TCP (the line bytes only)</translation>
    </message>
    <message>
        <source>RFC 2217 (telnet с настройкой порта)</source>
        <translation>RFC 2217 (telnet with port settings)</translation>
    </message>
    <message>
        <source>Адрес сервера</source>
        <translation>Server address</translation>
    </message>
    <message>
        <source>имя или IP-адрес</source>
        <translation>name or IP address</translation>
    </message>
    <message>
        <source>Порт TCP</source>
        <translation>TCP port</translation>
    </message>
    <message>
        <source>Имя порта</source>
        <translation>Port name</translation>
    </message>
    <message>
        <source>tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ</source>
        <translation>tcp://HOST:PORT or rfc2217://HOST:PORT</translation>
    </message>
    <message>
        <source> Добавка сети к таймауту ответа </source>
        <translation> Network allowance on the reply time-out </translation>
    </message>
    <message>
        <source>Автоматически (по времени ответа сервера при открытии)</source>
        <translation>Automatic (from the server&apos;s reply time at opening)</translation>
    </message>
    <message>
        <source>Постоянная, мс</source>
        <translation>Fixed, ms</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TfrmAddrChange</name>
    <message>
        <source>Смена адреса считывателя</source>
        <translation>Change the reader&apos;s address</translation>
    </message>
    <message>
        <source>Для смены адреса считывателя установите новый адрес и нажмите &quot;Сменить&quot;.
Для установки текущего адреса смените его и нажмите &quot;Закрыть&quot;.</source>
        <translation>To change the reader&apos;s address, set the new address and press &quot;Change&quot;.
To set the current address, change it and press &quot;Close&quot;.</translation>
    </message>
    <message>
        <source>Текущий адрес</source>
        <translation>Current address</translation>
    </message>
    <message>
        <source>Новый адрес</source>
        <translation>New address</translation>
    </message>
    <message>
        <source>Сменить</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmAudio</name>
    <message>
        <source>Тест зоны чтения тага</source>
        <translation>Tag read zone test</translation>
    </message>
    <message>
        <source>Во время теста вы можете по звуковому сигналу и визуально контролировать наличие тага с заданным номером в поле чтения выбранного канала. Если номер тага не задан (пустая строка), то тест будет фиксировать наличие любых тагов в поле чтения выбранного канала.</source>
        <translation>During the test a sound and the window tell whether the tag with the given number is in the read zone of the chosen channel. With no tag number (an empty field) the test reports any tag in the chosen channel&apos;s read zone.</translation>
    </message>
    <message>
        <source>Тестовый таг:</source>
        <translation>Test tag:</translation>
    </message>
    <message>
        <source>Канал для тестирования</source>
        <translation>Channel to test</translation>
    </message>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmAudit</name>
    <message>
        <source>Аудит подсистемы доступа</source>
        <translation>Access subsystem audit</translation>
    </message>
    <message>
        <source>При открытии данного окна считыватель автоматически переходит в режим аудита подсистемы доступа.

При закрытии окна режим аудита выключается.</source>
        <translation>When this window opens, the reader switches to access audit mode.

When the window closes, audit mode is switched off.</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Очистка транзакций на экране</source>
        <translation>Clear the events on the screen</translation>
    </message>
    <message>
        <source>Очистить БД</source>
        <translation>Clear store</translation>
    </message>
    <message>
        <source>Очистка базы транзакций считывателя</source>
        <translation>Clear the reader&apos;s store of events</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Закрыть окно аудита</source>
        <translation>Close the audit window</translation>
    </message>
</context>
<context>
    <name>TfrmCommTest</name>
    <message>
        <source>Тест обмена со считывателем</source>
        <translation>Reader exchange test</translation>
    </message>
    <message>
        <source>Нормальных обменов</source>
        <translation>Good exchanges</translation>
    </message>
    <message>
        <source>Число ошибок</source>
        <translation>Errors</translation>
    </message>
    <message>
        <source>Милисекунд/на обмен = ?</source>
        <translation>Milliseconds per exchange = ?</translation>
    </message>
    <message>
        <source>Длина данных</source>
        <translation>Data length</translation>
    </message>
    <message>
        <source>Начать тест</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>Закончить</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmFindReaders</name>
    <message>
        <source>Поиск считывателей на текущем интерфейсе</source>
        <translation>Find readers on the current interface</translation>
    </message>
    <message>
        <source>С помощью данной опции вы можете просканировать адресное пространство для поиска считывателей на линии RS-485. Продолжительность теста зависит от заданного диапазона адресов поиска.</source>
        <translation>Scans a range of addresses for readers on the RS-485 line. How long the search takes depends on the range of addresses given.</translation>
    </message>
    <message>
        <source>Найденные считыватели</source>
        <translation>Readers found</translation>
    </message>
    <message>
        <source>Начальный адрес</source>
        <translation>Start address</translation>
    </message>
    <message>
        <source>Конечный адрес</source>
        <translation>End address</translation>
    </message>
    <message>
        <source>Начать поиск</source>
        <translation>Start search</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmFleetSurvey</name>
    <message>
        <source>Обзор считывателей</source>
        <translation>Reader survey</translation>
    </message>
    <message>
        <source>Все считыватели диапазона адресов: версия, режим, время памяти тага, затухания и короткий тест обмена. Двойной щелчок по строке: работать с этим считывателем.</source>
        <translation>Every reader of an address range: version, mode, tag memory times, attenuations and a short exchange test. Double-click a row to work with that reader.</translation>
    </message>
    <message>
        <source>Начальный адрес</source>
        <translation>Start address</translation>
    </message>
    <message>
        <source>Конечный адрес</source>
        <translation>End address</translation>
    </message>
    <message>
        <source>Начать</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Остановить</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Адрес %v</source>
        <translation>Address %v</translation>
    </message>
    <message>
        <source>Сохранить в файл...</source>
        <translation>Save to file...</translation>
    </message>
    <message>
        <source>Записать в несколько считывателей...</source>
        <translation>Write to several readers...</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmFleetWrite</name>
    <message>
        <source>Записать в несколько считывателей</source>
        <translation>Write to several readers</translation>
    </message>
    <message>
        <source>Каналы, время памяти тага и затухания со страниц программы записываются в каждый считыватель списка и считываются обратно для проверки. Маркер, режим и интервал Wiegand каждого считывателя остаются его собственными.</source>
        <translation>The channels, tag memory times and attenuations of the program&apos;s pages are written into each reader of the list and read back to verify them. Each reader keeps its own marker, mode and Wiegand interval.</translation>
    </message>
    <message>
        <source>Адреса</source>
        <translation>Addresses</translation>
    </message>
    <message>
        <source>Найденные обзором</source>
        <translation>Found by the survey</translation>
    </message>
    <message>
        <source>%v из %m</source>
        <translation>%v of %m</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Остановить</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>2xQ17 Reader Setup Utility</source>
        <translation>2xQ17 Reader Setup Utility</translation>
    </message>
    <message>
        <source>Общие для всех режимов работы настройки считывателя</source>
        <translation>Reader settings common to all modes</translation>
    </message>
    <message>
        <source>Общие</source>
        <translation>Common</translation>
    </message>
    <message>
        <source>Режим фиксации проезда без ворот (в потоке)</source>
        <translation>Passages recorded without a gate (in the flow of traffic)</translation>
    </message>
    <message>
        <source>Без ворот</source>
        <translation>No gate</translation>
    </message>
    <message>
        <source>Режим фиксации проезда по последовательности пересечения зон чтения</source>
        <translation>Passages recorded by the order in which the read zones are crossed</translation>
    </message>
    <message>
        <source>На проезд</source>
        <translation>On the fly</translation>
    </message>
    <message>
        <source>Режим однократного чтения с датчиком автомобиля</source>
        <translation>One read, with the car sensor</translation>
    </message>
    <message>
        <source>Однократно</source>
        <translation>One read</translation>
    </message>
    <message>
        <source>Стандартный полнофункциональный режим доступа</source>
        <translation>Standard full access control mode</translation>
    </message>
    <message>
        <source>Стандартный</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Различные процедуры тестирования считывателя</source>
        <translation>Reader tests</translation>
    </message>
    <message>
        <source>Тесты</source>
        <translation>Tests</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Действия</source>
        <translation>Actions</translation>
    </message>
    <message>
        <source>Сервис</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Загрузить настройки</source>
        <translation>Load settings</translation>
    </message>
    <message>
        <source>Сохранить настройки</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <source>Выход из программы</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Получить версию</source>
        <translation>Get version</translation>
    </message>
    <message>
        <source>Установка даты-времени</source>
        <translation>Set date and time</translation>
    </message>
    <message>
        <source>Смена адреса</source>
        <translation>Change address</translation>
    </message>
    <message>
        <source>Поиск считывателей</source>
        <translation>Find readers</translation>
    </message>
    <message>
        <source>Журнал обмена</source>
        <translation>Traffic log</translation>
    </message>
    <message>
        <source>Восстановить настройки РК</source>
        <translation>Restore radio settings</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Обновить список портов</source>
        <translation>Refresh the port list</translation>
    </message>
    <message>
        <source>Открыть порт</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>Открыть порт для работы со считывателем</source>
        <translation>Open the port to work with the reader</translation>
    </message>
    <message>
        <source>Закрыть порт</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>Закрыть текущий порт</source>
        <translation>Close the current port</translation>
    </message>
    <message>
        <source>Читать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Читать данные из считывателя</source>
        <translation>Read data from the reader</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Записать данные в считыватель</source>
        <translation>Write data to the reader</translation>
    </message>
</context>
<context>
    <name>TfrmRadioTest</name>
    <message>
        <source>Радиотест считывателя</source>
        <translation>Reader radio test</translation>
    </message>
    <message>
        <source>Данный тест позволяет сопоставить количество чтений эталонного и тестового тага раздельно для каждого канала.</source>
        <translation>Compares the number of reads of the reference tag and of the test tag, for each channel on its own.</translation>
    </message>
    <message>
        <source>Канал No.</source>
        <translation>Channel No.</translation>
    </message>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>Эталонный таг</source>
        <translation>Reference tag</translation>
    </message>
    <message>
        <source>Тестовый таг</source>
        <translation>Test tag</translation>
    </message>
    <message>
        <source>Результаты теста:</source>
        <translation>Test results:</translation>
    </message>
    <message>
        <source>Эталонный таг:</source>
        <translation>Reference tag:</translation>
    </message>
    <message>
        <source>Тестовый таг:</source>
        <translation>Test tag:</translation>
    </message>
    <message>
        <source>Начать тест</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>Закончить</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmSensors</name>
    <message>
        <source>Состояние датчиков автоматики</source>
        <translation>Automation sensor states</translation>
    </message>
    <message>
        <source>В данном тесте в реальном времени опрашиваются и выводятся состония датчиков автоматики ворот.</source>
        <translation>This test polls the gate automation sensors and shows their states in real time.</translation>
    </message>
    <message>
        <source>Канал 1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>Датчик автомобиля</source>
        <translation>Car sensor</translation>
    </message>
    <message>
        <source>выкл.</source>
        <translation>off</translation>
    </message>
    <message>
        <source>Датчик ворот</source>
        <translation>Gate sensor</translation>
    </message>
    <message>
        <source>Канал 2</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmTrafficLog</name>
    <message>
        <source>Журнал обмена</source>
        <translation>Traffic log</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Сохранить в файл...</source>
        <translation>Save to file...</translation>
    </message>
</context>
<context>
    <name>Transact</name>
    <message>
        <source>Питание включено</source>
        <translation>Power on</translation>
    </message>
    <message>
        <source>Питание выключено</source>
        <translation>Power off</translation>
    </message>
    <message>
        <source>Новый таг</source>
        <translation>New tag</translation>
    </message>
    <message>
        <source>Таг потерян</source>
        <translation>Tag lost</translation>
    </message>
    <message>
        <source>Вибродатчик сработал</source>
        <translation>Vibration sensor triggered</translation>
    </message>
    <message>
        <source>Вибродатчик в норме</source>
        <translation>Vibration sensor normal</translation>
    </message>
    <message>
        <source>Тампер сработал</source>
        <translation>Tamper triggered</translation>
    </message>
    <message>
        <source>Тампер в норме</source>
        <translation>Tamper normal</translation>
    </message>
    <message>
        <source>Батарейка разряжена</source>
        <translation>Battery low</translation>
    </message>
    <message>
        <source>Батарейка в норме</source>
        <translation>Battery normal</translation>
    </message>
    <message>
        <source>Сработал датчик автомобиля</source>
        <translation>Car sensor triggered</translation>
    </message>
    <message>
        <source>Датчик автомобиля выключен</source>
        <translation>Car sensor off</translation>
    </message>
    <message>
        <source>Сработал датчик ворот</source>
        <translation>Gate sensor triggered</translation>
    </message>
    <message>
        <source>Датчик ворот выключен</source>
        <translation>Gate sensor off</translation>
    </message>
    <message>
        <source>Неизвестный интерфейс</source>
        <translation>Unknown interface</translation>
    </message>
    <message>
        <source>Таг в противоположном канале</source>
        <translation>Tag in the opposite channel</translation>
    </message>
    <message>
        <source>Канал заблокирован</source>
        <translation>Channel locked</translation>
    </message>
    <message>
        <source>Канал разблокирован</source>
        <translation>Channel unlocked</translation>
    </message>
    <message>
        <source>Таг передан в контроллер</source>
        <translation>Tag sent to the controller</translation>
    </message>
    <message>
        <source>Ожидание датчика автомобиля</source>
        <translation>Waiting for the car sensor</translation>
    </message>
    <message>
        <source>Автомобиль пересек датчик</source>
        <translation>Car passed the sensor</translation>
    </message>
    <message>
        <source>Автомобиль не обнаружен</source>
        <translation>No car detected</translation>
    </message>
    <message>
        <source>Ворота не открылись</source>
        <translation>Gate did not open</translation>
    </message>
    <message>
        <source>Ожидание закрытия ворот</source>
        <translation>Waiting for the gate to close</translation>
    </message>
    <message>
        <source>Цикл доступа завершен</source>
        <translation>Access cycle completed</translation>
    </message>
    <message>
        <source>Ожидание разрешения доступа</source>
        <translation>Waiting for access to be granted</translation>
    </message>
    <message>
        <source>Ожидание времени ворот по умолчанию</source>
        <translation>Waiting out the default gate time</translation>
    </message>
    <message>
        <source>Ворота закрылись</source>
        <translation>Gate closed</translation>
    </message>
    <message>
        <source>Ворота не закрылись</source>
        <translation>Gate did not close</translation>
    </message>
    <message>
        <source>Ошибка обмена со считывателем</source>
        <translation>Reader exchange error</translation>
    </message>
    <message>
        <source>Неизвестная транзакция</source>
        <translation>Unknown event</translation>
    </message>
</context>
<context>
    <name>WholeConfig</name>
    <message>
        <source>Ошибка получения конфигурации считыателя!</source>
        <translation>Error reading the reader configuration!</translation>
    </message>
    <message>
        <source>Ошибка получения времени памяти тага!</source>
        <translation>Error reading the tag memory time!</translation>
    </message>
    <message>
        <source>Ошибка получения затухания канала!</source>
        <translation>Error reading the channel attenuation!</translation>
    </message>
    <message>
        <source>Ошибка записи конфигурации считыателя!</source>
        <translation>Error writing the reader configuration!</translation>
    </message>
    <message>
        <source>Ошибка установки времени памяти тага!</source>
        <translation>Error setting the tag memory time!</translation>
    </message>
    <message>
        <source>Ошибка установки аттенюатора!</source>
        <translation>Error setting the attenuator!</translation>
    </message>
</context>
<context>
    <name>q17::ui::TExchangeHistogram</name>
    <message>
        <source>Ошибок: %1</source>
        <translation>Errors: %1</translation>
    </message>
    <message>
        <source>Нет удачных обменов</source>
        <translation>No good exchanges</translation>
    </message>
    <message>
        <source>Нет обменов</source>
        <translation>No exchanges</translation>
    </message>
    <message>
        <source>%1 мс</source>
        <translation>%1 ms</translation>
    </message>
</context>
<context>
    <name>q17::ui::TSensorTimelineView</name>
    <message>
        <source>0 с</source>
        <translation>0 s</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmAddNetPort</name>
    <message>
        <source>Укажите адрес сервера.</source>
        <translation>Enter the server address.</translation>
    </message>
    <message>
        <source>Имя сетевого порта начинается с tcp:// или rfc2217://</source>
        <translation>A network port name begins with tcp:// or rfc2217://</translation>
    </message>
    <message>
        <source>В имени сетевого порта не должно быть пробелов.</source>
        <translation>A network port name has no blanks.</translation>
    </message>
    <message>
        <source>В имени сетевого порта есть управляющий символ.</source>
        <translation>The network port name holds a control character.</translation>
    </message>
    <message>
        <source>В адресе сервера допустимы только латинские буквы, цифры, точка, дефис и подчёркивание.</source>
        <translation>A server address may hold only Latin letters, digits, dots, hyphens and underscores.</translation>
    </message>
    <message>
        <source>Адрес IPv6 пишется в квадратных скобках, например [fe80::1].</source>
        <translation>An IPv6 address goes in square brackets, e.g. [fe80::1].</translation>
    </message>
    <message>
        <source>Нет закрывающей скобки &quot;]&quot; после адреса IPv6.</source>
        <translation>No closing bracket &quot;]&quot; after the IPv6 address.</translation>
    </message>
    <message>
        <source>В квадратных скобках пишется только адрес IPv6.</source>
        <translation>Only an IPv6 address goes in square brackets.</translation>
    </message>
    <message>
        <source>Укажите порт сервера: tcp://УЗЕЛ:ПОРТ.</source>
        <translation>Enter the server port: tcp://HOST:PORT.</translation>
    </message>
    <message>
        <source>Порт сервера — число от 1 до 65535.</source>
        <translation>The server port is a number from 1 to 65535.</translation>
    </message>
    <message>
        <source>Неверное имя сетевого порта.</source>
        <translation>Invalid network port name.</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmAddrChange</name>
    <message>
        <source>Статус неизвестен</source>
        <translation>Status unknown</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmAudio</name>
    <message>
        <source>Тест остановлен</source>
        <translation>Test stopped</translation>
    </message>
    <message>
        <source>ТЕСТ РАБОТАЕТ</source>
        <translation>TEST RUNNING</translation>
    </message>
    <message>
        <source>Настройки считывателя не восстановлены</source>
        <translation>Reader settings not restored</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmAudit</name>
    <message>
        <source>Тест не запущен</source>
        <translation>Test not running</translation>
    </message>
    <message>
        <source>Статус неизвестен</source>
        <translation>Status unknown</translation>
    </message>
    <message>
        <source>Номер</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Канал</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Таг</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Событие</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>Сохранить в файл...</source>
        <translation>Save to file...</translation>
    </message>
    <message>
        <source>Сохранить список событий для электронной таблицы (CSV)</source>
        <translation>Save the event list for a spreadsheet (CSV)</translation>
    </message>
    <message>
        <source>АУДИТ РАБОТАЕТ...</source>
        <translation>AUDIT RUNNING...</translation>
    </message>
    <message>
        <source>Аудит остановлен...</source>
        <translation>Audit stopped...</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmCommTest</name>
    <message>
        <source>Тест не запущен</source>
        <translation>Test not running</translation>
    </message>
    <message>
        <source>Статус неизвестен</source>
        <translation>Status unknown</translation>
    </message>
    <message>
        <source>ТЕСТ РАБОТАЕТ...</source>
        <translation>TEST RUNNING...</translation>
    </message>
    <message>
        <source>Один обмен, мс: мин. %1, медиана %2, 95% %3, макс. %4</source>
        <translation>One exchange, ms: min. %1, median %2, 95% %3, max. %4</translation>
    </message>
    <message>
        <source>Милисекунд/на обмен = </source>
        <translation>Milliseconds per exchange = </translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmFindReaders</name>
    <message>
        <source>Двойной щелчок по строке: работать с этим считывателем</source>
        <translation>Double-click a line to work with that reader</translation>
    </message>
    <message>
        <source>поиск не выполнен</source>
        <translation>search not run</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmFleetSurvey</name>
    <message>
        <source>Обзор не запущен</source>
        <translation>Survey not running</translation>
    </message>
    <message>
        <source>Двойной щелчок по строке: работать с этим считывателем</source>
        <translation>Double-click a row to work with that reader</translation>
    </message>
    <message>
        <source>Сохранить таблицу для электронной таблицы (CSV)</source>
        <translation>Save the table for a spreadsheet (CSV)</translation>
    </message>
    <message>
        <source>обзор не выполнен</source>
        <translation>survey not run</translation>
    </message>
    <message>
        <source>Обзор идёт...</source>
        <translation>Survey running...</translation>
    </message>
    <message>
        <source>Найдено: %1</source>
        <translation>Found: %1</translation>
    </message>
    <message>
        <source>Обзор прерван</source>
        <translation>Survey interrupted</translation>
    </message>
    <message>
        <source>Обзор остановлен</source>
        <translation>Survey stopped</translation>
    </message>
    <message>
        <source>Обзор завершён</source>
        <translation>Survey complete</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmFleetWrite</name>
    <message>
        <source>Запись не запущена</source>
        <translation>Write not running</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Результат</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Адреса и диапазоны через запятую (1,3,5-9) или found: найденные обзором</source>
        <translation>Addresses and ranges separated by commas (1,3,5-9), or found: the readers the survey found</translation>
    </message>
    <message>
        <source>обзор на этом порту ещё не выполнялся</source>
        <translation>no survey has run on this port yet</translation>
    </message>
    <message>
        <source>обзор не нашёл ни одного считывателя</source>
        <translation>the survey found no reader</translation>
    </message>
    <message>
        <source>Список адресов не принят: %1</source>
        <translation>Address list not accepted: %1</translation>
    </message>
    <message>
        <source>Конфигурация со страниц будет записана в считыватели: %1 (%2). Продолжить?</source>
        <translation>The configuration of the pages will be written into readers: %1 (%2). Continue?</translation>
    </message>
    <message>
        <source>ждёт</source>
        <translation>waiting</translation>
    </message>
    <message>
        <source>Запись идёт...</source>
        <translation>Writing...</translation>
    </message>
    <message>
        <source>записывается...</source>
        <translation>writing...</translation>
    </message>
    <message>
        <source>Проверено: %1 из %2</source>
        <translation>Verified: %1 of %2</translation>
    </message>
    <message>
        <source>Запись прервана</source>
        <translation>Write interrupted</translation>
    </message>
    <message>
        <source>Запись остановлена</source>
        <translation>Write stopped</translation>
    </message>
    <message>
        <source>Запись завершена</source>
        <translation>Write complete</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmMain</name>
    <message>
        <source>Порт закрыт</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>Статус:  - неизвестен</source>
        <translation>Status: unknown</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Прервать подключение к серверу (Esc)</source>
        <translation>Stop connecting to the server (Esc)</translation>
    </message>
    <message>
        <source>Общие настройки считывателя</source>
        <translation>Common reader settings</translation>
    </message>
    <message>
        <source>Режим проезда без ворот</source>
        <translation>No-gate passage mode</translation>
    </message>
    <message>
        <source>Последовательный проезд</source>
        <translation>Passage through both zones</translation>
    </message>
    <message>
        <source>Режим однократного чтения</source>
        <translation>One-read mode</translation>
    </message>
    <message>
        <source>Стандартный режим с датчиками</source>
        <translation>Standard mode with sensors</translation>
    </message>
    <message>
        <source>Тестирование считывателя</source>
        <translation>Reader tests</translation>
    </message>
    <message>
        <source>Адрес: %1</source>
        <translation>Address: %1</translation>
    </message>
    <message>
        <source>Добавить сетевой порт...</source>
        <translation>Add a network port...</translation>
    </message>
    <message>
        <source>Порт %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <source>Подключение к %1...</source>
        <translation>Connecting to %1...</translation>
    </message>
    <message>
        <source>Прежде чем закрывать приложение, закройте порт!</source>
        <translation>Close the port before closing the program!</translation>
    </message>
    <message>
        <source>Считыватели</source>
        <translation>Readers</translation>
    </message>
    <message>
        <source>Обзор считывателей</source>
        <translation>Reader survey</translation>
    </message>
    <message>
        <source>Записать в несколько считывателей...</source>
        <translation>Write to several readers...</translation>
    </message>
    <message>
        <source>Такой файл существует. Заменить на новый?</source>
        <translation>The file exists. Replace it with the new one?</translation>
    </message>
    <message>
        <source>Все настройки радиоканала будут установлены для доступного профиля.</source>
        <translation>Every radio channel setting will be set for the available profile.</translation>
    </message>
    <message>
        <source>Вы уверены, что этот профиль используется в вашей системе?</source>
        <translation>Are you sure this profile is the one your system uses?</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmRadioTest</name>
    <message>
        <source>Тест не запущен</source>
        <translation>Test not running</translation>
    </message>
    <message>
        <source>Номер тага «%1» не является шестнадцатеричным числом.
Введите байты тага парами шестнадцатеричных цифр через пробел, например «00 FF FF 01».</source>
        <translation>The tag number &quot;%1&quot; is not a hexadecimal number.
Type the tag&apos;s bytes as pairs of hexadecimal digits separated by spaces, e.g. &quot;00 FF FF 01&quot;.</translation>
    </message>
    <message>
        <source>Статус неизвестен</source>
        <translation>Status unknown</translation>
    </message>
    <message>
        <source>ТЕСТ РАБОТАЕТ...</source>
        <translation>TEST RUNNING...</translation>
    </message>
    <message>
        <source>ОШИБКА запуска радиотеста - проверьте подключение считывателя</source>
        <translation>ERROR starting the radio test - check the reader&apos;s connection</translation>
    </message>
    <message>
        <source>ОШИБКА остановки радиотеста - проверьте подключение считывателя</source>
        <translation>ERROR stopping the radio test - check the reader&apos;s connection</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmSensors</name>
    <message>
        <source>Тест не работает...</source>
        <translation>Test not running...</translation>
    </message>
    <message>
        <source>Тест не работает</source>
        <translation>Test not running</translation>
    </message>
    <message>
        <source>Статус неизвестен</source>
        <translation>Status unknown</translation>
    </message>
    <message>
        <source>ТЕСТ РАБОТАЕТ...</source>
        <translation>TEST RUNNING...</translation>
    </message>
</context>
<context>
    <name>q17::ui::TfrmTrafficLog</name>
    <message>
        <source>Хранятся последние %1 строк, более ранних удалено: %2</source>
        <translation>Only the last %1 lines are kept; earlier lines removed: %2</translation>
    </message>
</context>
</TS>
