#pragma once
// LIQUIDA: the pay slip dialog (ODLG_LIQUID). The worker picks the month and the
// date of the slip and an output: preview, printer, printer set-up; the
// administration's outputs (range of workers, PDF slips, mailing) stay disabled
// while a worker is bound to the session.

#include <QDialog>
#include <functional>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"
#include "payslip/liquida.h"
#include "payslip/printed_slip.h"

class QComboBox;
class QLabel;

namespace remu {

class SlipRecorder;
class TGET;

struct PayslipDialogOptions {
    std::string workDir = ".";
    // The engine run of the outputs; empty: CALCULA_REMUN behind the progress dialog.
    CalculateFn calculate;
};

class PayslipDialog : public QDialog {
    Q_OBJECT
public:
    PayslipDialog(Session& s, UiPort& ui, PayslipDialogOptions options = {}, QWidget* parent = nullptr);

    // Buttons 354 and 357.
    void preview() { runOutput("VP"); }
    void print() { runOutput("IM"); }
    QLabel* statusLabel() const { return status_; }
    // Status texts the label has shown (for the tests).
    const std::vector<std::string>& statusHistory() const { return statusHistory_; }
    // Re-reads every bound value into the controls.
    void refreshAll();

private:
    void runOutput(const char* mode);
    void refreshStatus();
    bool validCostCentre();
    bool validWorker(std::string& code, std::string& name, bool isTo);
    void lookupCostCentre();
    void lookupWorker(std::string& code, std::string& name, TGET* field, bool allOfMonth);
    bool calculate(const std::string& from, const std::string& to, SlipRecorder* explain = nullptr);
    // The one worker whose previewed slip can be explained; empty for a range.
    std::string explainedWorker() const;

    Session& s_;
    UiPort& ui_;
    PayslipDialogOptions opt_;
    QComboBox* month_;
    QLabel* status_;
    std::vector<std::string> statusHistory_;
};

// The toolbar's pay slip action.
void LIQUIDA(QWidget* parent, Session& s, UiPort& ui);

}  // namespace remu
