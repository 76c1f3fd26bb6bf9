#pragma once
// What is fixed in the engine: the kinds, codes, texts and order numbers of the
// pay slip lines (the vocabulary every pay slip output reads), and the rates and
// days fixed by law, each with its source. Month figures (UF, UTM, caps, fund
// and insurer rates, tax brackets) are not here: they come from the server.

namespace remu {

// Line kinds (TIPO_REM).
namespace LineType {
inline constexpr int Earning = 1;       // "haber"; taxable or not by its flag
inline constexpr int Deduction = 2;     // "descuento"
inline constexpr int Control = 3;       // removed before the calculation (the default days item)
inline constexpr int Information = 4;   // days and bases; never summed
inline constexpr int EmployerCost = 5;  // employer contribution; never summed
}  // namespace LineType

// Taxable flag (IMPONI_REM); deductions and information lines carry 0.
namespace Taxable {
inline constexpr int Yes = 1;
inline constexpr int No = 2;
}  // namespace Taxable

// Item codes (HABDES_REM) the engine reserves or makes.
namespace LineCode {
inline constexpr char DaysWorked[] = "998";
inline constexpr char Absence[] = "999";
inline constexpr char MedicalLeave[] = "997";
inline constexpr char MonthSalary[] = "SUE";
inline constexpr char WeeklyRest[] = "SEM";
inline constexpr char Savings[] = "APV";
inline constexpr char TaxableTotal[] = "TIM";
inline constexpr char FamilyAllowance[] = "FAM";
inline constexpr char NoPensionSystem[] = "SIP";
inline constexpr char PublicHealth[] = "FON";
inline constexpr char WorkAccidentPublic[] = "ISL";
inline constexpr char WorkAccidentMutual[] = "MUT";
inline constexpr char UnemploymentWorker[] = "SCA";
inline constexpr char UnemploymentEmployer[] = "SCE";
inline constexpr char UnemploymentBase[] = "BSC";
inline constexpr char Disability[] = "SIS";
inline constexpr char IncomeTax[] = "UNI";
inline constexpr char TotalDeductions[] = "TDE";
inline constexpr char TotalNonTaxable[] = "NIM";
inline constexpr char TotalEarnings[] = "THA";
inline constexpr char NetPay[] = "ALQ";
inline constexpr char BaseSalary[] = "SBA";
inline constexpr char TaxableBase[] = "BIM";
// The codes whose lines never get an instalment counter.
inline constexpr char DayCodes[] = "998/999";
}  // namespace LineCode

// Descriptions and titles (DESCRI_REM, TITULO_REM) of the engine's lines. The
// outputs recognise lines by these texts and print the totals under them.
namespace LineText {
inline constexpr char DaysWorked[] = "DIAS TRABAJADOS";
inline constexpr char MedicalLeave[] = "DIAS LICENCIA MEDICA";
inline constexpr char AbsencePrefix[] = "DIAS ";  // + the movement's name
inline constexpr char MonthSalary[] = "SUELDO DEL MES";
inline constexpr char WeeklyRest[] = "SEMANA CORRIDA";
inline constexpr char Gratification[] = "GRATIFICACION";
inline constexpr char Savings[] = "APV";
inline constexpr char SavingsDeductible[] = "APV REBAJA";
inline constexpr char SavingsNotDeductible[] = "APV NO REBAJA";
inline constexpr char SavingsTitlePrefix[] = "APV_";  // + the institution's code
inline constexpr char TaxableTotal[] = "TOTAL IMPONIBLE";
inline constexpr char FamilyAllowance[] = "ASIGNACION FAMILIAR";
inline constexpr char Pension[] = "AFP";
inline constexpr char NoPensionFund[] = "SIN AFP";
inline constexpr char PrivateHealth[] = "ISAPRE";
inline constexpr char HealthAdditional[] = "ADICIONAL ISAPRE";
inline constexpr char PublicHealth[] = "FONASA";
inline constexpr char PublicHealthAlone[] = "FONASA 7%";
inline constexpr char PublicHealthWithFund[] = "FONASA 6.4%";
inline constexpr char FundSharePrefix[] = "CCAF ";  // + the fund's name
inline constexpr char FundShareSuffix[] = " 0.6%";
inline constexpr char FundShareTitle[] = "CCAF COTIZ";
inline constexpr char WorkAccidentPublic[] = "APORTE ACCIDENTES DEL TRABAJO AL ISL";
inline constexpr char UnemploymentWorker[] = "SEGURO CESANTIA AFILIADO";
inline constexpr char UnemploymentWorkerDescription[] = "SEGURO CESANTIA AFILIADO 0.6%";
inline constexpr char UnemploymentWorkerTitle[] = "SEGURO CESANTIA";
inline constexpr char UnemploymentEmployer[] = "SEGURO CESANTIA EMPLEADOR";
inline constexpr char UnemploymentEmployerTitle[] = "APORTE CESANTIA EMPLEADOR";  // the title field keeps 20
inline constexpr char UnemploymentBase[] = "BASE IMP.CESANTIA";
inline constexpr char Disability[] = "SEGURO INV.SOBREV.";
inline constexpr char DisabilityTitle[] = "SIS";
inline constexpr char IncomeTax[] = "IMP.UNICO";
inline constexpr char IncomeTaxTitle[] = "IMPUESTO UNICO";
inline constexpr char TotalDeductions[] = "TOTAL DESCUENTOS";
inline constexpr char TotalNonTaxable[] = "TOTAL NO IMPONIBLE";
inline constexpr char TotalEarnings[] = "TOTAL HABERES";
inline constexpr char NetPay[] = "ALCANCE LIQUIDO";
inline constexpr char BaseSalary[] = "SUELDO BASE";
inline constexpr char TaxableBase[] = "BASE IMPONIBLE";

// Titles that keep the order number their rule gives them; any other title of
// their kind gets SlipOrder::Other. A title found anywhere in the text counts.
inline constexpr char EarningsList[] =
    "DIAS TRABAJADOS/SUELDO BASE/SUELDO DEL MES/GRATIFICACION/TOTAL HABERES/TOTAL IMPONIBLE/TOTAL NO "
    "IMPONIBLE/BASE IMPONIBLE";
inline constexpr char DeductionsList[] = "ALCANCE LIQUIDO/FONASA/AFP/ADICIONAL ISAPRE/IMPUESTO UNICO";
}  // namespace LineText

// Order numbers (SECUEN_REM) within a worker's group of equal kind and taxable flag.
namespace SlipOrder {
inline constexpr int Unset = 0;
inline constexpr int Pension = 1;
inline constexpr int DaysWorked = 2;
inline constexpr int Health = 2;
inline constexpr int MonthSalary = 3;
inline constexpr int HealthAdditional = 3;
inline constexpr int Other = 5;
inline constexpr int Gratification = 20;
inline constexpr int TotalNonTaxable = 20;
inline constexpr int TaxableBase = 29;
inline constexpr int TaxableTotal = 30;
inline constexpr int TotalEarnings = 35;
inline constexpr int NetPay = 35;
inline constexpr int IncomeTax = 50;
inline constexpr int TotalDeductionsStaged = 60;  // becomes Other when the order is given
}  // namespace SlipOrder

// Rates and days fixed by law (percent unless said), and the system's own rules.
namespace Law {
// The payroll month of 30 days: the default days worked and the divisor of every daily value.
inline constexpr double MonthDays = 30;
// Movements of personnel (Previred code): 2 leaving the company, 3 sick-leave benefits, 6 work accidents.
inline constexpr int MovementLeaving = 2;
inline constexpr int MovementSickLeave = 3;
inline constexpr int MovementWorkAccident = 6;
// Health contribution of 7 % (DL 3.500, art. 84); deductible from the tax base up to 7 % of the taxable
// cap (Ley sobre Impuesto a la Renta, art. 42 nº 1).
inline constexpr double HealthTaxCapShare = 0.07;
// Public health fund code of the worker file (FONASA).
inline constexpr char PublicHealthCode[] = "07";
// Pension fund, family compensation fund and work-accident insurer codes meaning none (for the
// insurer: the public one, ISL, Ley 16.744).
inline constexpr char NoneCode[] = "00";
// Unemployment insurance (Ley 19.728, art. 5): open-ended contract 2.4 % employer and 0.6 % worker;
// fixed-term contract 3 % employer; after eleven years of service 0.8 % employer.
inline constexpr double UnemploymentEmployerOpenEnded = 2.4;
inline constexpr double UnemploymentWorkerOpenEnded = 0.6;
inline constexpr double UnemploymentEmployerFixedTerm = 3;
inline constexpr double UnemploymentEmployerEleventhYear = 0.8;
// Worker-file codes of the unemployment insurance (seguro_cesantia_per).
inline constexpr int UnemploymentEmployerOnly = 2;
inline constexpr int UnemploymentEmployerAndWorker = 3;
inline constexpr int UnemploymentEleventhYear = 4;
// Family allowance (DFL 150 of 1981) paid in proportion to days worked below 25 days (the system's rule).
inline constexpr double FamilyAllowanceFullDays = 25;
inline constexpr char FamilyAllowanceBrackets[] = "ABCD";
// Health plan agreed in UF (2, 5 "AUGE in UF") or in pesos (3) (pactado_isapre_per).
inline constexpr int PlanInUf = 2;
inline constexpr int PlanInPesos = 3;
inline constexpr int PlanAugeInUf = 5;
// Income tax (Ley sobre Impuesto a la Renta, art. 43 nº 1): the month's brackets come from the tax
// table; the first six are closed, the seventh is open unless an eighth (40 % above 310 UTM from 2020,
// Ley 21.210) starts above it.
inline constexpr int ClosedTaxBrackets = 6;
// Client whose workers are not raised to the minimum wage for unemployment and disability insurance.
inline constexpr char MinimumWageException[] = "R071_VARDELIK";
}  // namespace Law

}  // namespace remu
