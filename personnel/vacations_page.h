#pragma once
// The worker file's page "VACACIONES" (ODLG_PERSON_EDITAH5): the start of working life,
// the ten balance figures, the grid of the worker's periods and the buttons to add,
// change and delete a period, print its voucher and (inactive) the balance sheet.
// In a worker's session everything but the voucher button is read-only.
//
// The page stands on its own over the buffer values it needs (VacationBuffer) and the
// session; the worker file embeds it as its fifth page, owning the buffer.

#include <QWidget>
#include <functional>
#include <memory>

#include "personnel/vacations.h"

class QLabel;
class QDialog;

namespace remu {

class TGET;
class TWBROWSE;
class UiPort;
struct Session;

class VacationsPage : public QWidget {
    Q_OBJECT
public:
    // `buffer` and `s` outlive the page. Loads the worker's periods and shows the figures.
    VacationsPage(VacationBuffer& buffer, Session& s, UiPort& ui, QWidget* parent = nullptr);
    ~VacationsPage() override;

    // Reads the worker's periods again (after CCODIGO_PER changed) and recomputes.
    bool reload();
    // ACTVACA: the figures recomputed and shown; the grid on the first period.
    void ACTVACA();
    // Shows the buffer's values again (the header, the contract date, field 3100).
    void refreshAll();

    // The buttons' actions.
    void newPeriod() { EDITA_MOV_VACA(true); }
    void changePeriod() { EDITA_MOV_VACA(false); }
    void deletePeriod();
    void printVoucher();

    // How the period dialog runs (modally unless a test drives it); its result is ignored.
    using DialogRunner = std::function<void(QDialog&)>;
    void setDialogRunner(DialogRunner run) { runDialog_ = std::move(run); }

    VacationFile& file() { return *file_; }
    TWBROWSE* grid() const { return grid_; }
    TGET* workingLifeField() const { return workingLife_; }
    // Label 3302..3311 as shown.
    QString figureText(int id) const;

signals:
    // DFECHA_INI_LAB was changed on this page (field 3100).
    void workingLifeStartChanged();

private:
    void EDITA_MOV_VACA(bool isNew);
    void showFigures();
    void afterRecompute();

    VacationBuffer& buffer_;
    Session& s_;
    UiPort& ui_;
    std::unique_ptr<VacationFile> file_;
    DialogRunner runDialog_;
    QLabel* header_;
    QLabel* contract_;
    TGET* workingLife_;
    TWBROWSE* grid_;
    std::vector<QLabel*> figures_;  // 3302..3311
};

}  // namespace remu
