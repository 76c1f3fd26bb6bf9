#pragma once
// PERSONAL without a window: the opening of the worker list (working year and month,
// the month's parameters, the month's row set ORS), the month switch, the search
// filter FILTRA_PERSONA and the delete ELIMINA_PERSON. The list screen
// (personnel/list_dialog.h) only binds its controls to it. A worker's session gets a
// row set holding his own row only.

#include <memory>
#include <string>
#include <string_view>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/lookup.h"

namespace remu {

class Recordset;

class PersonnelList {
public:
    PersonnelList(Session& s, UiPort& ui) : s_(s), ui_(ui) {}
    ~PersonnelList();
    PersonnelList(const PersonnelList&) = delete;
    PersonnelList& operator=(const PersonnelList&) = delete;

    enum class Opening {
        List,     // not bound to a worker: show the list screen on ors()
        OwnRow,   // a worker's session: ors() holds his row of the working month
        Nothing,  // the user has been told why nothing opens
    };
    // The opening of PERSONAL: connection (OCON), working year and month (period, TAB_MESES,
    // N_MES, MES_PUBLICO), the month's values (VALOUF ... CFERIADOS_MES) and ORS.
    Opening open();

    // The month's row set; only after open() gave List or OwnRow.
    Recordset& ors() { return *ors_; }
    bool isOpen() const { return ors_ != nullptr; }

    // CAMBIA_PERIODO "MES": the month of entry N_MES of TAB_MESES, its rows (any filter
    // dropped) and its UF, UTM, ceiling and minimum income; the dollar, euro and holidays
    // stay those of the opening. False when the month's rows could not be read (the
    // previous month stays in place).
    bool CAMBIA_PERIODO_MES();

    // The search of field 340: a row passes when its name, code or RUT holds the text;
    // a blank text clears the filter. "Filtro no encontrado" when none passes.
    FilterResult FILTRA_PERSONA(std::string_view text, const LookupGridHooks& grid);
    // The filter expression of a search text (quotes doubled: the text stays one literal).
    static std::string searchCriteria(std::string_view trimmedText);

    // The current row deleted after confirmation; then the next row is current, or the
    // previous one when it was the last. True when a row went; a refused delete is shown.
    bool ELIMINA_PERSON();

    // Drops the row set and the connection (the screen closed).
    void close();

private:
    bool loadParameters(bool all);
    bool loadMonthRows();

    Session& s_;
    UiPort& ui_;
    std::unique_ptr<Recordset> ors_;
};

// SKIPPER_APV and SKIPPER_VACA skip as SKIPPER does (data/lookup.h).
inline long SKIPPER_APV(Recordset& rs, long n) { return SKIPPER(rs, n); }
inline long SKIPPER_VACA(Recordset& rs, long n) { return SKIPPER(rs, n); }

// The message of a worker's session whose RUT has no row in the working month.
std::string noOwnRowText(const Period& period);

}  // namespace remu
