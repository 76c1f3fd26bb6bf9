#include "format/mail_address.h"

namespace remu {

namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool hasControlChar(std::string_view text) {
    for (char c : text)
        if (isControl(static_cast<unsigned char>(c))) return true;
    return false;
}

std::string blankControls(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (isControl(static_cast<unsigned char>(c))) c = ' ';
    return out;
}

std::string mailAddressProblem(std::string_view a) {
    if (a.empty()) return "está en blanco";
    if (hasControlChar(a)) return "contiene caracteres de control";
    for (char c : a) {
        if (c == ' ') return "contiene espacios";
        if (c == '<' || c == '>') return "contiene < o >";
        if (static_cast<unsigned char>(c) >= 0x80) return "contiene caracteres que no son ASCII";
    }
    if (a.size() > 254) return "es demasiado larga";
    const size_t at = a.find('@');
    if (at == std::string_view::npos || a.find('@', at + 1) != std::string_view::npos)
        return "no tiene la forma usuario@dominio";
    std::string_view local = a.substr(0, at), domain = a.substr(at + 1);
    if (local.empty() || local.size() > 64) return "no tiene la forma usuario@dominio";
    for (char c : local)
        if (!(isLetter(c) || isDigit(c) || c == '.' || c == '_' || c == '+' || c == '-'))
            return "contiene caracteres no permitidos";
    // A leading "-" would read as an option to a program; dots only between words.
    if (local.front() == '-' || local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos)
        return "no tiene la forma usuario@dominio";
    if (domain.find('.') == std::string_view::npos) return "no tiene la forma usuario@dominio";
    size_t start = 0;
    std::string_view label;
    while (start <= domain.size()) {
        size_t dot = domain.find('.', start);
        label = domain.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return "no tiene la forma usuario@dominio";
        for (char c : label)
            if (!(isLetter(c) || isDigit(c) || c == '-')) return "contiene caracteres no permitidos";
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    for (char c : label)
        if (!isLetter(c)) return "no tiene la forma usuario@dominio";
    if (label.size() < 2) return "no tiene la forma usuario@dominio";
    return {};
}

}  // namespace remu
