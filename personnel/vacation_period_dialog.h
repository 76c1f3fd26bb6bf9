#pragma once
// EDITA_MOV_VACA's dialog (ODLG_PERSON_MOV_VACA): the start date and the working days
// of one vacation period; the end date follows from them (FECHAFIN). Accepting runs the
// checks and stores the period; either way the dialog closes.

#include <QDialog>
#include <QIcon>
#include <QStyle>

class QLabel;
class QToolButton;

namespace remu {

class TGET;
class UiPort;
class VacationFile;

// The image of a button of the vacation screens ("NUEVO", "DISKETTE_AZUL"): the desktop
// theme's icon for it, or the style's.
QIcon vacationIcon(const char* theme, QStyle::StandardPixmap fallback);

class VacationPeriodDialog : public QDialog {
    Q_OBJECT
public:
    // `file` has had beginEdit(isNew) called.
    VacationPeriodDialog(VacationFile& file, bool isNew, UiPort& ui, QWidget* parent = nullptr);

    // Button 501: the typed values taken, the period checked and stored; closes the dialog.
    void acceptPeriod();
    // True once the period reached the server.
    bool stored() const { return stored_; }

    TGET* startField() const { return start_; }
    TGET* daysField() const { return days_; }
    QLabel* endLabel() const { return end_; }
    QToolButton* acceptButton() const { return accept_; }

private:
    void showEnd();
    void updateAccept();
    void recomputeEnd();

    VacationFile& file_;
    bool isNew_;
    UiPort& ui_;
    bool stored_ = false;
    TGET* start_;
    TGET* days_;
    QLabel* end_;
    QToolButton* accept_;
};

}  // namespace remu
