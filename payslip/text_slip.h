#pragma once
// The pay slip as text for a terminal: the same header values, lines, order and
// totals as the printed slip, one column under the other, 78 characters wide.

#include <string>

#include "payslip/slip_model.h"

namespace remu {

struct TextSlip {
    const SlipContent* content = nullptr;
    const SlipWorker* worker = nullptr;  // null when the worker's row was not found
    SlipCompany company;
    SlipParams params;
    std::string year;   // C_ANO
    std::string month;  // C_MES
};

std::string textSlip(const TextSlip& slip);

}  // namespace remu
