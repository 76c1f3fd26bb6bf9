#pragma once
// The worker file (EDITA_PERSONAL) without Qt: its editing buffer and how it is filled
// from and written to a row of <year>_personal, the names looked up for the stored codes,
// the rules the pages apply (VALIDA_REGIMEN_PREV, VALIDA_PACTADO, VALIDA_SUELDO), which
// control is enabled when, and the save: the checks (VALIDA_GRABA), the write
// (GRABA_PERSONAL), the code proposal (CREA_CODIGO_NUEVO) and its check (CODIGO_EXISTE).

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "data/personnel_table.h"
#include "personnel/vacations.h"

namespace remu {

class Connection;
class Recordset;
class UiPort;
struct Session;

// The editing buffer. The values the vacations work from (CRUT, CCODIGO_PER, CNOMBRES,
// CNOMBRE and the three dates of the contract and working life) are its base, so the
// VACACIONES page edits the same values. Texts are held right-padded to their widths.
struct WorkerBuffer : VacationBuffer {
    std::string CAPEPAT, CAPEMAT;
    std::string CDIRECCION, CCOMUNA, CCIUDAD;
    Date DFECHA_NAC;
    std::string CCARGO, CTELEFONO, CCORREO;
    int NESTADO_CIVIL = 1;  // 1 single, 2 married, 3 other
    bool LCOMPROBANTE_PAGO = false;
    std::string CDIR_FOTO = " ";
    int NSEXO = 0;  // 1 male, 2 female
    double NSUELDO_BASE = 0;
    int NMONEDA_SUELDO = 1;  // 1 Pesos .. 7 EURO
    double NMONEDA_SUELDO_VALOR = 0;
    int NFORMA_PAGO_SUELDO = 1;  // 1 cash, 2 cheque, 3 bank
    bool LSUELDO_PATRONAL = false;
    std::string CBANCO, CCTABCO;
    int NSEGURO_CESANTIA = 2;
    std::string CTIPO_JORNADA = "Completa";
    int NDIAS_JORNADA_PARCIAL = 0;
    int NCARGAS = 0;
    std::string CTRAMO = "  ";
    int NNACIONALIDAD = 1;
    std::string CCENCOS;
    std::string CTIPO_TRABAJADOR = "0";
    std::string CNOMBRE_REGIMEN_PREVISIONAL = " ";
    std::string CCODIGO_AFP = "00";
    std::string CCODIGO_IPS, CAFP_SEGURO_CESANTIA;
    bool LSIS = true;
    std::string CCODIGO_ISA = "00";
    int NPACTADO_ISAPRE = 0;
    double NVALOR_PACTADO = 0;
    double NADICIONAL_PESOS = 0;

    // Shown only.
    std::string CBANCO_NOMBRE, CCENCOS_NOMBRE, CTIPO_TRABAJADOR_DESCRIPCION, CNOMBRE_AFP, CNOMBRE_IPS,
        CNOMBRE_AFP_SEGURO_CESANTIA, CNOMBRE_ISA;
};

// Widths of the buffer's texts.
namespace width {
inline constexpr size_t CODIGO = 4, NOMBRES = 25, APELLIDO = 20, DIRECCION = 50, COMUNA = 30, CIUDAD = 30, RUT = 11,
                        CARGO = 30, TELEFONO = 20, CORREO = 50, BANCO = 3, CTABCO = 11, CENCOS = 4, TIPO = 2,
                        AFP = 2;
}

// The salary units of selector 124, " 1- Pesos" .. " 7- EURO".
const std::vector<std::string>& salaryUnits();
// The customer variant with the member check box (ID_CLIENTE holds "039_QUERNEL").
bool memberVariant(const Session& s);

// A text as the buffer holds it: right-padded to `width`; a longer stored text is kept
// whole (cut, it would be written back shortened).
std::string held(std::string_view text, size_t width);
// CNOMBRE: the trimmed names and surnames joined by single blanks.
std::string composedName(const WorkerBuffer& b);

// The buffer of a new worker (code left blank: CREA_CODIGO_NUEVO proposes it).
WorkerBuffer newWorkerBuffer();
// The buffer from a stored row (step 3 of the opening, before the look-ups).
WorkerBuffer bufferFromRow(const PersonnelRow& row, bool memberVariant);
// The row GRABA_PERSONAL writes for the month.
PersonnelRow rowFromBuffer(const WorkerBuffer& b, const Period& period);

// Salaries that follow an index, worked out with the month's values when the file opens
// (units 4 TOPE, 5 MINIMO, 6 USD, 7 EURO); units 1 to 3 keep the stored salary.
void salaryAtOpening(WorkerBuffer& b, const Session& s);
// VALIDA_SUELDO: the base salary from the unit when its value is typed.
void VALIDA_SUELDO(WorkerBuffer& b, const Session& s);
// VALIDA_PACTADO: "Sin pactado" clears the agreed amounts.
void VALIDA_PACTADO(WorkerBuffer& b);
// VALIDA_REGIMEN_PREV: the pension regime from the worker type, IPS and AFP codes.
void VALIDA_REGIMEN_PREV(WorkerBuffer& b);

// ---------------------------------------------------------------- enabling

// The controls whose enabling is not simply "an administrator's session", by page (1..5)
// and id; every other input control of the pages follows `administrator`.
struct EnablingContext {
    bool administrator = true;  // no worker bound to the session
    bool memberVariant = false;
};
bool controlEnabled(int page, int id, const WorkerBuffer& b, const EnablingContext& c);

// ---------------------------------------------------------------- code look-ups

// The eight code fields' tables (the APV institution's is the APV plan's own).
enum class CodeKind { Bank, CostCentre, WorkerType, Afp, Ips, UnemploymentAfp, Isapre };

struct CodeLookup {
    std::string listSql;   // what the lookup list (AYUDA_Y) shows
    std::string checkSql;  // the statement the code is checked with, up to the code's literal
    std::string codeColumn, nameColumn;
    std::string label;  // of the "No existe ..." box; empty: checked without a message
    // "SELECT ... = 'code'" for a code.
    std::string sqlFor(std::string_view code) const;
};
// Nullopt when the session cannot name the table (no accounting database for the cost
// centres, a client identifier that is no database name).
std::optional<CodeLookup> codeLookup(CodeKind kind, const Session& s);

// The name of a code (BUSCA_X: "No existe <label>" when it is not there, unless silent);
// nullopt when not found or when the query failed.
std::optional<std::string> lookUpName(Connection& conn, const CodeLookup& lookup, std::string_view code, UiPort& ui,
                                      bool silent = false);
// The IPS name as the field shows it: the name, a blank and the working month's rate.
// `missing` names the code in the "No existe" box; blank: silent.
std::optional<std::string> lookUpIpsName(Connection& conn, const Session& s, std::string_view code, UiPort& ui,
                                         std::string_view missing = {});

// The names of the stored codes, as the opening looks them up (steps 3 and 5).
void lookUpNames(WorkerBuffer& b, Connection& conn, const Session& s, UiPort& ui, bool editing);

// ---------------------------------------------------------------- the save

// CREA_CODIGO_NUEVO: the month's highest code plus one, zero-filled to 4 ("0001" for an
// empty month). The whole month counts, whatever the list filters. Nullopt after a failure.
std::optional<std::string> CREA_CODIGO_NUEVO(Connection& conn, const Period& period, UiPort& ui);
// CODIGO_EXISTE: false, after "YA EXISTE <code> <name>", when a new worker's code is
// already used in the month (the whole month); also false when the server failed.
bool CODIGO_EXISTE(Connection& conn, const Period& period, std::string_view code, bool isNew, UiPort& ui);

// Where a refused check sends the user.
struct SaveCheck {
    bool ok = true;
    int page = 0;   // 1..5
    int field = 0;  // control id on that page
};
// VALIDA_GRABA: the checks, questions and warnings in their order. `apvPlans` is the
// number of the worker's APV plans of the month.
SaveCheck VALIDA_GRABA(const WorkerBuffer& b, int apvPlans, Connection& conn, const Period& period, UiPort& ui);

// The columns a worker's own session writes back: what it lets him change.
std::vector<std::string> workerSessionColumns(bool memberVariant);

// GRABA_PERSONAL: the buffer into a new row of `ors` (isNew) or its current row, sent to
// the server. False after ADOERROR (a refusal, a row changed by someone else meanwhile).
bool GRABA_PERSONAL(Recordset& ors, const WorkerBuffer& b, bool isNew, Connection& conn, const Session& s,
                    UiPort& ui);

}  // namespace remu
