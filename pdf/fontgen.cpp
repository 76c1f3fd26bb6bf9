// Builds fonts.dat, the width table of the standard Type 1 fonts that TPDF reads,
// from the metric-compatible URW .afm files:
//   remu_fontgen <afm folder> <output file>
// Layout: three rows (Times, Helvetica, Courier) of 896 signed 16-bit
// little-endian widths; entry (c - 32) * 4 + style for WinAnsi code c.

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Glyph names of WinAnsi codes 32..255. Codes the encoding leaves unassigned
// show the bullet, as PDF readers do.
const char* const kWinAnsi[224] = {
    "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quotesingle",
    "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash",
    "zero", "one", "two", "three", "four", "five", "six", "seven",
    "eight", "nine", "colon", "semicolon", "less", "equal", "greater", "question",
    "at", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O",
    "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
    "bracketleft", "backslash", "bracketright", "asciicircum", "underscore",
    "grave", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o",
    "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z",
    "braceleft", "bar", "braceright", "asciitilde", "bullet",
    // 0x80
    "Euro", "bullet", "quotesinglbase", "florin", "quotedblbase", "ellipsis", "dagger", "daggerdbl",
    "circumflex", "perthousand", "Scaron", "guilsinglleft", "OE", "bullet", "Zcaron", "bullet",
    "bullet", "quoteleft", "quoteright", "quotedblleft", "quotedblright", "bullet", "endash", "emdash",
    "tilde", "trademark", "scaron", "guilsinglright", "oe", "bullet", "zcaron", "Ydieresis",
    // 0xA0
    "space", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section",
    "dieresis", "copyright", "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron",
    "degree", "plusminus", "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered",
    "cedilla", "onesuperior", "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters",
    "questiondown",
    "Agrave", "Aacute", "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla",
    "Egrave", "Eacute", "Ecircumflex", "Edieresis", "Igrave", "Iacute", "Icircumflex", "Idieresis",
    "Eth", "Ntilde", "Ograve", "Oacute", "Ocircumflex", "Otilde", "Odieresis", "multiply",
    "Oslash", "Ugrave", "Uacute", "Ucircumflex", "Udieresis", "Yacute", "Thorn", "germandbls",
    "agrave", "aacute", "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla",
    "egrave", "eacute", "ecircumflex", "edieresis", "igrave", "iacute", "icircumflex", "idieresis",
    "eth", "ntilde", "ograve", "oacute", "ocircumflex", "otilde", "odieresis", "divide",
    "oslash", "ugrave", "uacute", "ucircumflex", "udieresis", "yacute", "thorn", "ydieresis",
};

// Family rows and their four styles: regular, bold, italic, bold italic.
const char* const kFiles[3][4] = {
    {"NimbusRoman-Regular", "NimbusRoman-Bold", "NimbusRoman-Italic", "NimbusRoman-BoldItalic"},
    {"NimbusSans-Regular", "NimbusSans-Bold", "NimbusSans-Italic", "NimbusSans-BoldItalic"},
    {"NimbusMonoPS-Regular", "NimbusMonoPS-Bold", "NimbusMonoPS-Italic", "NimbusMonoPS-BoldItalic"},
};

bool readWidths(const std::string& path, std::map<std::string, int>& widths) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("C ", 0) != 0) continue;
        // "C 32 ; WX 278 ; N space ; B ..."
        std::istringstream fields(line);
        std::string item, name;
        int width = -1;
        while (std::getline(fields, item, ';')) {
            std::istringstream words(item);
            std::string key;
            words >> key;
            if (key == "WX") words >> width;
            else if (key == "N") words >> name;
        }
        if (!name.empty() && width >= 0) widths.emplace(name, width);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "uso: remu_fontgen <carpeta afm> <fonts.dat>\n";
        return 2;
    }
    std::string dir = argv[1];
    std::string out;
    out.reserve(3 * 896 * 2);
    for (auto& family : kFiles) {
        std::array<std::map<std::string, int>, 4> styles;
        for (int s = 0; s < 4; ++s) {
            std::string path = dir + "/" + family[s] + ".afm";
            if (!readWidths(path, styles[s])) {
                std::cerr << "no se pudo leer " << path << "\n";
                return 1;
            }
        }
        for (int c = 32; c < 256; ++c) {
            for (int s = 0; s < 4; ++s) {
                auto it = styles[s].find(kWinAnsi[c - 32]);
                int w = it != styles[s].end() ? it->second : styles[s]["space"];
                auto v = static_cast<uint16_t>(static_cast<int16_t>(w));
                out += static_cast<char>(v & 0xFF);
                out += static_cast<char>(v >> 8);
            }
        }
    }
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    if (!file) {
        std::cerr << "no se pudo escribir " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
