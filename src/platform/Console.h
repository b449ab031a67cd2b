#pragma once
// The command line and the standard output of a console program as UTF-8
// text, whatever the system hands over or shows: Linux passes the bytes
// through; Windows takes the command line as UTF-16 and shows text on a
// console through the console's own UTF-16 calls, so Russian texts and file
// names survive any code page.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

// The arguments after the program's name, as UTF-8. `argc`/`argv` are
// main's; Windows reads the wide command line instead.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Writes some of the UTF-8 text `data` to the standard descriptor `fd`:
// the number of bytes taken, or -1 with errno set. On a Windows console a
// character must arrive whole (see WholeUtf8Prefix): a cut one is shown as
// a replacement character.
long WriteStandardText(int fd, const char* data, std::size_t size);

// How many bytes from the start of `text` form whole UTF-8 sequences: a
// sequence cut short at the end is left out. Bytes that can begin no
// sequence count as whole (a console shows replacement characters).
std::size_t WholeUtf8Prefix(std::string_view text);

}  // namespace q17
