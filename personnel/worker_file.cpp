#include "personnel/worker_file.h"

#include <algorithm>
#include <cstdio>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/recordset.h"
#include "data/sql.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"

namespace remu {

namespace {

// The client's parameter database, "<ID_CLIENTE>_REMU", checked.
std::string remuDb(const Session& s) { return sqlName(trim(s.ID_CLIENTE) + "_REMU"); }

// The per-year tables of the parameter database follow the open payroll year.
std::string publicYear(const Session& s) {
    return Period::yearProblem(s.ANO_PUBLICO).empty() ? trim(s.ANO_PUBLICO) : s.period.yearText();
}

std::string monthName(const Session& s) { return s.period.monthText(); }

}  // namespace

const std::vector<std::string>& salaryUnits() {
    static const std::vector<std::string> units = {" 1- Pesos", " 2- UF",     " 3- UTM", " 4- TOPE",
                                                   " 5- MINIMO", " 6- USD", " 7- EURO"};
    return units;
}

bool memberVariant(const Session& s) { return s.ID_CLIENTE.find("039_QUERNEL") != std::string::npos; }

std::string held(std::string_view text, size_t width) {
    const std::string t = rtrim(text);
    return charLength(t) > width ? t : padRight(t, width);
}

std::string composedName(const WorkerBuffer& b) {
    return trim(b.CNOMBRES) + " " + trim(b.CAPEPAT) + " " + trim(b.CAPEMAT);
}

WorkerBuffer newWorkerBuffer() {
    WorkerBuffer b;
    b.CCODIGO_PER = std::string(width::CODIGO, ' ');
    b.CNOMBRES = std::string(width::NOMBRES, ' ');
    b.CAPEPAT = b.CAPEMAT = std::string(width::APELLIDO, ' ');
    b.CNOMBRE = " ";
    b.CDIRECCION = std::string(width::DIRECCION, ' ');
    b.CCOMUNA = std::string(width::COMUNA, ' ');
    b.CCIUDAD = std::string(width::CIUDAD, ' ');
    b.CRUT = std::string(width::RUT, ' ');
    b.CCARGO = std::string(width::CARGO, ' ');
    b.CTELEFONO = std::string(width::TELEFONO, ' ');
    b.CCORREO = std::string(width::CORREO, ' ');
    b.CBANCO = std::string(width::BANCO, ' ');
    b.CCTABCO = std::string(width::CTABCO, ' ');
    b.CCENCOS = std::string(width::CENCOS, ' ');
    b.CCODIGO_IPS = b.CAFP_SEGURO_CESANTIA = std::string(width::AFP, ' ');
    return b;
}

WorkerBuffer bufferFromRow(const PersonnelRow& r, bool member) {
    WorkerBuffer b = newWorkerBuffer();
    b.CCODIGO_PER = held(r.codigo_per, width::CODIGO);
    b.CNOMBRES = held(r.nombres_per, width::NOMBRES);
    b.CAPEPAT = held(r.apepat_per, width::APELLIDO);
    b.CAPEMAT = held(r.apemat_per, width::APELLIDO);
    b.CNOMBRE = composedName(b);
    b.CDIRECCION = held(r.direccion_per, width::DIRECCION);
    b.CCOMUNA = held(r.comuna_per, width::COMUNA);
    b.CCIUDAD = held(r.ciudad_per, width::CIUDAD);
    b.CRUT = held(r.rut_per, width::RUT);
    b.DFECHA_NAC = r.fecha_nacimiento_per;
    b.DFECHA_INI_LAB = r.fecha_ini_lab_per;
    b.DFECHA_CONTRATO = r.fecha_contrato_per;
    b.DFECHA_TERMINO = r.fecha_termino_per;
    b.CCARGO = held(r.cargo_per, width::CARGO);
    b.CTELEFONO = held(r.telefono_per, width::TELEFONO);
    b.CCORREO = held(r.correo_per, width::CORREO);
    b.NESTADO_CIVIL = r.estado_civil_per;
    if (member) b.LCOMPROBANTE_PAGO = r.comprobante_pago == 1;
    b.CDIR_FOTO = r.dir_foto_per.empty() ? " " : r.dir_foto_per;
    b.NSEXO = r.sexo_per;
    b.NSUELDO_BASE = r.sueldo_base_per;
    b.NMONEDA_SUELDO = r.moneda_sueldo_per;
    b.NMONEDA_SUELDO_VALOR = r.moneda_sueldo_valor_per;
    b.NFORMA_PAGO_SUELDO = r.forma_pago_sueldo_per;
    b.LSUELDO_PATRONAL = r.sueldo_patronal_per == 1;
    b.CBANCO = held(r.codigo_banco_per, width::BANCO);
    b.CCTABCO = held(r.cuenta_banco_per, width::CTABCO);
    b.NSEGURO_CESANTIA = r.seguro_cesantia_per;
    b.CTIPO_JORNADA = trim(r.tipo_jornada_per);
    b.NDIAS_JORNADA_PARCIAL = static_cast<int>(r.dias_jornada_parcial_per);
    b.NCARGAS = r.cargas_simples_per;
    b.CTRAMO = trim(r.tramo_carga_per);
    b.NNACIONALIDAD = r.nacionalidad_per;
    b.CCENCOS = held(r.cencosto_per, width::CENCOS);
    b.CTIPO_TRABAJADOR = held(r.tipo_trabajador_per, width::TIPO);
    b.CNOMBRE_REGIMEN_PREVISIONAL = r.nombre_regimen_previsional.empty() ? " " : r.nombre_regimen_previsional;
    b.CCODIGO_AFP = held(r.codigo_afp_per, width::AFP);
    b.CCODIGO_IPS = held(r.codigo_ips_per, width::AFP);
    b.CAFP_SEGURO_CESANTIA = held(r.afp_seguro_cesantia_per, width::AFP);
    b.LSIS = r.sis_per == 1;
    b.CCODIGO_ISA = held(r.codigo_isa_per, width::AFP);
    b.NPACTADO_ISAPRE = r.pactado_isapre_per;
    b.NVALOR_PACTADO = r.valor_pactado_per;
    b.NADICIONAL_PESOS = r.adicional_pesos_per;
    return b;
}

PersonnelRow rowFromBuffer(const WorkerBuffer& b, const Period& period) {
    PersonnelRow r;
    r.mes_per = period.monthText();
    r.codigo_per = b.CCODIGO_PER;
    r.nombres_per = b.CNOMBRES;
    r.apepat_per = b.CAPEPAT;
    r.apemat_per = b.CAPEMAT;
    r.nombre_per = composedName(b);
    r.direccion_per = b.CDIRECCION;
    r.comuna_per = b.CCOMUNA;
    r.ciudad_per = b.CCIUDAD;
    r.rut_per = b.CRUT;
    r.fecha_nacimiento_per = b.DFECHA_NAC;
    r.correo_per = b.CCORREO;
    r.telefono_per = b.CTELEFONO;
    r.cargo_per = b.CCARGO;
    r.fecha_ini_lab_per = b.DFECHA_INI_LAB;
    r.fecha_contrato_per = b.DFECHA_CONTRATO;
    r.fecha_termino_per = b.DFECHA_TERMINO;
    r.anomes_termino_per =
        b.DFECHA_TERMINO.isNull() ? 0 : b.DFECHA_TERMINO.year * 100LL + b.DFECHA_TERMINO.month;
    r.estado_civil_per = b.NESTADO_CIVIL;
    r.comprobante_pago = b.LCOMPROBANTE_PAGO ? 1 : 0;
    r.dir_foto_per = b.CDIR_FOTO;
    r.sexo_per = b.NSEXO;
    r.sueldo_base_per = b.NSUELDO_BASE;
    r.moneda_sueldo_per = b.NMONEDA_SUELDO;
    r.moneda_sueldo_valor_per = b.NMONEDA_SUELDO_VALOR;
    r.forma_pago_sueldo_per = b.NFORMA_PAGO_SUELDO;
    r.sueldo_patronal_per = b.LSUELDO_PATRONAL ? 1 : 0;
    r.codigo_banco_per = b.CBANCO;
    r.cuenta_banco_per = b.CCTABCO;
    r.seguro_cesantia_per = b.NSEGURO_CESANTIA;
    r.tipo_jornada_per = b.CTIPO_JORNADA;
    r.dias_jornada_parcial_per = b.NDIAS_JORNADA_PARCIAL;
    r.cargas_simples_per = b.NCARGAS;
    r.tramo_carga_per = b.CTRAMO;
    r.nacionalidad_per = b.NNACIONALIDAD;
    r.cencosto_per = b.CCENCOS;
    r.tipo_trabajador_per = b.CTIPO_TRABAJADOR;
    r.nombre_regimen_previsional = b.CNOMBRE_REGIMEN_PREVISIONAL;
    r.codigo_afp_per = b.CCODIGO_AFP;
    r.codigo_ips_per = b.CCODIGO_IPS;
    r.afp_seguro_cesantia_per = b.CAFP_SEGURO_CESANTIA;
    r.sis_per = b.LSIS ? 1 : 0;
    r.codigo_isa_per = b.CCODIGO_ISA;
    r.pactado_isapre_per = b.NPACTADO_ISAPRE;
    r.adicional_pesos_per = b.NADICIONAL_PESOS;
    r.valor_pactado_per = b.NVALOR_PACTADO;
    return r;
}

// ---------------------------------------------------------------- rules

void salaryAtOpening(WorkerBuffer& b, const Session& s) {
    switch (b.NMONEDA_SUELDO) {
    case 4: b.NSUELDO_BASE = ROUND(s.TOPIMP * s.VALOUF, 0); break;
    case 5: b.NSUELDO_BASE = s.INGMIN; break;
    case 6: b.NSUELDO_BASE = ROUND(b.NMONEDA_SUELDO_VALOR * s.VALUSD, 0); break;
    case 7: b.NSUELDO_BASE = ROUND(b.NMONEDA_SUELDO_VALOR * s.VALEURO, 0); break;
    default: break;
    }
}

void VALIDA_SUELDO(WorkerBuffer& b, const Session& s) {
    switch (b.NMONEDA_SUELDO) {
    case 1:
        b.NSUELDO_BASE = 0;
        b.NMONEDA_SUELDO_VALOR = 0;
        break;
    case 2: b.NSUELDO_BASE = ROUND(b.NMONEDA_SUELDO_VALOR * s.VALOUF, 0); break;
    case 3: b.NSUELDO_BASE = ROUND(b.NMONEDA_SUELDO_VALOR * s.VALUTM, 0); break;
    case 4:
        b.NSUELDO_BASE = ROUND(s.TOPIMP * s.VALOUF, 0);
        b.NMONEDA_SUELDO_VALOR = 0;
        break;
    case 5:
        b.NSUELDO_BASE = s.INGMIN;
        b.NMONEDA_SUELDO_VALOR = 0;
        b.LSUELDO_PATRONAL = false;
        break;
    default: break;
    }
}

void VALIDA_PACTADO(WorkerBuffer& b) {
    if (b.NPACTADO_ISAPRE != 1) return;
    b.NVALOR_PACTADO = 0;
    b.NADICIONAL_PESOS = 0;
}

namespace {
void clearIpsAndUnemployment(WorkerBuffer& b) {
    b.CCODIGO_IPS = "  ";
    b.CNOMBRE_IPS = " ";
    b.CAFP_SEGURO_CESANTIA = "  ";
    b.CNOMBRE_AFP_SEGURO_CESANTIA = " ";
}
}  // namespace

void VALIDA_REGIMEN_PREV(WorkerBuffer& b) {
    if (trim(b.CTIPO_TRABAJADOR) == "2") {
        b.CNOMBRE_REGIMEN_PREVISIONAL = "SIP - Sin Institución Previsional";
        b.CCODIGO_AFP = "00";
        b.CNOMBRE_AFP = "NO ESTá EN AFP";
        clearIpsAndUnemployment(b);
    }
    if (!isBlank(b.CCODIGO_IPS)) b.CNOMBRE_REGIMEN_PREVISIONAL = "INP - IPS (Ex-INP)";
    if (textNotEquals(b.CCODIGO_AFP, "00")) {
        b.CNOMBRE_REGIMEN_PREVISIONAL = "AFP - AFP";
        clearIpsAndUnemployment(b);
    }
}

// ---------------------------------------------------------------- enabling

bool controlEnabled(int page, int id, const WorkerBuffer& b, const EnablingContext& c) {
    const bool admin = c.administrator;
    switch (page) {
    case 1:
        if (id == 1140) return c.memberVariant;
        break;
    case 2:
        switch (id) {
        case 123: return admin && b.NMONEDA_SUELDO == 1;
        case 140: return admin && (b.NMONEDA_SUELDO == 2 || b.NMONEDA_SUELDO == 3 || b.NMONEDA_SUELDO == 6 ||
                                   b.NMONEDA_SUELDO == 7);
        case 136: return admin && b.NMONEDA_SUELDO != 5;
        case 137: return admin && trim(b.CTIPO_JORNADA) == "Parcial";
        // A cost centre of the system's own (998, 999) stays as it is.
        case 209: return admin && std::string("998/999").find(padRight(b.CCENCOS, 4)) == std::string::npos;
        default: break;
        }
        break;
    case 3:
        // The IPS codes are the pension fields a worker may fill in himself, without an AFP.
        if (id == 115 || id == 117) return textEquals(b.CCODIGO_AFP, "00");
        break;
    case 4:
        if (id == 222 || id == 223) return admin && b.NPACTADO_ISAPRE > 1;
        break;
    default: break;
    }
    return admin;
}

// ---------------------------------------------------------------- code look-ups

std::string CodeLookup::sqlFor(std::string_view code) const { return checkSql + sqlText(trim(code)); }

std::optional<CodeLookup> codeLookup(CodeKind kind, const Session& s) {
    try {
        const std::string remu = remuDb(s);
        const std::string afp = remu + "." + sqlYearTable(publicYear(s), "_afp");
        switch (kind) {
        case CodeKind::Bank: {
            const std::string t = remu + ".bancos";
            return CodeLookup{"SELECT * FROM " + t, "SELECT * FROM " + t + " WHERE codigo_ban = ", "codigo_ban",
                              "nombre_ban", "Banco"};
        }
        case CodeKind::CostCentre: {
            if (isBlank(s.CID_CLIENTE_CONT)) return std::nullopt;
            const std::string t = sqlName(trim(s.CID_CLIENTE_CONT)) + "." + sqlYearTable(s.period, "_centrocosto");
            return CodeLookup{"SELECT * FROM " + t + " ORDER BY codigo_cc",
                              "SELECT * FROM " + t + " WHERE codigo_cc = ", "codigo_cc", "nombre_cc",
                              "Centro Costo"};
        }
        case CodeKind::WorkerType: {
            const std::string t = remu + ".tipo_trabajador";
            return CodeLookup{"SELECT * FROM " + t, "SELECT * FROM " + t + " WHERE codigo_tipo_trabajador = ",
                              "codigo_tipo_trabajador", "nombre_tipo_trabajador", "tipo_trabajador"};
        }
        case CodeKind::Afp:
            return CodeLookup{"SELECT * FROM " + afp + " where ips <> 1",
                              "SELECT * FROM " + afp + "  WHERE ips <> 1 and  codigo_afp = ", "codigo_afp",
                              "nombre_afp", "Código AFP"};
        case CodeKind::Ips:
            return CodeLookup{"SELECT * FROM " + afp + " where ips = 1",
                              "SELECT * FROM " + afp + "  WHERE codigo_afp = ", "codigo_afp", "nombre_afp", ""};
        case CodeKind::UnemploymentAfp:
            return CodeLookup{"SELECT * FROM " + afp + " where ips <> 1",
                              "SELECT * FROM " + afp + "  WHERE ips <> 1 and  codigo_afp = ", "codigo_afp",
                              "nombre_afp", "Código AFP"};
        case CodeKind::Isapre: {
            const std::string t = remu + "." + sqlYearTable(publicYear(s), "_isapre");
            return CodeLookup{"SELECT * FROM " + t, "SELECT * FROM " + t + "  WHERE codigo_isa = ", "codigo_isa",
                              "nombre_isa", "Código isa"};
        }
        }
    } catch (const BadIdentifier&) {
        // A client identifier or accounting database that names no database: no look-up.
    }
    return std::nullopt;
}

std::optional<std::string> lookUpName(Connection& conn, const CodeLookup& lookup, std::string_view code, UiPort& ui,
                                      bool silent) {
    std::unique_ptr<Recordset> rs;
    if (!BUSCA_X(rs, lookup.sqlFor(code), conn, silent ? std::string_view() : lookup.label, ui)) return std::nullopt;
    const int col = rs->FieldIndex(lookup.nameColumn);
    return col < 0 ? std::string() : rs->Fields(col).text();
}

std::optional<std::string> lookUpIpsName(Connection& conn, const Session& s, std::string_view code, UiPort& ui,
                                         std::string_view missing) {
    auto lookup = codeLookup(CodeKind::Ips, s);
    if (!lookup) return std::nullopt;
    std::unique_ptr<Recordset> rs;
    if (!BUSCA_X(rs, lookup->sqlFor(code), conn, missing, ui)) return std::nullopt;
    const int rate = rs->FieldIndex("mes_" + monthName(s));
    return trim(rs->Fields("nombre_afp").text()) + " " + (rate < 0 ? std::string() : trim(rs->Fields(rate).text()));
}

void lookUpNames(WorkerBuffer& b, Connection& conn, const Session& s, UiPort& ui, bool editing) {
    auto name = [&](CodeKind kind, const std::string& code, std::string& out, bool silent = false) {
        if (auto lookup = codeLookup(kind, s))
            if (auto found = lookUpName(conn, *lookup, code, ui, silent)) out = *found;
    };
    if (editing) {
        if (!isBlank(b.CBANCO)) name(CodeKind::Bank, b.CBANCO, b.CBANCO_NOMBRE);
        if (!isBlank(b.CCODIGO_IPS))
            if (auto ips = lookUpIpsName(conn, s, b.CCODIGO_IPS, ui, "Código IPS")) b.CNOMBRE_IPS = *ips;
        if (!isBlank(b.CAFP_SEGURO_CESANTIA))
            if (auto lookup = codeLookup(CodeKind::Ips, s)) {
                // Any institution of the table: the unemployment fund is looked up without the AFP filter.
                lookup->label = "Código AFP";
                if (auto found = lookUpName(conn, *lookup, b.CAFP_SEGURO_CESANTIA, ui))
                    b.CNOMBRE_AFP_SEGURO_CESANTIA = *found;
            }
        if (!isBlank(b.CCENCOS)) name(CodeKind::CostCentre, b.CCENCOS, b.CCENCOS_NOMBRE, true);
        salaryAtOpening(b, s);
    }
    name(CodeKind::WorkerType, b.CTIPO_TRABAJADOR, b.CTIPO_TRABAJADOR_DESCRIPCION);
    if (auto lookup = codeLookup(CodeKind::Ips, s)) {  // the AFP by its code alone, as the opening finds it
        lookup->label = "Código AFP";
        if (auto found = lookUpName(conn, *lookup, b.CCODIGO_AFP, ui)) b.CNOMBRE_AFP = *found;
    }
    if (!isBlank(b.CCODIGO_ISA))
        if (auto lookup = codeLookup(CodeKind::Isapre, s)) {
            lookup->label = "Código ISA";
            if (auto found = lookUpName(conn, *lookup, b.CCODIGO_ISA, ui)) b.CNOMBRE_ISA = *found;
        }
}

// ---------------------------------------------------------------- the save

std::optional<std::string> CREA_CODIGO_NUEVO(Connection& conn, const Period& period, UiPort& ui) {
    auto last = PersonnelTable(conn, ui).lastCode(period);
    if (!last) return std::nullopt;
    if (last->empty()) return std::string("0001");
    char out[32];
    std::snprintf(out, sizeof out, "%04lld", static_cast<long long>(numericValue(*last)) + 1);
    return std::string(out);
}

bool CODIGO_EXISTE(Connection& conn, const Period& period, std::string_view code, bool isNew, UiPort& ui) {
    if (!isNew) return true;
    PersonnelRow row;
    switch (PersonnelTable(conn, ui).byCode(period, code, row, "  ")) {  // "not there" is the good answer: silent
    case PersonnelTable::Found::No: return true;
    case PersonnelTable::Found::Yes:
        ui.alert("YA EXISTE " + trim(code) + " " + row.nombre_per, "Atención");
        return false;
    case PersonnelTable::Found::Failed: return false;
    }
    return false;
}

SaveCheck VALIDA_GRABA(const WorkerBuffer& b, int apvPlans, Connection& conn, const Period& period, UiPort& ui) {
    auto refuse = [&](const std::string& text, int page, int field) {
        ui.stop(text, "Atención");
        return SaveCheck{false, page, field};
    };
    const bool afp00 = textEquals(b.CCODIGO_AFP, "00");
    const bool ips = !isBlank(b.CCODIGO_IPS);
    if (!afp00 && ips)
        return refuse(
            "No puede registradar AFP e Instituto Previsión social (IPS),\r\nsi está en Instituto Previsión social "
            "(IPS), código AFP debe ser '00 NO ESTA EN AFP'",
            3, 103);
    if (ips && apvPlans > 0) return refuse("Tiene registrado APV e Instituto Previsión social (IPS)", 3, 115);
    if (ips && isBlank(b.CAFP_SEGURO_CESANTIA))
        return refuse(
            "Debe Registrar una AFP recaudadora del Seguro Censantía para\r\n el Instituto Previsión social (IPS)", 3,
            117);
    if (b.NCARGAS > 0 && isBlank(b.CTRAMO)) return refuse("Debe Indicar Tramo para Cargas Familiares", 2, 213);
    if (b.NVALOR_PACTADO > 0 && textEquals(b.CCODIGO_ISA, "07"))
        return refuse("Ha seleccionado 'Fonasa' y Valor Pactado Isapre Mayor a 0", 4, 222);
    if ((b.NMONEDA_SUELDO == 2 || b.NMONEDA_SUELDO == 3) && b.NMONEDA_SUELDO_VALOR == 0)
        return refuse(std::string("Debe Registrar Valor para Sueldo en ") + (b.NMONEDA_SUELDO == 2 ? "UF" : "UTM"), 2,
                      140);
    if (isBlank(b.CRUT)) return refuse("Debe Ingrear RUT", 1, 112);

    if (afp00 && !ips && trim(b.CTIPO_TRABAJADOR) != "2") {
        if (ui.yesNo("Debe registrar AFP o Instituto Previsión social (IPS) Desea grabar sin AFP ?", "Atención"))
            return {};
        return {false, 3, 103};
    }
    if (textEquals(b.CCODIGO_ISA, "00")) {
        if (ui.yesNo("Debe registrar ISAPRE Desea grabar sin ISAPRE?", "Atención")) return {};
        return {false, 4, 119};
    }

    PersonnelTable table(conn, ui);
    PersonnelRow other;
    if (table.otherWorker(period, PersonnelTable::Duplicate::Rut, b.CRUT, b.CCODIGO_PER, other) ==
        PersonnelTable::Found::Yes)
        ui.info("Rut trabajador ya registrado en " + other.codigo_per, "Alerta");
    if (table.otherWorker(period, PersonnelTable::Duplicate::Name, composedName(b), b.CCODIGO_PER, other) ==
        PersonnelTable::Found::Yes)
        ui.info("Nombre trabajador ya registrado en " + other.codigo_per, "Alerta");
    return {};
}

std::vector<std::string> workerSessionColumns(bool member) {
    // The IPS and unemployment fund codes (and what VALIDA_REGIMEN_PREV derives from them),
    // and the member flag of the variant that lets him set it.
    std::vector<std::string> cols = {"nombre_regimen_previsional", "codigo_afp_per", "codigo_ips_per",
                                     "afp_seguro_cesantia_per"};
    if (member) cols.push_back("comprobante_pago");
    return cols;
}

bool GRABA_PERSONAL(Recordset& ors, const WorkerBuffer& b, bool isNew, Connection& conn, const Session& s,
                    UiPort& ui) {
    PersonnelTable::StoreOptions options;
    options.paymentVoucher = memberVariant(s);
    if (s.workerBound()) options.only = workerSessionColumns(options.paymentVoucher);
    return PersonnelTable(conn, ui).store(ors, rowFromBuffer(b, s.period), isNew, options);
}

}  // namespace remu
