#pragma once
// The criteria language of the recordset's Filter and Find, in ADO syntax:
// "col LIKE '*t*' OR col2 = 'x' AND col3 <> 5", over the rows already fetched.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/value.h"

namespace remu {

// One comparison of a criterion.
struct Condition {
    int column = -1;
    std::string op;  // LIKE, =, <>, <, >, <=, >=
    std::string value;
};
using Criteria = std::vector<std::vector<Condition>>;  // OR of ANDs

// Parses a criterion, finding columns by name through `columnOf` (-1: none).
// Throws DbError ("Criterio no válido: ...") for text it cannot read or an
// unknown column.
Criteria parseCriteria(const std::string& text, const std::function<int(std::string_view)>& columnOf);

// True when the row's values meet one of the criterion's groups.
bool matchesCriteria(const std::vector<Value>& values, const Criteria& c);

// LIKE with '*' or '%' for any run of characters (the caller folds case). As in
// ADO's criteria, '_' and '?' are plain characters, so a searched code such as
// "A_1" finds only itself.
bool likeMatch(std::string_view text, std::string_view pattern);

}  // namespace remu
