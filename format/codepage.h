#pragma once
// Conversion between the program's UTF-8 and the single-byte Windows code page
// 1252 (WinAnsi) used by the local dBASE files and by PDF text.

#include <string>
#include <string_view>

namespace remu {

// UTF-8 to Windows-1252; a character without a 1252 form becomes `replacement`,
// a control character a blank.
std::string utf8ToCp1252(std::string_view utf8, char replacement = '?');
// Windows-1252 to UTF-8 (the five unassigned bytes map to U+FFFD).
std::string cp1252ToUtf8(std::string_view bytes);

}  // namespace remu
