#pragma once
// The explanation of a pay slip: each line of the worker with how its amount was
// obtained, opened from the slip's preview.

#include <QDialog>
#include <vector>

#include "payroll/explain.h"

class QTableWidget;

namespace remu {

class ExplainDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExplainDialog(const std::vector<ExplainedLine>& lines, QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_;
};

// What each kind of line is called in the explanation's list.
const char* lineKindText(int type, int taxable);

}  // namespace remu
