#include "personnel/master_sheet.h"

#include <cstdlib>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/fields.h"
#include "data/personnel_table.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/text.h"
#include "office/xlsx_sheet.h"

namespace remu {

namespace {

constexpr int kColumns = 38;
constexpr int kFirstWorkerRow = 5;
constexpr int kSalaryColumn = 16;  // P

// Headings of rows 3 and 4.
constexpr const char* kHeadings[kColumns][2] = {
    {"", "CODIGO"},          {"", "NOMBRE"},        {"", "DIRECCION"},         {"", "COMUNA"},
    {"", "CIUDAD"},          {"", "RUT"},           {"FECHA", "NACIMIENTO"},   {"FECHA", "INI.LABORAL"},
    {"FECHA", "CONTRATO"},   {"FECHA", "TERMINO"},  {"ESTADO", "CIVIL"},       {"", "SEXO"},
    {"", "TELEFONO"},        {"", "CORREO"},        {"", "NACIONALIDAD"},      {"SUELDO", "BASE"},
    {"", "MONEDA"},          {"", "MONTO"},         {"SUELDO", "PATRONAL"},    {"FORMA", "PAGO"},
    {"", "BANCO"},           {"NUMERO", "CUENTA"},  {"", "CARGO"},             {"TIPO", "JORNADA"},
    {"DIAS JORNADA", "PARCIAL"}, {"CARGAS", "FAMILIARES"}, {"", "TRAMO"},      {"CENTRO", "COSTO"},
    {"SEGURO", "CESANTIA"},  {"TIPO", "TRABAJADOR"}, {"", "AFP"},              {"", "IPS"},
    {"REGIMEN", "PREVISIONAL"}, {"", "SIS"},        {"INSTITUCION", "DE SALUD"}, {"TIPO.COT", "PACTADA"},
    {"MONTO", "PACTAD0"},    {"", "ADICIONAL"},
};

// The text of a code from a list starting at 1; `other` for anything else.
template <size_t N>
std::string codeText(long code, const char* const (&texts)[N], const char* other = "") {
    return code >= 1 && code <= static_cast<long>(N) ? texts[code - 1] : other;
}

std::string dateText(const Date& d) { return d.isValid() ? formatDate(d) : std::string(); }
// A number column as the sheet shows it in a text cell ("12", "0.5").
std::string numberText(double v) { return Value(v).text(); }

// Exact code, trimmed: an empty or unknown code has no name.
std::string nameOf(const std::map<std::string, std::string>& names, const std::string& code) {
    auto it = names.find(trim(code));
    return code.empty() || it == names.end() ? std::string() : trim(it->second);
}

void readNames(Connection& conn, const std::string& sql, const char* codeColumn, const char* nameColumn,
               std::map<std::string, std::string>& out) {
    try {
        auto rs = conn.query(sql);
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            out.emplace(trim(fieldText(*rs, codeColumn)), fieldText(*rs, nameColumn));
    } catch (const DbError&) {
        // Without messages: the names stay blank.
    }
}

void writeWorker(Sheet& sh, int row, const PersonnelRow& w, const MasterNames& names) {
    static const char* const civil[] = {"Soltero", "Casado", "Otro"};
    static const char* const sex[] = {"Masculino", "Femenino"};
    static const char* const nationality[] = {"Chileno", "Extranjero"};
    static const char* const currency[] = {"$", "UF", "UTM", "TOPE", "MIN", "VALUSD", "VALEURO"};
    static const char* const payment[] = {"Efectivo", "Cheque"};
    static const char* const unemployment[] = {"No Afiliado", "Empleador", "Afiliado y Empleador"};
    static const char* const workerKind[] = {"Activo( No Pensionado )", "Pensionado y Cotiza",
                                             "Pensionado y No Cotiza"};
    static const char* const healthPlan[] = {"Sin Pactado", "U.F.", "Pesos", "Adicional Plan Auge en Pesos",
                                             "Adicional Plan Auge en U.F."};
    auto put = [&](int col, const std::string& value) { sh.setValue(row, col, value); };
    auto amount = [&](int col, double value) { sh.setValue(row, col, value); };

    put(1, "'" + trim(w.codigo_per));
    put(2, trim(w.nombre_per));
    put(3, trim(w.direccion_per));
    put(4, trim(w.comuna_per));
    put(5, trim(w.ciudad_per));
    put(6, trim(w.rut_per));
    put(7, dateText(w.fecha_nacimiento_per));
    put(8, dateText(w.fecha_ini_lab_per));
    put(9, dateText(w.fecha_contrato_per));
    put(10, dateText(w.fecha_termino_per));
    put(11, codeText(w.estado_civil_per, civil));
    // The editor's own codes: 1 Masculino, 2 Femenino; 1 Chileno, 2 Extranjero.
    put(12, codeText(w.sexo_per, sex));
    put(13, trim(w.telefono_per));
    put(14, trim(w.correo_per));
    put(15, codeText(w.nacionalidad_per, nationality));
    amount(16, w.sueldo_base_per);
    put(17, codeText(w.moneda_sueldo_per, currency));
    amount(18, w.moneda_sueldo_valor_per);
    put(19, static_cast<long>(w.sueldo_patronal_per) == 1 ? "Si" : " ");
    put(20, codeText(w.forma_pago_sueldo_per, payment, "Banco"));
    put(21, trim(w.codigo_banco_per));
    put(22, trim(w.cuenta_banco_per));
    put(23, trim(w.cargo_per));
    put(24, trim(w.tipo_jornada_per));
    put(25, numberText(w.dias_jornada_parcial_per));
    put(26, numberText(w.cargas_simples_per));
    put(27, trim(w.tramo_carga_per));
    put(28, nameOf(names.costCentre, trim(w.cencosto_per)));
    put(29, codeText(w.seguro_cesantia_per, unemployment, "+ 11 de Servicio"));
    std::string kind = trim(w.tipo_trabajador_per);
    put(30, kind == "0" ? workerKind[0] : kind == "1" ? workerKind[1] : kind == "2" ? workerKind[2]
                                                                                   : "Activo Mayor de 65");
    put(31, nameOf(names.afp, trim(w.codigo_afp_per)));
    put(32, trim(w.codigo_ips_per));
    put(33, trim(w.nombre_regimen_previsional));
    put(34, w.sis_per == 1 ? "Si" : " ");
    put(35, nameOf(names.isapre, trim(w.codigo_isa_per)));
    put(36, codeText(w.pactado_isapre_per, healthPlan));
    amount(37, w.valor_pactado_per);
    amount(38, w.adicional_pesos_per);
}

}  // namespace

MasterNames loadMasterNames(Connection& conn, const Session& s) {
    MasterNames n;
    try {
        std::string year = s.period.yearText();
        std::string remu = sqlName(trim(s.ID_CLIENTE) + "_REMU");
        readNames(conn, "SELECT * FROM " + remu + "." + sqlYearTable(year, "_afp"), "codigo_afp", "nombre_afp", n.afp);
        readNames(conn, "SELECT * FROM " + remu + "." + sqlYearTable(year, "_isapre"), "codigo_isa", "nombre_isa", n.isapre);
        if (!trim(s.CID_CLIENTE_CONT).empty())
            readNames(conn, "SELECT * FROM " + sqlName(trim(s.CID_CLIENTE_CONT)) + "." + sqlYearTable(year, "_centrocosto"),
                      "codigo_cc", "nombre_cc", n.costCentre);
    } catch (const BadIdentifier&) {
        // A name that cannot be a database leaves the names blank, as a missing table does.
    }
    return n;
}

std::unique_ptr<Recordset> loadMonthPersonnel(Connection& conn, const Session& s, UiPort& ui) {
    return PersonnelTable(conn, ui).monthList(s.period);
}

std::string masterSheetStem(const Session& s) {
    return "MAESTRO_PERSONAL_" + s.period.yearText() + "_" + s.period.monthText();
}

int fillMasterSheet(Sheet& sh, Recordset& ors, const MasterNames& names, const Period& period) {
    sh.setFontName("verdana");
    sh.setFontSize(1, 2, 17);
    for (int c = 1; c <= kColumns; ++c) {
        if (*kHeadings[c - 1][0]) sh.setValue(3, c, kHeadings[c - 1][0]);
        sh.setValue(4, c, kHeadings[c - 1][1]);
    }
    int row = kFirstWorkerRow;
    const PersonnelColumns columns(ors);
    for (ors.MoveFirst(); !ors.Eof(); ors.MoveNext()) writeWorker(sh, row++, columns.read(ors), names);
    ors.MoveFirst();

    // An empty month sums P4:P4, the heading alone.
    std::string last = std::to_string(row - 1);
    sh.setInteriorColor(parseRange("A3:AL4"), kColourHeading);
    sh.setNumberFormat(parseRange("P4:P" + last), "#.##0");
    sh.setValue(row, kSalaryColumn - 1, "Total Sueldos");
    sh.setBold(row, kSalaryColumn - 1);
    sh.setFormulaLocal(row, kSalaryColumn, "=SUMA(P4:P" + last + ")");
    sh.setBold(row, kSalaryColumn);
    for (int c = 1; c <= kColumns; ++c) sh.autoFit(c);
    sh.setValue(1, 2, "MAESTRO DE PERSONAL  " + period.monthName() + " " + period.yearText());
    sh.select(1, 1);
    return row - kFirstWorkerRow;
}

bool EXCEL_PERSON(Recordset& ors, Session& s, UiPort& ui, const SheetMaker& makeSheet, const std::string& workDir) {
    if (!s.OCON || !s.OCON->isOpen()) return false;
    MasterNames names = loadMasterNames(*s.OCON, s);
    auto sheet = (makeSheet ? makeSheet : xlsxSheets(workDir))(masterSheetStem(s));
    fillMasterSheet(*sheet, ors, names, s.period);
    return sheet->show(ui);
}

}  // namespace remu
