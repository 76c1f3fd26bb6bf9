#pragma once
// What one pay slip shows, whatever it is drawn on (printer, PDF, spreadsheet):
// the view of REMUMES the slips read, each worker's selected lines and totals,
// and the worker, company and month values of the slip header.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "data/personnel_table.h"
#include "data/work_tables.h"

namespace remu {

class Recordset;
class Connection;
class UiPort;
struct Session;

enum class SlipOutput { Printed, Pdf, Sheet };

// Which workers and lines of REMUMES the slips show. A blank "from" code means
// every worker; a blank "to" code means the "from" code alone.
struct SlipFilter {
    std::string codeFrom;
    std::string codeTo;
    std::string costCentre;  // blank: every cost centre
};
SlipFilter slipFilter(const Session& s);

// The lines in slip order (name, code, kind, taxable flag, order number), without
// the "BASE IMPONIBLE" lines and the lines the filter leaves out.
std::vector<PaySlipLine> slipView(std::vector<PaySlipLine> lines, const SlipFilter& filter);

// One worker's run of consecutive lines in the view: [begin, end).
struct WorkerLines {
    size_t begin = 0;
    size_t end = 0;
};
std::vector<WorkerLines> slipWorkers(const std::vector<PaySlipLine>& view);

// The slips of a view one at a time, in view order.
class SlipSequence {
public:
    virtual ~SlipSequence() = default;
    virtual size_t size() const = 0;
    // The worker code of slip i (PERSON_REM, trimmed).
    virtual std::string code(size_t i) const = 0;
    // The lines of slip i, in view order.
    virtual void lines(size_t i, std::vector<PaySlipLine>& out) = 0;
};

// The slips of lines held in memory: slipView and slipWorkers.
class HeldSlips : public SlipSequence {
public:
    HeldSlips(const std::vector<PaySlipLine>& lines, const SlipFilter& filter);
    size_t size() const override { return spans_.size(); }
    std::string code(size_t i) const override;
    void lines(size_t i, std::vector<PaySlipLine>& out) override;

private:
    std::vector<PaySlipLine> view_;
    std::vector<WorkerLines> spans_;
};

// The same slips read from REMUMES as they are needed: only where each slip's
// lines lie and its worker's code are held (about 20 bytes a worker, the exact
// room), so a month of any size takes little memory. Throws DbfError.
class StoredSlips : public SlipSequence {
public:
    StoredSlips(const std::string& workDir, const SlipFilter& filter);
    size_t size() const override { return slips_.empty() ? 0 : slips_.size() - 1; }
    std::string code(size_t i) const override;
    void lines(size_t i, std::vector<PaySlipLine>& out) override;

private:
    struct Span {  // consecutive records of one worker's lines: [first, end)
        uint32_t first, end;
    };
    struct Slip {  // where the slip starts in spans_ and in codes_; the next one's marks its end
        uint32_t span, code;
    };

    SlipFilter filter_;
    WorkTableReader reader_;
    std::vector<Span> spans_;  // in view order, each slip's in file order
    std::vector<Slip> slips_;  // in view order, then one past the last
    std::string codes_;        // the slips' trimmed codes, one after the other
};

struct SlipItem {
    std::string description;
    double amount = 0;
};

struct SlipContent {
    std::string code;  // PERSON_REM
    std::string name;  // APENOM_REM, trimmed
    double unemploymentEmployer = 0;  // "SCE"
    bool hasUnemploymentLine = false;
    double mutual = 0;  // "MUT" / "ISL"
    double sis = 0;     // "SIS"
    double taxableTotal = 0;     // "TIM"
    double nonTaxableTotal = 0;  // "NIM"
    double deductionTotal = 0;   // "TDE"
    double daysWorked = 0;       // "998"
    std::vector<SlipItem> taxable;
    std::vector<SlipItem> nonTaxable;
    // Printed and PDF: description with its "AFP " / "ISAPRE " prefix and " 7%" suffix;
    // spreadsheet: the description alone.
    std::vector<SlipItem> deductions;
    std::vector<SlipItem> movements;  // absence lines that name a movement (trimmed description)

    double totalEarnings() const { return taxableTotal + nonTaxableTotal; }
    double netPay() const { return totalEarnings() - deductionTotal; }
};
SlipContent slipContent(const std::vector<PaySlipLine>& view, const WorkerLines& worker, SlipOutput output);

// The words line of the printed slip: "SON: " + amount in words + " PESOS".
std::string slipWordsLine(double netPay);

// Salary currency label of moneda_sueldo_per ("$", "UF", "UTM", "TOPE", "MIN", "VALUSD", "VALEURO");
// "$" for a value outside 1..7.
std::string currencyLabel(int moneda);

// The amounts of a worker's slip that its pictures cannot show (they would print
// as asterisks), each as "<line> <amount>"; the layout stays as it is, the run
// reports them. `worker` may be null.
std::vector<std::string> slipOverflows(const SlipContent& content, const PersonnelRow* worker, SlipOutput output);

// Company data of <year>_datos_empresa.
struct SlipCompany {
    std::string nombre, rut, direccion, comuna, ciudad;
    std::string logo, firma;          // bitmaps of the printed slip
    std::string logoJpg, firmaJpg;    // JPEG files of the PDF slip
};
SlipCompany slipCompany(const Recordset& row);

// The month's parameters.
struct SlipParams {
    double uf = 0, utm = 0;
    double taxableCap = 0, unemploymentCap = 0;  // tope_imponible_par, tope_imponible_cesantia_par (UF)
    double usd = 0, euro = 0;  // dollar and euro values
};
SlipParams slipParams(const Recordset& row);

// Everything a slip run reads from the server besides REMUMES, loaded in a few
// queries: the month's workers by code, the cost centre names, company data and
// parameters. Failures are shown through the port.
struct SlipSources {
    std::map<std::string, PersonnelRow> workers;     // by trimmed codigo_per
    std::map<std::string, std::string> costCentres;  // nombre_cc by trimmed codigo_cc
    SlipCompany company;
    SlipParams params;
    bool ok = false;

    // The worker of a code of REMUMES (trimmed); null when the month has none.
    const PersonnelRow* worker(const std::string& code) const;
    // The name of the worker's cost centre as the slips print it beside its code;
    // nullopt when he has none or it is not in the accounting's table.
    std::optional<std::string> costCentre(const PersonnelRow* worker) const;
};
// Without `withWorkers` the workers are left for the caller to read (a long run reads them in batches).
SlipSources loadSlipSources(Connection& conn, const Session& s, UiPort& ui, bool withWorkers = true);

// Refuses a worker whose contract ended before the slip's month (stop box);
// true when the slip may be made. A code that is not found passes.
bool slipWorkerActive(const PersonnelRow* worker, const Session& s, UiPort& ui);
// The same for the worker of CCODIGO_PERD, read from the month's personnel;
// true when no code is given or it is not found.
bool slipRangeWorkerActive(Connection& conn, const Session& s, UiPort& ui);

}  // namespace remu
