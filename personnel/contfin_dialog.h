#pragma once
// CONTFIN: the "Contrato y Finiquito" dialog (ODLG_CONFIN) opened by button 234 of the
// worker file's first page, administration sessions only. The clerk picks a contract or
// settlement template and produces the worker's document (VECONT / VEFINIQ).

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/session.h"
#include "core/ui_port.h"
#include "personnel/documents.h"

class QLabel;

namespace remu {

struct ContfinOptions {
    std::string workDir = ".";  // DIRACTUAL: where the documents are written
    // The file-open dialog of the browse buttons: the chosen path, empty when cancelled.
    // Empty: the standard file dialog with the word processor's documents.
    std::function<std::string(const std::string& caption, const std::string& current)> chooseTemplate;
};

class ContfinDialog : public QDialog {
    Q_OBJECT
public:
    ContfinDialog(Session& s, UiPort& ui, DocumentWorker worker, ContfinOptions options = {},
                  QWidget* parent = nullptr);

    void generaContrato();   // button 113
    void generaFiniquito();  // button 118
    void chooseContrato();   // browse button of field 200
    void chooseFiniquito();  // browse button of field 114

    QLabel* statusLabel() const { return status_; }
    // Every text the status line has shown (for the tests).
    const std::vector<std::string>& statusHistory() const { return history_; }
    // The last document produced (empty when none).
    const std::string& lastDocument() const { return last_; }

private:
    void refreshStatus();
    void choose(std::string& path, const char* caption);

    Session& s_;
    UiPort& ui_;
    DocumentWorker worker_;
    ContfinOptions opt_;
    std::string status_text_;
    QLabel* status_;
    std::vector<std::string> history_;
    std::string last_;
};

// Opens the dialog on the worker file's buffer. Nothing happens in a worker's own
// session (the button is not bound there).
void CONTFIN(QWidget* parent, Session& s, UiPort& ui, const DocumentWorker& worker, ContfinOptions options = {});

// The same for the worker of the working month with this code, read from the server.
// False when the dialog did not open (worker session, worker not found).
bool CONTFIN(QWidget* parent, Session& s, UiPort& ui, const std::string& code, ContfinOptions options = {});

}  // namespace remu
