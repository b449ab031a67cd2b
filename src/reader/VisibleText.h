#pragma once
// A reader's text shown where it could act: on a terminal, in a table, in a
// spreadsheet file. Control characters (C0, DEL, C1) become \xHH, so a text
// cannot drive a terminal, break a row or end early at a NUL; the rest of
// the UTF-8 text is left as it is.
#include <string>
#include <string_view>

namespace q17 {

std::string VisibleText(std::string_view utf8);

}  // namespace q17
