#pragma once
// A .xlsx read back by openpyxl (office/tests/xlsx_tool.py) for the tests:
// each cell's type, value, font, alignment, number format, borders and fill,
// the column widths and row heights; optionally after LibreOffice recalculated it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace remu::test {

struct XlsxContents {
    bool ok = false;
    std::string output;  // what the tool printed (for failure messages)
    std::map<std::string, std::map<std::string, std::string>> cells;  // "B4" -> {"value": ...}
    std::map<std::string, double> widths;                              // "B" -> width
    std::map<int, double> heights;
    std::map<std::string, std::string> sheet;  // title, selection, styles

    // A property of a cell ("" when the cell or the property is absent).
    std::string at(const std::string& ref, const std::string& key = "value") const {
        auto c = cells.find(ref);
        if (c == cells.end()) return {};
        auto p = c->second.find(key);
        return p == c->second.end() ? std::string() : p->second;
    }
    double width(const std::string& col) const {
        auto w = widths.find(col);
        return w == widths.end() ? 0 : w->second;
    }
};

inline std::string unescapeXlsxValue(const std::string& v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) {
            char n = v[++i];
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
        } else {
            out += v[i];
        }
    }
    return out;
}

// Debian's python3-openpyxl belongs to the system's interpreter; a python3 that
// comes first on the PATH (pyenv, a virtual environment) may not have it.
inline std::string systemPython() { return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

// `recalc`: LibreOffice works every formula out again first (slow: a few seconds).
inline XlsxContents readXlsx(const std::string& path, bool recalc = false) {
    XlsxContents x;
    std::string cmd = systemPython() + " " + REMU_SOURCE_DIR + "/office/tests/xlsx_tool.py " +
                      (recalc ? "recalc '" : "dump '") + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return x;
    char buf[65536];
    while (size_t n = fread(buf, 1, sizeof buf, p)) x.output.append(buf, n);
    int rc = pclose(p);
    x.ok = WIFEXITED(rc) && WEXITSTATUS(rc) == 0;
    std::istringstream in(x.output);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind, key, field;
        std::getline(fields, kind, '\t');
        std::map<std::string, std::string> props;
        if (kind != "sheet") std::getline(fields, key, '\t');
        while (std::getline(fields, field, '\t')) {
            auto eq = field.find('=');
            if (eq != std::string::npos) props[field.substr(0, eq)] = unescapeXlsxValue(field.substr(eq + 1));
        }
        if (kind == "cell") x.cells[key] = props;
        else if (kind == "column") x.widths[key] = std::atof(props["width"].c_str());
        else if (kind == "row") x.heights[std::atoi(key.c_str())] = std::atof(props["height"].c_str());
        else if (kind == "sheet") x.sheet = props;
    }
    return x;
}

}  // namespace remu::test
