#pragma once
// Everything one month's calculation reads from the server, loaded up front so
// that the calculation itself is a pure function of it.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/date.h"

namespace remu {

struct MonthParams {
    double VALOUF = 0;
    double VALUSD = 0;
    double VALEURO = 0;
    double taxableCap = 0;       // tope_imponible_par, UF
    double unemploymentCap = 0;  // tope_imponible_cesantia_par, UF
    double sisRate = 0;          // sis_par, percent
    double INGMIN = 0;
    double GRAMAX = 0;
    std::string holidays;           // feriados_mes_par
    double familyAllowance[4] = {};  // valor1..4_tabasifa (brackets A..D)
};

struct TaxTable {
    double UTM = 0;
    double from[8] = {}, to[8] = {}, factor[8] = {}, rebate[8] = {};
};

struct CompanyData {
    std::string mutualCode = "00";
    double mutualRate = 0;
    std::string ccafCode = "00";
    double ccafRate = 0;
};

struct CatalogItem {
    std::string code;  // codigo_had
    int semcor = 0;    // semcor_had: 1 = earns weekly-rest pay
};

struct FundRow {  // <year>_afp, rate of the run month
    std::string code, name;
    double rate = 0;
};

struct HealthInsurerRow {
    std::string code, name;
    double rate = 0;
};

struct CodeName {  // ccaf, mutual, movements
    std::string code, name;
};

struct Worker {  // <year>_personal row of the month
    std::string codigo, nombre, apepat, apemat, nombres;
    long anomesTermino = 0;
    double sueldoBase = 0;
    int moneda = 1;
    double monedaValor = 0;
    double diasJornadaParcial = 0;
    double cargas = 0;
    std::string tramo, tipoTrabajador, afp, ips, isa;
    int pactado = 1;
    double valorPactado = 0, adicionalPesos = 0, sueldoPatronal = 0;
    int seguroCesantia = 1;
    int sis = 0;
    std::string cencosto;
};

struct ItemRow {  // <year>_habdes_remu
    std::string workerCode, workerName, code, name;
    int type = 0, taxable = 0;
    double value = 0;
    std::string formula, movementCode;
    Date from, to;
};

struct SavingsRow {  // <year>_apv
    std::string workerCode, workerName, institution, institutionName;
    double value = 0;
    std::string formula;
    double deductible = 0;  // rebaja_tributable
    double disabled = 0;    // desactivado
};

struct AdjustmentRow {  // <year>_ajuste
    std::string workerCode, workerName, code;
    int type = 0;
    std::string description;
    double amount = 0;
};

struct MonthInputs {
    std::string year, month;  // "2018", "03"
    std::string clientId;     // ID_CLIENTE
    std::string codeFrom, codeTo;  // empty codeFrom: every worker
    bool separateSavings = false;  // "APV_SEP.TXT" present

    MonthParams params;
    std::optional<TaxTable> tax;
    CompanyData company;
    std::vector<CatalogItem> catalog;
    std::vector<FundRow> funds;
    std::vector<HealthInsurerRow> insurers;
    std::vector<CodeName> ccafs, mutuals, movements;

    bool monthHasPersonnel = true;  // false: the whole month has no worker
    std::vector<Worker> personnel;  // in code order, restricted to the range
    std::vector<ItemRow> workerItems;  // ordered by worker code
    std::vector<ItemRow> commonItems;  // in query order
    std::vector<SavingsRow> savings;   // in query order
    std::vector<AdjustmentRow> adjustments;

    // Taxable total of the latest earlier month with 30 days worked, by worker
    // code; workers absent from it have none (0).
    std::map<std::string, double> previousSalary;
};

}  // namespace remu
