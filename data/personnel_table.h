#pragma once
// The one gateway of the personnel table <year>_personal: its row type and every
// read and write of it but the engine's. The login, the pay slip dialog, the slips,
// the mail queue and mass mailing, the personnel master and the documents read
// workers here; the worker file editor writes them here, through the month's
// recordset as the worker list holds it.
//
// The engine's loader and its write-back of the month's figures keep their own
// column lists (payroll/loader.cpp, payroll/writer.cpp): a month of 10,000 workers
// reads a dozen columns and writes two, in a few batched statements.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "core/period.h"

namespace remu {

class Connection;
class Recordset;
class UiPort;

// One row of <year>_personal, every column by its name. Texts are as stored
// (a column the table lacks reads empty, 0 or a null date); a new row holds the
// table's defaults.
struct PersonnelRow {
    std::string mes_per, codigo_per, rut_per, clave_per;
    std::string nombre_per, nombres_per, apepat_per, apemat_per;
    long long anomes_termino_per = 0;  // yyyymm of the end of the contract; 0 when it has none
    Date fecha_contrato_per, fecha_ini_lab_per, fecha_termino_per, fecha_nacimiento_per;
    std::string cargo_per, cencosto_per;
    std::string direccion_per, comuna_per, ciudad_per, telefono_per, correo_per;
    int sexo_per = 0, estado_civil_per = 0, nacionalidad_per = 0;
    std::string dir_foto_per;
    double sueldo_base_per = 0;
    int moneda_sueldo_per = 1;  // 1 pesos, 2 UF, 3 UTM, 4 TOPE, 5 MINIMO, 6 USD, 7 EURO
    double moneda_sueldo_valor_per = 0;
    double adicional_pesos_per = 0;
    double sueldo_patronal_per = 0;  // 1 or 0
    int forma_pago_sueldo_per = 0;
    std::string codigo_banco_per, cuenta_banco_per;
    int comprobante_pago = 0;  // 1 or 0 (a customer variant)
    std::string tipo_trabajador_per = "0";
    std::string tipo_jornada_per;
    double dias_jornada_parcial_per = 0;
    std::string nombre_regimen_previsional, codigo_afp_per, codigo_ips_per, afp_seguro_cesantia_per;
    int seguro_cesantia_per = 1, sis_per = 0;
    std::string codigo_isa_per;
    int pactado_isapre_per = 1;
    double valor_pactado_per = 0;
    int cargas_simples_per = 0;
    std::string tramo_carga_per;
    // Written back by the engine's run.
    double total_imponible_per = 0, dias_trabajados_per = 0;
};

// The row set's columns of the personnel table, found once: a month of workers is
// read row by row without looking each name up again.
class PersonnelColumns {
public:
    explicit PersonnelColumns(const Recordset& rs);
    // The current row of the row set the columns were found in.
    PersonnelRow read(const Recordset& rs) const;

private:
    std::vector<int> index_;  // per column of the table, its place in the row set (-1: absent)
};

// The current row of a row set of the personnel table.
PersonnelRow personnelRow(const Recordset& rs);

// Trimmed surnames and names, blank-separated ("ZUNIGA ARAYA MARIA").
std::string personnelFullName(const PersonnelRow& row);

class PersonnelTable {
public:
    // Reads and writes on `conn`; failures and missing rows are told through `ui`. A
    // period that was never chosen (null) reads nothing: "Año no válido".
    PersonnelTable(Connection& conn, UiPort& ui) : conn_(conn), ui_(ui) {}

    enum class Found { Yes, No, Failed };

    // One worker's row of the month, found as BUSCA_X finds it (busy cursor; a failed
    // query shown with its statement and the server's error). `missing`, when not
    // blank, is the label of the "No existe ..." box for a worker who is not there.
    Found byCode(const Period& period, std::string_view code, PersonnelRow& row, std::string_view missing = "  ");
    // The row of the month with this RUT (the lowest code when there are several).
    Found byRut(const Period& period, std::string_view rut, PersonnelRow& row);
    // The first of the worker's rows of the period's year by code, in any month (the login's search).
    Found byRutInYear(const Period& period, std::string_view rut, PersonnelRow& row);
    // The same search over several company databases at once, each holding the year's
    // table: the first of `databases` (in the order given) where the RUT is, as `which`,
    // and his first row there by code, of which codigo_per and anomes_termino_per are
    // read. One statement for every few dozen databases. Failed, with nothing shown, when
    // the server refuses a statement (a table it lists but does not let this account
    // read, or tables of different shapes): the caller asks database by database instead.
    Found byRutInDatabases(const Period& period, const std::vector<std::string>& databases, std::string_view rut,
                           size_t& which, PersonnelRow& row);

    // Every worker of the month in code order; nullopt after telling the user why (ADOERROR).
    std::optional<std::vector<PersonnelRow>> month(const Period& period);
    // The month's workers of these codes (a batch of a long run), in code order; nullopt
    // after telling the user why.
    std::optional<std::vector<PersonnelRow>> monthWorkers(const Period& period, const std::vector<std::string>& codes);
    // The month's row set (ORS of the worker list): every column, in code order, on its
    // first row; what the list filters, the editor changes and store() writes through.
    // Null after ADOERROR.
    std::unique_ptr<Recordset> monthList(const Period& period);
    // The month's row set of one worker (a worker's own session): his rows by RUT, in
    // code order. Null after ADOERROR.
    std::unique_ptr<Recordset> workerMonthList(const Period& period, std::string_view rut);

    // The statements of the code lookups (AYUDA_Y runs its own): every worker of the
    // month, or those whose contract has not ended before it.
    static std::string monthListSql(const Period& period);
    static std::string activeListSql(const Period& period);
    static std::string workerMonthListSql(const Period& period, std::string_view rut);

    // The highest code of the month (the whole month, whatever a list filters): "" when the
    // month has no worker, nullopt after telling the user why.
    std::optional<std::string> lastCode(const Period& period);
    // Another worker of the month (a code other than `code`) whose `column` (rut_per or
    // nombre_per) holds `value`; silent when there is none.
    enum class Duplicate { Rut, Name };
    Found otherWorker(const Period& period, Duplicate column, std::string_view value, std::string_view code,
                      PersonnelRow& row);

    // The password change: the worker's password in every month of the period's year.
    // False after ADOERROR.
    bool setPassword(const Period& period, std::string_view rut, std::string_view password);

    struct StoreOptions {
        bool paymentVoucher = false;  // comprobante_pago is written (the customer variant that shows it)
        // When not empty, only these of the stored columns are written (a worker's own
        // session writes back what it lets him change, nothing else).
        std::vector<std::string> only;
    };
    // GRABA_PERSONAL's write: the worker file's columns of `row` into a new row of `ors`
    // (append) or into its current row, in the documented order, texts trimmed, the
    // birth date only when there is one; then the row set stores it. A row changed or
    // deleted by someone else since it was read is refused: optimistic, column by column
    // (the row set compares what it had read of each column written). On refusal the
    // user is told (ADOERROR), the row set drops the change and false is returned.
    bool store(Recordset& ors, const PersonnelRow& row, bool append, const StoreOptions& options);
    bool store(Recordset& ors, const PersonnelRow& row, bool append) { return store(ors, row, append, {}); }

    // The columns store() writes, in its order (without comprobante_pago unless asked).
    static std::vector<std::string> storedColumns(const StoreOptions& options);

private:
    // A period has been chosen; otherwise the user is told and nothing is read.
    bool chosen(const Period& period);
    Found find(const std::string& sql, PersonnelRow& row, std::string_view missing);
    std::unique_ptr<Recordset> openList(const std::string& sql);

    Connection& conn_;
    UiPort& ui_;
};

}  // namespace remu
