#pragma once
// EDITA_PERSONAL: the worker file (ODLG_PERSON_EDITA), five pages over one editing
// buffer: personal data, employment data, pension (with the APV plans), health insurance
// and vacations. An administrator creates or changes the worker; in a worker's own session
// everything is read-only but the IPS codes (without an AFP), the APV plans he has, the
// vacation voucher and the save of what he may change.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "personnel/editor_pages.h"
#include "personnel/worker_file.h"

class QTabWidget;
class QPushButton;

namespace remu {

class Recordset;
class VacationsPage;

class WorkerFileDialog : public QDialog {
    Q_OBJECT
public:
    // `buffer` was filled by the opening (openWorkerFile); `ors` is the month's row set.
    WorkerFileDialog(WorkerBuffer& buffer, Session& s, UiPort& ui, Connection& conn, Recordset& ors, bool isNew,
                     QWidget* parent = nullptr);
    ~WorkerFileDialog() override;

    // Button 302: the checks, the write, and the dialog closed when the write reached
    // the server. A refused check or write keeps it open with the edits (false).
    bool save();
    bool saved() const { return saved_; }

    QTabWidget* pages() const { return tabs_; }
    WorkerFilePage* page(int number) const;  // 1..4
    VacationsPage* vacations() const { return vacations_; }
    PersonalPage* personal() const;
    WorkerBuffer& buffer() { return b_; }
    // Every page shows the buffer again.
    void refreshAll();
    // Turns to a page (1..5) and puts the focus on one of its controls.
    void goTo(int page, int field);

private:
    WorkerBuffer& b_;
    Session& s_;
    UiPort& ui_;
    Connection& conn_;
    Recordset& ors_;
    bool isNew_;
    WorkerFileContext context_;
    QTabWidget* tabs_;
    std::vector<WorkerFilePage*> pages_;
    VacationsPage* vacations_ = nullptr;
    bool saved_ = false;
    bool refreshing_ = false;
};

// The opening of the file, without the dialog: the buffer of a new worker (with the code
// proposed) or of the current row of `ors`, the names of its codes looked up and the
// salaries that follow an index worked out. False, after telling the user, when there is
// no worker to open or no code could be proposed.
bool openWorkerFile(WorkerBuffer& b, Session& s, UiPort& ui, Connection& conn, Recordset& ors, bool isNew);

// The toolbar's and the list's entry: opens modally on the current row of `ors` (isNew
// false) or for a row to append (true); true when a save reached the server.
bool EDITA_PERSONAL(QWidget* parent, Session& s, UiPort& ui, Recordset& ors, bool isNew);

// Lets the tests act on each worker file as it opens (before its event loop runs).
void setWorkerFileObserver(std::function<void(WorkerFileDialog&)> observer);

}  // namespace remu
