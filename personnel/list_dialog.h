#pragma once
// PERSONAL: the worker list "TABLA DE PERSONAL" (ODLG_PERSON) of an administration
// session, over the month's row set of PersonnelList; a worker's session goes
// straight to the worker file on his own row. Controls carry their template ids as
// object names ("134", "135", "340", ...).

#include <QDialog>
#include <functional>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"
#include "personnel/personnel_list.h"

class QComboBox;
class QLabel;

namespace remu {

class Recordset;
class TGET;
class TWBROWSE;

struct PersonnelListOptions {
    // The worker file (EDITA_PERSONAL); true when a save reached the server.
    std::function<bool(QWidget* parent, Session&, UiPort&, Recordset& ors, bool isNew)> editor;
    // The buttons "Nomina" (EXCEL_PERSON) and "Saldo de Vacaciones" (SALDO_VACA).
    std::function<bool(Recordset& ors, Session&, UiPort&)> masterSheet;
    std::function<bool(Recordset& ors, Session&, UiPort&)> vacationSheet;
};

class PersonnelListDialog : public QDialog {
    Q_OBJECT
public:
    // `list` has been opened (PersonnelList::Opening::List) and outlives the dialog.
    PersonnelListDialog(PersonnelList& list, Session& s, UiPort& ui, PersonnelListOptions options = {},
                        QWidget* parent = nullptr);

    TWBROWSE* grid() const { return grid_; }
    QComboBox* monthSelector() const { return month_; }
    QLabel* statusLabel() const { return status_; }

    // The controls' actions.
    void editCurrent();         // 137 and a double-click on the grid
    void newWorker();           // 136
    void deleteWorker();        // 138
    void search();              // leaving 340
    void clearSearch();         // 102
    void masterSheet();         // 354
    void vacationSheet();       // 3232
    void switchMonth(int index);  // 134

private:
    LookupGridHooks gridHooks();
    void refreshStatus();

    PersonnelList& list_;
    Session& s_;
    UiPort& ui_;
    PersonnelListOptions opt_;
    // At most 80 characters; held unpadded, so that a first key typed is not refused by a full field.
    std::string search_;
    TWBROWSE* grid_;
    QComboBox* month_;
    TGET* searchField_;
    QLabel* status_;
};

// The toolbar's "Trabajador": the list for an administration session, the worker's own
// file for a worker (or the reason why there is none). Modal; returns when closed.
void PERSONAL(QWidget* parent, Session& s, UiPort& ui, PersonnelListOptions options = {});

}  // namespace remu
