#include "data/lookup.h"

#include "format/text.h"

namespace remu {

namespace {

std::string doubledQuotes(std::string_view s) {
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

}  // namespace

std::string lookupFilterCriteria(std::string_view trimmedText, std::string_view codeColumn,
                                 std::string_view nameColumn) {
    std::string t = doubledQuotes(trimmedText);
    return std::string(codeColumn) + " LIKE '*" + t + "*'  OR " + std::string(nameColumn) + " LIKE '*" + t + "*' ";
}

FilterResult FILTRA(std::string_view text, Recordset& rs, const LookupGridHooks& grid, std::string_view codeColumn,
                    std::string_view nameColumn, UiPort& ui) {
    std::string t = trim(text);
    FilterResult result = FilterResult::Removed;
    bool found = true;
    if (!t.empty()) {
        try {
            rs.Filter(lookupFilterCriteria(t, codeColumn, nameColumn));
            found = rs.RecordCount() > 0;
        } catch (const std::exception&) {
            // A text the filter cannot read matches nothing.
            found = false;
        }
        result = FilterResult::Applied;
    } else {
        rs.Filter("");
    }
    if (!found) {
        ui.alert("Filtro no encontrado", "atención");
        rs.Filter("");
        if (grid.goTop) grid.goTop();
        else if (rs.RecordCount() > 0) rs.MoveFirst();
        result = FilterResult::NotFound;
    } else if (rs.RecordCount() > 0 && (rs.Eof() || rs.Bof())) {
        // A new filter leaves the recordset on its first row; keep the grid there too.
        rs.MoveFirst();
    }
    if (grid.refresh) grid.refresh();
    return result;
}

long SKIPPER(Recordset& rs, long n) {
    if (rs.RecordCount() < 1) return 0;
    long before = rs.AbsolutePosition();
    rs.Move(n);
    if (rs.Eof()) rs.MoveLast();
    else if (rs.Bof()) rs.MoveFirst();
    return rs.AbsolutePosition() - before;
}

}  // namespace remu
