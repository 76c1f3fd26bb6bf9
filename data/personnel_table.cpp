#include "data/personnel_table.h"

#include <algorithm>
#include <iterator>
#include <variant>

#include "core/ui_port.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"

namespace remu {

namespace {

using Member = std::variant<std::string PersonnelRow::*, double PersonnelRow::*, int PersonnelRow::*,
                            long long PersonnelRow::*, Date PersonnelRow::*>;

struct Column {
    const char* name;
    Member member;
};

// Every column of the table, in the order of its DDL (schema/company_year.sql).
const Column kColumns[] = {
    {"mes_per", &PersonnelRow::mes_per},
    {"codigo_per", &PersonnelRow::codigo_per},
    {"rut_per", &PersonnelRow::rut_per},
    {"clave_per", &PersonnelRow::clave_per},
    {"nombre_per", &PersonnelRow::nombre_per},
    {"nombres_per", &PersonnelRow::nombres_per},
    {"apepat_per", &PersonnelRow::apepat_per},
    {"apemat_per", &PersonnelRow::apemat_per},
    {"anomes_termino_per", &PersonnelRow::anomes_termino_per},
    {"fecha_contrato_per", &PersonnelRow::fecha_contrato_per},
    {"fecha_ini_lab_per", &PersonnelRow::fecha_ini_lab_per},
    {"fecha_termino_per", &PersonnelRow::fecha_termino_per},
    {"fecha_nacimiento_per", &PersonnelRow::fecha_nacimiento_per},
    {"cargo_per", &PersonnelRow::cargo_per},
    {"cencosto_per", &PersonnelRow::cencosto_per},
    {"direccion_per", &PersonnelRow::direccion_per},
    {"comuna_per", &PersonnelRow::comuna_per},
    {"ciudad_per", &PersonnelRow::ciudad_per},
    {"telefono_per", &PersonnelRow::telefono_per},
    {"correo_per", &PersonnelRow::correo_per},
    {"sexo_per", &PersonnelRow::sexo_per},
    {"estado_civil_per", &PersonnelRow::estado_civil_per},
    {"nacionalidad_per", &PersonnelRow::nacionalidad_per},
    {"dir_foto_per", &PersonnelRow::dir_foto_per},
    {"sueldo_base_per", &PersonnelRow::sueldo_base_per},
    {"moneda_sueldo_per", &PersonnelRow::moneda_sueldo_per},
    {"moneda_sueldo_valor_per", &PersonnelRow::moneda_sueldo_valor_per},
    {"adicional_pesos_per", &PersonnelRow::adicional_pesos_per},
    {"sueldo_patronal_per", &PersonnelRow::sueldo_patronal_per},
    {"forma_pago_sueldo_per", &PersonnelRow::forma_pago_sueldo_per},
    {"codigo_banco_per", &PersonnelRow::codigo_banco_per},
    {"cuenta_banco_per", &PersonnelRow::cuenta_banco_per},
    {"comprobante_pago", &PersonnelRow::comprobante_pago},
    {"tipo_trabajador_per", &PersonnelRow::tipo_trabajador_per},
    {"tipo_jornada_per", &PersonnelRow::tipo_jornada_per},
    {"dias_jornada_parcial_per", &PersonnelRow::dias_jornada_parcial_per},
    {"nombre_regimen_previsional", &PersonnelRow::nombre_regimen_previsional},
    {"codigo_afp_per", &PersonnelRow::codigo_afp_per},
    {"codigo_ips_per", &PersonnelRow::codigo_ips_per},
    {"afp_seguro_cesantia_per", &PersonnelRow::afp_seguro_cesantia_per},
    {"seguro_cesantia_per", &PersonnelRow::seguro_cesantia_per},
    {"sis_per", &PersonnelRow::sis_per},
    {"codigo_isa_per", &PersonnelRow::codigo_isa_per},
    {"pactado_isapre_per", &PersonnelRow::pactado_isapre_per},
    {"valor_pactado_per", &PersonnelRow::valor_pactado_per},
    {"cargas_simples_per", &PersonnelRow::cargas_simples_per},
    {"tramo_carga_per", &PersonnelRow::tramo_carga_per},
    {"total_imponible_per", &PersonnelRow::total_imponible_per},
    {"dias_trabajados_per", &PersonnelRow::dias_trabajados_per},
};
constexpr size_t kColumnCount = std::size(kColumns);

// What the worker file writes (GRABA_PERSONAL), in its order; comprobante_pago only for
// the customer variant that shows it. The password and the engine's figures are never
// written here.
constexpr const char* kStored[] = {
    "mes_per", "codigo_per", "nombres_per", "apepat_per", "apemat_per", "nombre_per", "direccion_per",
    "comuna_per", "ciudad_per", "rut_per", "fecha_nacimiento_per", "correo_per", "telefono_per", "cargo_per",
    "fecha_ini_lab_per", "fecha_contrato_per", "fecha_termino_per", "anomes_termino_per", "estado_civil_per",
    "comprobante_pago", "dir_foto_per", "sexo_per", "sueldo_base_per", "moneda_sueldo_per",
    "moneda_sueldo_valor_per", "forma_pago_sueldo_per", "sueldo_patronal_per", "codigo_banco_per",
    "cuenta_banco_per", "seguro_cesantia_per", "tipo_jornada_per", "dias_jornada_parcial_per",
    "cargas_simples_per", "tramo_carga_per", "nacionalidad_per", "cencosto_per", "tipo_trabajador_per",
    "nombre_regimen_previsional", "codigo_afp_per", "codigo_ips_per", "afp_seguro_cesantia_per", "sis_per",
    "codigo_isa_per", "pactado_isapre_per", "adicional_pesos_per", "valor_pactado_per"};

const Column& column(std::string_view name) {
    return *std::find_if(std::begin(kColumns), std::end(kColumns), [&](const Column& c) { return name == c.name; });
}

// A value of the row as the row set stores it: texts trimmed, numbers and dates as they are.
Value stored(const PersonnelRow& row, const Member& member) {
    return std::visit(
        [&](auto m) -> Value {
            using T = std::decay_t<decltype(row.*m)>;
            if constexpr (std::is_same_v<T, std::string>) return Value(trim(row.*m));
            else if constexpr (std::is_same_v<T, Date>) return (row.*m).isNull() ? Value() : Value(row.*m);
            else return Value(static_cast<double>(row.*m));
        },
        member);
}

std::string table(const Period& p) { return sqlYearTable(p, "_personal"); }

}  // namespace

PersonnelColumns::PersonnelColumns(const Recordset& rs) {
    index_.reserve(kColumnCount);
    for (const Column& c : kColumns) index_.push_back(rs.FieldIndex(c.name));
}

PersonnelRow PersonnelColumns::read(const Recordset& rs) const {
    PersonnelRow row;
    for (size_t i = 0; i < kColumnCount; ++i) {
        static const Value none;
        const Value& v = index_[i] < 0 ? none : rs.Fields(index_[i]);
        std::visit(
            [&](auto m) {
                using T = std::decay_t<decltype(row.*m)>;
                if constexpr (std::is_same_v<T, std::string>) row.*m = v.text();
                else if constexpr (std::is_same_v<T, Date>) row.*m = v.date();
                else if constexpr (std::is_same_v<T, double>) row.*m = v.number();
                else row.*m = static_cast<T>(v.number());
            },
            kColumns[i].member);
    }
    return row;
}

PersonnelRow personnelRow(const Recordset& rs) { return PersonnelColumns(rs).read(rs); }

std::string personnelFullName(const PersonnelRow& row) {
    return trim(row.apepat_per) + " " + trim(row.apemat_per) + " " + trim(row.nombres_per);
}

PersonnelTable::Found PersonnelTable::find(const std::string& sql, PersonnelRow& row, std::string_view missing) {
    std::unique_ptr<Recordset> rs;
    if (BUSCA_X(rs, sql, conn_, missing, ui_)) {
        row = personnelRow(*rs);
        return Found::Yes;
    }
    return rs && rs->isOpen() ? Found::No : Found::Failed;
}

bool PersonnelTable::chosen(const Period& p) {
    if (!p.isNull()) return true;
    ui_.stop(Period::problem("", ""), "Alto");
    return false;
}

PersonnelTable::Found PersonnelTable::byCode(const Period& p, std::string_view code, PersonnelRow& row,
                                             std::string_view missing) {
    if (!chosen(p)) return Found::Failed;
    return find("SELECT * FROM " + table(p) + " where mes_per = " + sqlMonth(p) + " and codigo_per = " +
                    sqlText(trim(code)),
                row, missing);
}

PersonnelTable::Found PersonnelTable::byRut(const Period& p, std::string_view rut, PersonnelRow& row) {
    if (!chosen(p)) return Found::Failed;
    return find("SELECT * FROM " + table(p) + " where mes_per = " + sqlMonth(p) + " AND rut_per = " +
                    sqlText(trim(rut)) + " order by codigo_per",
                row, "  ");
}

PersonnelTable::Found PersonnelTable::byRutInYear(const Period& p, std::string_view rut, PersonnelRow& row) {
    if (!chosen(p)) return Found::Failed;
    return find("SELECT * FROM " + table(p) + " where rut_per = " + sqlText(trim(rut)) + " order by codigo_per", row,
                "  ");
}

PersonnelTable::Found PersonnelTable::byRutInDatabases(const Period& p, const std::vector<std::string>& databases,
                                                       std::string_view rut, size_t& which, PersonnelRow& row) {
    if (!chosen(p)) return Found::Failed;
    // A few dozen databases per statement keep it far below any packet limit.
    constexpr size_t kPerStatement = 64;
    const std::string where = " where rut_per = " + sqlText(trim(rut)) + " order by codigo_per LIMIT 1)";
    BusyCursor wait(ui_);
    try {
        for (size_t first = 0; first < databases.size(); first += kPerStatement) {
            const size_t end = std::min(databases.size(), first + kPerStatement);
            std::string sql;
            for (size_t i = first; i < end; ++i) {
                sql += sql.empty() ? "(SELECT " : " UNION ALL (SELECT ";
                sql += std::to_string(i) + " AS base, codigo_per, anomes_termino_per FROM " + sqlName(databases[i]) +
                       "." + table(p) + where;
            }
            // Each part gives the database's first row; the lowest place among them wins.
            auto rs = conn_.query(sql + " ORDER BY base LIMIT 1");
            if (rs->Eof()) continue;
            which = static_cast<size_t>(rs->Fields(0).integer());
            row = personnelRow(*rs);
            return Found::Yes;
        }
    } catch (const BadIdentifier&) {
        return Found::Failed;
    } catch (const DbError&) {
        return Found::Failed;
    }
    return Found::No;
}

std::string PersonnelTable::monthListSql(const Period& p) {
    return "SELECT * FROM " + table(p) + " where mes_per = " + sqlMonth(p) + " order by codigo_per";
}

std::string PersonnelTable::activeListSql(const Period& p) {
    const std::string month = sqlMonth(p);
    return "SELECT * FROM " + table(p) + " where mes_per = " + month + " AND anomes_termino_per >= " +
           std::to_string(p.yearMonth()) + " OR (anomes_termino_per = 0 AND mes_per = " + month +
           ") order by codigo_per";
}

std::string PersonnelTable::workerMonthListSql(const Period& p, std::string_view rut) {
    return "SELECT * FROM " + table(p) + " where mes_per = " + sqlMonth(p) + " AND rut_per = " + sqlText(trim(rut)) +
           " order by codigo_per";
}

std::unique_ptr<Recordset> PersonnelTable::monthList(const Period& p) {
    if (!chosen(p)) return nullptr;
    return openList(monthListSql(p));
}

std::unique_ptr<Recordset> PersonnelTable::workerMonthList(const Period& p, std::string_view rut) {
    if (!chosen(p)) return nullptr;
    return openList(workerMonthListSql(p, rut));
}

std::unique_ptr<Recordset> PersonnelTable::openList(const std::string& sql) {
    try {
        BusyCursor wait(ui_);
        auto rs = conn_.query(sql);
        if (!rs->Eof()) rs->MoveFirst();
        return rs;
    } catch (const DbError&) {
        ADOERROR(conn_, ui_);
    }
    return nullptr;
}

std::optional<std::string> PersonnelTable::lastCode(const Period& p) {
    if (!chosen(p)) return std::nullopt;
    try {
        BusyCursor wait(ui_);
        auto rs = conn_.query("SELECT codigo_per FROM " + table(p) + " where mes_per = " + sqlMonth(p) +
                              " order by codigo_per desc limit 1");
        return rs->Eof() ? std::string() : rs->Fields(0).text();
    } catch (const DbError&) {
        ADOERROR(conn_, ui_);
    }
    return std::nullopt;
}

PersonnelTable::Found PersonnelTable::otherWorker(const Period& p, Duplicate column, std::string_view value,
                                                  std::string_view code, PersonnelRow& row) {
    if (!chosen(p)) return Found::Failed;
    const char* name = column == Duplicate::Rut ? "rut_per" : "nombre_per";
    return find("SELECT * FROM " + table(p) + " where " + name + " = " + sqlText(trim(value)) +
                    " and codigo_per <> " + sqlText(trim(code)) + " and mes_per = " + sqlMonth(p) +
                    " order by codigo_per",
                row, "  ");
}

std::optional<std::vector<PersonnelRow>> PersonnelTable::month(const Period& p) {
    auto rs = monthList(p);
    if (!rs) return std::nullopt;
    std::vector<PersonnelRow> rows;
    rows.reserve(static_cast<size_t>(rs->RecordCount()));
    const PersonnelColumns columns(*rs);
    for (; !rs->Eof(); rs->MoveNext()) rows.push_back(columns.read(*rs));
    return rows;
}

std::optional<std::vector<PersonnelRow>> PersonnelTable::monthWorkers(const Period& p,
                                                                       const std::vector<std::string>& codes) {
    if (!chosen(p)) return std::nullopt;
    std::vector<PersonnelRow> rows;
    if (codes.empty()) return rows;
    std::string list;
    for (const std::string& c : codes) list += (list.empty() ? "" : ", ") + sqlText(c);
    auto rs = openList("SELECT * FROM " + table(p) + " where mes_per = " + sqlMonth(p) + " and codigo_per IN (" + list +
                       ") order by codigo_per");
    if (!rs) return std::nullopt;
    rows.reserve(static_cast<size_t>(rs->RecordCount()));
    const PersonnelColumns columns(*rs);
    for (; !rs->Eof(); rs->MoveNext()) rows.push_back(columns.read(*rs));
    return rows;
}

bool PersonnelTable::setPassword(const Period& p, std::string_view rut, std::string_view password) {
    if (!chosen(p)) return false;
    return EJECUTA_SQL("UPDATE " + table(p) + " SET clave_per = " + sqlText(password) + " where rut_per = " +
                           sqlText(trim(rut)),
                       conn_, ui_);
}

std::vector<std::string> PersonnelTable::storedColumns(const StoreOptions& options) {
    std::vector<std::string> out;
    for (const char* name : kStored) {
        if (!options.paymentVoucher && std::string_view(name) == "comprobante_pago") continue;
        if (!options.only.empty() && std::find(options.only.begin(), options.only.end(), name) == options.only.end())
            continue;
        out.push_back(name);
    }
    return out;
}

bool PersonnelTable::store(Recordset& ors, const PersonnelRow& row, bool append, const StoreOptions& options) {
    return SAVE_ROW(ors, append, [&](Recordset& rs) {
        for (const std::string& name : storedColumns(options)) {
            if (name == "fecha_nacimiento_per" && row.fecha_nacimiento_per.isNull()) continue;
            // A column the table lacks (an older database) is left out, not refused.
            if (rs.FieldIndex(name) < 0) continue;
            rs.SetField(name, stored(row, column(name).member));
        }
    }, conn_, ui_);
}

}  // namespace remu
