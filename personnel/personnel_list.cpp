#include "personnel/personnel_list.h"

#include "data/connection.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

constexpr const char* kNoMonth = "Debe seleccionar un mes de trabajo";

// A month column may come back as text ("03") or as a number (3).
int monthNumber(const Value& v) {
    return v.type() == Value::Type::Number ? static_cast<int>(v.integer()) : static_cast<int>(numericValue(trim(v.text())));
}

}  // namespace

PersonnelList::~PersonnelList() { close(); }

std::string noOwnRowText(const Period& period) {
    return "Su ficha de personal no existe en el mes de trabajo (" + trim(period.monthName()) + " " +
           period.yearText() + ").\nConsulte a la administración.";
}

PersonnelList::Opening PersonnelList::open() {
    close();
    s_.CESTADO = "  ";
    if (!CONECTA(s_, ui_, s_.OCON)) return Opening::Nothing;
    auto fail = [this] {
        close();
        return Opening::Nothing;
    };

    std::string year = trim(s_.ANO_PUBLICO);
    if (auto problem = Period::yearProblem(year); !problem.empty()) {
        ui_.stop(problem, "Alto");
        return fail();
    }
    std::unique_ptr<Recordset> months;
    if (!BUSCA_X(months, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes desc", *s_.OCON, "  ", ui_)) {
        ui_.info(kNoMonth, "Atención");
        return fail();
    }
    // A worker always works in the open payroll year.
    if (s_.workerBound()) s_.ANO_FIJO = " ";
    if (!isBlank(s_.ANO_FIJO)) {
        year = trim(s_.ANO_FIJO);
        if (auto problem = Period::yearProblem(year); !problem.empty()) {
            ui_.stop(problem, "Alto");
            return fail();
        }
    }

    // The open months of the working year, in order; each one checked once, here.
    std::vector<int> openMonths;
    if (BUSCA_X(months, "SELECT * FROM " + sqlYearTable(year, "_meses") + " order by mes", *s_.OCON, "  ", ui_)) {
        for (; !months->Eof(); months->MoveNext()) {
            const std::string mes = trim(months->Fields("mes").text());
            const int m = monthNumber(months->Fields("mes"));
            if (!Period::parse(year, std::to_string(m))) {
                ui_.stop(Period::problem(year, mes), "Alto");
                return fail();
            }
            openMonths.push_back(m);
        }
    }
    if (openMonths.empty()) {
        // A fixed year without open months has no month to work in either.
        ui_.info(kNoMonth, "Atención");
        return fail();
    }
    s_.TAB_MESES.clear();
    for (int m : openMonths) s_.TAB_MESES.push_back(monthChoice(m));
    s_.MES_PUBLICO = Period::of(std::stoi(year), openMonths.back()).monthText();

    const int count = static_cast<int>(openMonths.size());
    if (isBlank(s_.MES_FIJO)) {
        s_.N_MES = count;
    } else {
        const std::string fixed = trim(s_.MES_FIJO);
        for (int i = 0; i < count; ++i)
            if (numericValue(fixed) == openMonths[static_cast<size_t>(i)] && !fixed.empty()) s_.N_MES = i + 1;
    }
    // A kept index that the month list no longer has falls on the highest open month.
    if (s_.N_MES < 1 || s_.N_MES > count) s_.N_MES = count;
    s_.period = Period::of(std::stoi(year), monthOfChoice(s_.TAB_MESES[static_cast<size_t>(s_.N_MES - 1)]));

    loadParameters(true);
    if (!loadMonthRows()) return fail();

    if (!s_.workerBound()) return Opening::List;
    ors_ = PersonnelTable(*s_.OCON, ui_).workerMonthList(s_.period, s_.CRUT_CONEXION_TRABAJADOR);
    if (!ors_) return fail();
    // Without his row the editor would open on nothing: say so instead.
    if (ors_->RecordCount() == 0) {
        ui_.info(noOwnRowText(s_.period), "Atención");
        return fail();
    }
    return Opening::OwnRow;
}

bool PersonnelList::loadMonthRows() {
    auto rows = PersonnelTable(*s_.OCON, ui_).monthList(s_.period);
    if (!rows) return false;
    ors_ = std::move(rows);
    return true;
}

bool PersonnelList::loadParameters(bool all) {
    if (all) {
        s_.VALEURO = s_.VALUSD = s_.INGMIN = s_.TOPIMP = s_.VALUTM = s_.VALOUF = 0;
        s_.CFERIADOS_MES = std::string(20, ' ');
    }
    // A month without parameters (or a parameter table out of reach) leaves the values as they are.
    try {
        auto rs = s_.OCON->query("SELECT * FROM " + sqlName(trim(s_.ID_CLIENTE) + "_REMU") + "." +
                                 sqlYearTable(s_.period, "_parametros") + " where mes_par = " + sqlMonth(s_.period));
        if (rs->Eof()) return false;
        auto number = [&](const char* column) {
            const int i = rs->FieldIndex(column);
            return i < 0 ? 0.0 : rs->Fields(i).number();
        };
        s_.VALOUF = number("valor_uf_par");
        s_.VALUTM = number("valor_utm_par");
        s_.TOPIMP = number("tope_imponible_par");
        s_.INGMIN = number("ingreso_minimo_par");
        if (all) {
            s_.VALUSD = number("valor_usd");
            s_.VALEURO = number("valor_euro");
            const int h = rs->FieldIndex("feriados_mes_par");
            if (h >= 0) s_.CFERIADOS_MES = trim(rs->Fields(h).text());
        }
        return true;
    } catch (const DbError&) {
        return false;
    } catch (const BadIdentifier&) {
        return false;
    }
}

bool PersonnelList::CAMBIA_PERIODO_MES() {
    if (!s_.OCON || s_.period.isNull() || s_.N_MES < 1 || s_.N_MES > static_cast<int>(s_.TAB_MESES.size()))
        return false;
    const Period before = s_.period;
    const int month = monthOfChoice(s_.TAB_MESES[static_cast<size_t>(s_.N_MES - 1)]);
    if (month < 1) return false;
    s_.period = s_.period.withMonth(month);
    if (!loadMonthRows()) {
        s_.period = before;
        return false;
    }
    loadParameters(false);
    return true;
}

std::string PersonnelList::searchCriteria(std::string_view trimmedText) {
    std::string q;
    for (char c : trimmedText) q += c == '\'' ? std::string("''") : std::string(1, c);
    return "nombre_per LIKE '*" + q + "*' or codigo_per LIKE '*" + q + "*' or rut_per LIKE '*" + q + "*' ";
}

FilterResult PersonnelList::FILTRA_PERSONA(std::string_view text, const LookupGridHooks& grid) {
    if (!ors_) return FilterResult::Removed;
    const std::string t = trim(text);
    FilterResult result = FilterResult::Removed;
    if (!t.empty()) {
        bool found = false;
        try {
            ors_->Filter(searchCriteria(t));
            found = ors_->RecordCount() > 0;
        } catch (const std::exception&) {
            found = false;  // a text the filter cannot read matches nothing
        }
        result = FilterResult::Applied;
        if (!found) {
            ui_.alert("Filtro no encontrado", "Atención");
            result = FilterResult::NotFound;
        }
    }
    if (result != FilterResult::Applied) ors_->Filter("");
    if (grid.goTop) grid.goTop();
    else if (ors_->RecordCount() > 0) ors_->MoveFirst();
    if (grid.refresh) grid.refresh();
    return result;
}

bool PersonnelList::ELIMINA_PERSON() {
    if (!ors_ || ors_->RecordCount() == 0 || ors_->Eof() || ors_->Bof()) return false;
    if (!ui_.yesNo("Esta Seguro de Eliminar trabajador " + ors_->Fields("nombre_per").text(), "Elimina")) return false;
    try {
        ors_->Delete();
    } catch (const DbError&) {
        // Refused by the server, or already gone: the row stays in the list as it was.
        ADOERROR(*s_.OCON, ui_);
        return false;
    }
    ors_->MoveNext();
    if (ors_->Eof() && ors_->RecordCount() > 0) ors_->MoveLast();
    return true;
}

void PersonnelList::close() {
    ors_.reset();
    if (s_.OCON) s_.OCON->close();
    s_.OCON.reset();
}

}  // namespace remu
