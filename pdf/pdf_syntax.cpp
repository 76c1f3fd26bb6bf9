// The PDF syntax the writer needs: numbers as the file writes them, text strings
// in WinAnsi with their escapes, and the frame of a JPEG image.
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "format/codepage.h"
#include "pdf/tpdf.h"

namespace remu {

namespace fs = std::filesystem;

std::string pdfFixed(double value, int width) {
    // Integer arithmetic: a slip writes several hundred coordinates per page.
    double scaled = std::round(value * 100.0);
    if (!(std::fabs(scaled) < 9e15)) return std::string(width, '*');
    long long cents = static_cast<long long>(scaled);
    bool negative = cents < 0;
    unsigned long long u = negative ? static_cast<unsigned long long>(-cents) : static_cast<unsigned long long>(cents);
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
    *--p = '.';
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (negative) *--p = '-';
    if (end - p > width) return std::string(width, '*');
    return std::string(p, end);
}

std::string pdfPlain(double value) {
    if (value == 0) return "0";
    if (std::trunc(value) == value && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

std::string pdfString(std::string_view utf8) {
    bool plain = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\\' || c == '(' || c == ')') {
            plain = false;
            break;
        }
    if (plain) return std::string(utf8);
    std::string bytes = utf8ToCp1252(utf8, '?');
    std::string out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        // The backslash too: left alone it would swallow the next character.
        if (c == '\\' || c == '(' || c == ')') out += '\\';
        out += c;
    }
    return out;
}

std::optional<PdfImageInfo> readJpegInfo(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return std::nullopt;
    std::error_code ec;
    auto size = fs::file_size(fileName, ec);
    if (ec) return std::nullopt;
    // Markers are walked rather than searched for a bare FF C0, so that a thumbnail
    // or a table whose bytes happen to hold that pair is not taken for the frame.
    std::string head(65536, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    auto byte = [&](size_t i) { return static_cast<unsigned char>(head[i]); };
    auto be16 = [&](size_t i) { return (byte(i) << 8) | byte(i + 1); };
    if (head.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return std::nullopt;

    PdfImageInfo info;
    if (head.size() >= 18) {
        info.xDensity = be16(14);
        info.yDensity = be16(16);
    }
    size_t i = 2;
    while (i + 4 <= head.size()) {
        if (byte(i) != 0xFF) return std::nullopt;
        unsigned char marker = byte(i + 1);
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before any frame
        size_t segment = be16(i + 2);
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 10 > head.size()) return std::nullopt;
            info.bits = 8;
            info.height = be16(i + 5);
            info.width = be16(i + 7);
            info.components = byte(i + 9);
            info.offset = 0;
            info.length = static_cast<long long>(size);
            info.colourKind = 2;
            if (info.width <= 0 || info.height <= 0) return std::nullopt;
            return info;
        }
        i += 2 + segment;
    }
    return std::nullopt;
}

}  // namespace remu
