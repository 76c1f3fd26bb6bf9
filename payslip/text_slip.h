#pragma once
// The pay slip as text for a terminal: the same header values, lines, order and
// totals as the printed slip, one column under the other, 78 characters wide.

#include <optional>
#include <string>

#include "payslip/slip_model.h"

namespace remu {

struct TextSlip {
    const SlipContent* content = nullptr;
    const PersonnelRow* worker = nullptr;   // null when the worker's row was not found
    std::optional<std::string> costCentre;  // its name, when the worker has one on record
    SlipCompany company;
    SlipParams params;
    Period period;  // C_ANO, C_MES
};

std::string textSlip(const TextSlip& slip);

}  // namespace remu
