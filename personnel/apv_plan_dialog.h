#pragma once
// EDITA_APV_PERSON's dialog (ODLG_PERSON_APV): one savings plan, the institution
// (a code lookup field), a fixed amount or a formula, and two flags. Accepting stores
// the plan at once and closes the dialog; a refused write keeps it open with the edits.

#include <QDialog>
#include <string>

#include "personnel/apv.h"

class QCheckBox;
class QLabel;
class QToolButton;

namespace remu {

class LookupField;
class TGET;
class UiPort;
struct Session;

class ApvPlanDialog : public QDialog {
    Q_OBJECT
public:
    // `plans` is loaded; for a change (isNew false) it stands on the plan to change.
    ApvPlanDialog(ApvPlans& plans, bool isNew, Session& s, UiPort& ui, QWidget* parent = nullptr);

    // Button 501: the typed values taken, the institution and the formula checked, the
    // plan stored. False when it was not stored (the dialog then stays open).
    bool acceptPlan();
    // True once the plan reached the server.
    bool stored() const { return stored_; }
    // Button 354 and F12 in the formula: the variables help, then the focus to the formula.
    void showVariables();

    const ApvPlan& plan() const { return plan_; }
    LookupField* institutionField() const { return institution_; }
    QLabel* institutionName() const { return institutionName_; }
    TGET* amountField() const { return amount_; }
    TGET* formulaField() const { return formula_; }
    QCheckBox* taxableBox() const { return taxable_; }
    QCheckBox* offBox() const { return off_; }
    QToolButton* acceptButton() const { return accept_; }

private:
    void updateAccept();

    ApvPlans& plans_;
    bool isNew_;
    Session& s_;
    UiPort& ui_;
    ApvPlan plan_;
    bool stored_ = false;
    bool nameFits_ = true;  // the name shown belongs to the code in the field
    LookupField* institution_;
    QLabel* institutionName_;
    TGET* amount_;
    TGET* formula_;
    QCheckBox* taxable_;
    QCheckBox* off_;
    QToolButton* accept_;
};

}  // namespace remu
