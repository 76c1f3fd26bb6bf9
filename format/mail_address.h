#pragma once
// E-mail addresses and other stored texts that leave the program as SMTP
// commands, file names or arguments of the mailing batch. A carriage return or
// line feed in an address becomes a command of the company's mail session, a
// NUL cuts a file name or an address short: such texts are refused, not mended.

#include <string>
#include <string_view>

namespace remu {

// Why the address cannot be used, in the system's words ("contiene caracteres
// de control", ...); empty when it is a plausible local@domain address: ASCII
// letters, digits and . _ + - before the "@", a dotted host name after it.
std::string mailAddressProblem(std::string_view address);
inline bool validMailAddress(std::string_view address) { return mailAddressProblem(address).empty(); }

// True when the text holds a control character (NUL, CR, LF, tab, DEL ...).
bool hasControlChar(std::string_view text);
// The text with every control character turned into a blank (for showing it in a message).
std::string blankControls(std::string_view text);

}  // namespace remu
