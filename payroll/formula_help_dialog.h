#pragma once
// AYUVAR_MHD: the formula help, the variables a stored formula of an earning, a
// deduction or a savings plan may name, with what each one holds. It only informs.

#include <QDialog>
#include <functional>

namespace remu {

class FormulaHelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormulaHelpDialog(QWidget* parent = nullptr);
};

// Shows the help modally, near the top-left corner of `parent`'s window (not centred).
void AYUVAR_MHD(QWidget* parent);

// Lets the tests act on the help as it opens (before its event loop runs).
void setFormulaHelpObserver(std::function<void(FormulaHelpDialog&)> observer);

}  // namespace remu
