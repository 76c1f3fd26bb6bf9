#pragma once
// The logic behind the code pick-list (AYUDA_Y): the search filter and the grid's
// skip over a recordset. No GUI here; the dialog supplies the grid hooks.

#include <functional>
#include <string>
#include <string_view>

#include "core/ui_port.h"
#include "data/connection.h"

namespace remu {

// What FILTRA needs of the grid showing the recordset.
struct LookupGridHooks {
    std::function<void()> goTop;    // move the grid (and the recordset) to the first row
    std::function<void()> refresh;  // redraw
};

enum class FilterResult { Applied, Removed, NotFound };

// The criteria FILTRA sets for a search text: a substring match on either column.
// Quotes in the text are doubled so the text stays one literal.
std::string lookupFilterCriteria(std::string_view trimmedText, std::string_view codeColumn,
                                 std::string_view nameColumn);

// Applies the search filter (trimmed text not empty) or removes it. When no row passes:
// alert "Filtro no encontrado", filter removed, grid back on its first row.
FilterResult FILTRA(std::string_view text, Recordset& rs, const LookupGridHooks& grid, std::string_view codeColumn,
                    std::string_view nameColumn, UiPort& ui);

// Moves n rows (negative backwards), stopping at the last or first row; returns the
// number of rows actually moved.
long SKIPPER(Recordset& rs, long n);

}  // namespace remu
