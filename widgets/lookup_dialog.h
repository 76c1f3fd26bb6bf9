#pragma once
// AYUDA_Y: the one pick-list of the program ("Búsqueda"): a search field over a
// two-column grid of a query's rows. The recordset is left on the chosen row.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/ui_port.h"
#include "data/connection.h"
#include "data/lookup.h"

namespace remu {

class TGET;
class TWBROWSE;

class LookupDialog : public QDialog {
    Q_OBJECT
public:
    LookupDialog(Recordset& rs, bool wide, std::string codeColumn, std::string nameColumn, UiPort& ui,
                 QWidget* parent = nullptr);

    bool chosen() const { return chosen_; }
    TWBROWSE* grid() const { return grid_; }
    TGET* searchField() const { return search_; }
    std::string& searchText() { return text_; }
    // FILTRA with the current search text (what leaving the field does).
    void applySearch();
    // The reset button (102).
    void resetSearch();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Recordset& rs_;
    std::string code_, name_;
    UiPort& ui_;
    std::string text_ = std::string(30, ' ');
    TGET* search_;
    TWBROWSE* grid_;
    LookupGridHooks hooks_;
    bool chosen_ = false;
};

// Runs `sql`, shows the rows and lets the user choose one; true with rs on the chosen row.
// "larga" selects the wide template. A failed or empty query never opens the dialog.
bool AYUDA_Y(std::unique_ptr<Recordset>& rs, const std::string& sql, std::string_view width,
             const std::string& codeColumn, const std::string& nameColumn, Connection& conn, UiPort& ui,
             QWidget* parent = nullptr);

// Lets the tests act on each lookup dialog as it opens (before its event loop runs).
void setLookupDialogObserver(std::function<void(LookupDialog&)> observer);

}  // namespace remu
