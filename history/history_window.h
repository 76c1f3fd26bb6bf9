#pragma once
// "Historial": the worker's pay month by month in a table (with each year's
// totals) and a chart of net pay and taxable earnings; double-click previews the
// month's slip; the table goes to a PDF file or a spreadsheet. Every month is
// computed in memory: nothing is written, REMUMES keeps the slip previewed last.

#include <memory>
#include <string>

#include <QDialog>

#include "core/session.h"
#include "core/ui_port.h"
#include "history/history.h"

class QChartView;
class QLabel;
class QTableWidget;

namespace remu {

class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    // `s` is the caller's session (server, client, company); `code` the worker whose
    // history is shown. Nothing is computed until load().
    HistoryWindow(const Session& s, UiPort& ui, std::string code, QWidget* parent = nullptr);

    // Connects and computes every month; false (after telling the user why) when
    // there is nothing to show.
    bool load();

    const WorkerHistory& history() const { return history_; }
    QTableWidget* table() const { return table_; }
    QChartView* chart() const { return chart_; }

    // The slip of the month of a table row in the preview; false for a row without one.
    bool previewRow(int row);
    // The table as a PDF file: asks where when `file` is empty.
    bool exportPdf(QString file = {});
    // The table as a new spreadsheet in PLANILLAS of the working folder, opened for the user.
    bool exportSheet();

private:
    void fillTable();
    void fillChart();

    Session s_;  // a copy: its period follows the month previewed
    UiPort& ui_;
    std::string code_;
    WorkerHistory history_;
    QLabel* title_;
    QTableWidget* table_;
    QChartView* chart_;
};

// The main window's "Historial": for a worker session his own; otherwise the worker
// `code` (the administration chooses him). Runs modally over `parent`.
void HISTORIAL(QWidget* parent, Session& s, UiPort& ui, const std::string& code = {});

// The code of the session's worker in the latest open month; empty (after telling
// him) when he has none.
std::string sessionWorkerCode(Session& s, UiPort& ui);

}  // namespace remu
