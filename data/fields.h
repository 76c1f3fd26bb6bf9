#pragma once
// Fields of a row read with "SELECT *" by name, tolerant of a column the table lacks
// (older databases): it reads as empty text, 0 or a null date.

#include <string>
#include <string_view>

#include "data/connection.h"

namespace remu {

inline std::string fieldText(const Recordset& rs, std::string_view name) {
    int i = rs.FieldIndex(name);
    return i < 0 ? std::string() : rs.Fields(i).text();
}

inline double fieldNumber(const Recordset& rs, std::string_view name) {
    int i = rs.FieldIndex(name);
    return i < 0 ? 0 : rs.Fields(i).number();
}

inline Date fieldDate(const Recordset& rs, std::string_view name) {
    int i = rs.FieldIndex(name);
    return i < 0 ? Date{} : rs.Fields(i).date();
}

}  // namespace remu
