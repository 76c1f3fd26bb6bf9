#pragma once
// The year and month selectors of the month screens (the pay slip dialog, the
// personnel list): the year is the open one, only shown; the month offers the
// session's open months (TAB_MESES) with N_MES chosen. What a change of month
// does is the screen's own business.

class QComboBox;
class QWidget;

namespace remu {

struct Session;

struct PeriodSelectors {
    QComboBox* year = nullptr;   // control 145
    QComboBox* month = nullptr;  // control 134
};

PeriodSelectors makePeriodSelectors(const Session& s, QWidget* parent);

}  // namespace remu
