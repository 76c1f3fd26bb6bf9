#include "personnel/vacation_sheet.h"

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/text.h"
#include "office/xlsx_sheet.h"

namespace remu {

namespace {

constexpr int kFirstBlockRow = 7;
constexpr const char* kDaysFormat = "#.##0,00";

std::string dateText(const Date& d) { return d.isValid() ? formatDate(d) : std::string(); }

// The columns of the personnel row set one block reads, found once.
struct WorkerColumns {
    int name, rut, contract, end, workingLife;
    explicit WorkerColumns(const Recordset& rs)
        : name(rs.FieldIndex("nombre_per")),
          rut(rs.FieldIndex("rut_per")),
          contract(rs.FieldIndex("fecha_contrato_per")),
          end(rs.FieldIndex("fecha_termino_per")),
          workingLife(rs.FieldIndex("fecha_ini_lab_per")) {}
    static const Value& at(const Recordset& rs, int i) {
        static const Value none;
        return i < 0 ? none : rs.Fields(i);
    }
};

// IMPR_VAC: one worker's block from the row after `block`; his periods from the row after
// `period`. Both counters are left on the last row written.
void workerBlock(Sheet& sh, int& block, int& period, const Recordset& ors, const WorkerColumns& c,
                 const VacationsByRut& all, const Date& today) {
    static const std::vector<VacationPeriod> none;
    Date contract = WorkerColumns::at(ors, c.contract).date();
    Date workingLife = WorkerColumns::at(ors, c.workingLife).date();
    // Without a start of working life the contract starts it.
    if (workingLife.isNull()) workingLife = contract;
    std::string rut = trim(WorkerColumns::at(ors, c.rut).text());
    auto found = rut.empty() ? all.end() : all.find(rut);
    const auto& periods = found == all.end() ? none : found->second;
    double taken = 0;
    for (const auto& p : periods) taken += p.days;
    VacationFigures f =
        vacationFigures(contract, WorkerColumns::at(ors, c.end).date(), workingLife, taken, today);

    ++block;
    sh.setValue(block, 1, trim(WorkerColumns::at(ors, c.name).text()));
    sh.setValue(block, 2, "FECHA CONTRATO");
    sh.setValue(block, 3, dateText(contract));
    const std::pair<const char*, double> figures[] = {{"DIAS PROGRESIVOS", f.DPRO_HAB},
                                                      {"DIAS LEGALES", f.DIAS_HAB},
                                                      {"TOTAL DIAS", f.TOT_HAB},
                                                      {"DIAS UTILIZADOS", f.USA_HAB},
                                                      {"SALDO DE DIAS", f.SAL_HAB}};
    for (const auto& [label, value] : figures) {
        ++block;
        sh.setValue(block, 2, label);
        sh.setValue(block, 3, value);
        sh.setNumberFormat(block, 3, kDaysFormat);
    }
    for (const auto& p : periods) {
        ++period;
        sh.setValue(period, 4, dateText(p.start));
        sh.setValue(period, 5, dateText(p.end));
        sh.setValue(period, 6, p.days);
        sh.setNumberFormat(period, 6, kDaysFormat);
    }
}

}  // namespace

VacationsByRut loadAllVacations(Connection& conn) {
    VacationsByRut out;
    auto rs = conn.query("SELECT rut_per_vac, fecini_vac, fechas_vac, dias_vac FROM vacaciones"
                         " order by rut_per_vac, fecini_vac");
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        std::string rut = trim(rs->Fields(0).text());
        if (rut.empty()) continue;  // a period nobody can be found by
        VacationPeriod p;
        p.rut = rut;
        p.start = rs->Fields(1).date();
        p.end = rs->Fields(2).date();
        p.days = rs->Fields(3).number();
        out[rut].push_back(std::move(p));
    }
    return out;
}

std::string vacationSheetStem(const Session& s) { return "SALDO_VACACIONES_" + s.period.yearText() + "_" + s.period.monthText(); }

int fillVacationSheet(Sheet& sh, Recordset& ors, const VacationsByRut& all, const std::string& companyName,
                      const Date& today) {
    sh.setFontName("verdana");
    sh.setFontSize(1, 3, 10);
    sh.setInteriorColor(1, 3, kColourLightGrey);
    int block = kFirstBlockRow, period = kFirstBlockRow, workers = 0;
    if (ors.RecordCount() > 0) {
        WorkerColumns columns(ors);
        for (ors.MoveFirst(); !ors.Eof(); ors.MoveNext()) {
            workerBlock(sh, block, period, ors, columns, all, today);
            ++workers;
            // A worker with more periods than figure rows ends his block below the last one.
            if (period > block) block = period;
            ++block;  // one empty row between workers
            period = block;
        }
        ors.MoveFirst();
    }

    sh.setValue(6, 4, "FECHA INICIO");
    sh.setValue(6, 5, "FECHA TERMINO");
    sh.setValue(6, 6, "DIAS");
    for (int c = 1; c <= 6; ++c) sh.autoFit(c);
    sh.setValue(1, 1, "Empresa :" + rtrim(companyName));
    sh.setFontSize(1, 1, 17);
    sh.setValue(3, 3,
                "SALDO DE VACACIONES AL " + padLeft(std::to_string(today.day), 2) + " " + NOMES_FF(today.month) + " " +
                    std::to_string(today.year));
    sh.setValue(5, 1, "FUNCIONARIO ");
    sh.setValue(5, 4, "P E R I O D O   D E   V A C A C I O N E S");
    sh.select(1, 1);
    return workers;
}

bool SALDO_VACA(Recordset& ors, Session& s, UiPort& ui, const SheetMaker& makeSheet, const std::string& workDir) {
    if (!s.OCON || !s.OCON->isOpen()) return false;
    std::string company;
    VacationsByRut periods;
    try {
        auto rs = s.OCON->query("SELECT * FROM " + sqlYearTable(s.period, "_datos_empresa") + " where mes_datemp = " +
                                sqlMonth(s.period));
        if (!rs->Eof() && rs->FieldIndex("nombre_datemp") >= 0) company = rs->Fields("nombre_datemp").text();
        periods = loadAllVacations(*s.OCON);
    } catch (const DbError&) {
        ADOERROR(*s.OCON, ui);
        return false;
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Error");
        return false;
    }
    auto sheet = (makeSheet ? makeSheet : xlsxSheets(workDir))(vacationSheetStem(s));
    fillVacationSheet(*sheet, ors, periods, company, Clock::today());
    return sheet->show(ui);
}

}  // namespace remu
