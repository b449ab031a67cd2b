#pragma once
// Result codes of the port, the link and the reader, and their texts.
#include <string>

#include "link/ShownText.h"

namespace q17 {

enum ResultCode : int {
  rcOk = 0,
  rcBadPort = 1,
  rcBadBaudRate = 2,
  rcPortClosed = 3,
  rcCloseError = 4,
  rcWriteError = 5,
  rcTimeout = 6,
  rcOpenError = 7,
  rcBufferOverflow = 8,
  rcBadPacketNo = 9,
  rcBadParameter = 20,
  rcDataError = 21,
  rcNoTag = 80,
  rcUnknownError = 200,
  rcNotSupported = 201,
  rcTesting = 222,
};

// The message text of a result code (UTF-8), Russian; a window shows it
// translated under the context "ErrMsg".
const char* GetErrorText(int code);

// "Код = <code> / <text>": the form q17ctl and the core's composed texts
// give a result in; a window shows ResultShownText translated.
std::string FormatResult(int code);
// The same in parts, the form marked under the context "ResultText".
TShownText ResultShownText(int code);

}  // namespace q17
