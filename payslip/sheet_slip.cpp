#include "payslip/sheet_slip.h"

#include <algorithm>
#include <cstdlib>

#include "core/session.h"
#include "core/ui_port.h"
#include "core/work_folder.h"
#include "data/connection.h"
#include "data/dbf_table.h"
#include "data/work_tables.h"
#include "format/dates.h"
#include "format/helpers.h"
#include "format/picture.h"
#include "format/text.h"
#include "office/xlsx_sheet.h"
#include "payroll/constants.h"

namespace remu {

namespace {

// The block's columns.
constexpr int B = 2, C = 3, D = 4, E = 5;
constexpr const char* kPesos = "$#.##0";

CellRange column(int col, int fromRow, int toRow) { return {fromRow, col, toRow, col}; }

class BlockWriter {
public:
    explicit BlockWriter(Sheet& sheet) : sh_(sheet) {}

    void label(int row, int col, const std::string& text) {
        sh_.setValue(row, col, text);
        sh_.setBold(row, col);
    }
    void pesos(int row, int col, double amount) {
        sh_.setValue(row, col, amount);
        sh_.setNumberFormat(row, col, kPesos);
        sh_.setAlignment(row, col, kAlignLeft);
    }
    void borders(int row, int col, std::initializer_list<int> edges) {
        for (int e : edges) sh_.setBorder(row, col, e);
    }

    // Rows r to r+6: who the worker is and the month's figures of his slip.
    void header(int r, const SlipContent& c, const PersonnelRow* found, const std::optional<std::string>& costCentre,
                const SlipParams& p) {
        static const PersonnelRow none;
        const PersonnelRow& w = found ? *found : none;
        label(r, B, "TRABAJADOR:");
        sh_.setValue(r, C, found ? w.codigo_per + "  " + w.nombre_per : c.code + "  " + c.name);
        sh_.setAlignment(r, C, kAlignLeft);
        label(r, D, "RUT:");
        sh_.setValue(r, E, RUT_CON_PUNTOS_FF(trim(w.rut_per)));

        label(r + 1, B, "CARGO:");
        sh_.setValue(r + 1, C, w.cargo_per);
        label(r + 1, D, "CENTRO COSTO:");
        if (costCentre) sh_.setValue(r + 1, E, *costCentre);

        std::string currency = sheetCurrencyLabel(w.moneda_sueldo_per);
        if (currency == "$" || currency == "TOPE" || currency == "MIN") {
            label(r + 2, B, LineText::BaseSalary + (" " + currency));
            pesos(r + 2, C, w.sueldo_base_per);
        } else {
            label(r + 2, B, LineText::BaseSalary + (" " + currency) + " " + TRANSFORM(w.moneda_sueldo_valor_per, "9,999.99"));
            // Dollars and euros too are shown in pesos, at the month's value.
            double rate = currency == "UF"                ? p.uf
                          : currency == "UTM"             ? p.utm
                          : w.moneda_sueldo_per == 6      ? p.usd
                          : w.moneda_sueldo_per == 7      ? p.euro
                                                          : 0;
            if (rate > 0) pesos(r + 2, C, w.moneda_sueldo_valor_per * rate);
        }
        label(r + 2, D, "FECHA INGRESO:");
        sh_.setValue(r + 2, E, w.fecha_contrato_per.isValid() ? formatDate(w.fecha_contrato_per) : std::string());
        sh_.setAlignment(r + 2, E, kAlignLeft);

        if (w.valor_pactado_per > 1) {
            int plan = w.pactado_isapre_per;
            bool inUf = plan == 2 || plan == 4 || plan == 5;
            label(r + 3, B,
                  inUf ? "PACTADO ISAPRE UF " + trim(TRANSFORM(w.valor_pactado_per, "999.999")) : "PACTADO ISAPRE ");
            pesos(r + 3, C, inUf ? ROUND(w.valor_pactado_per * p.uf, 0) : w.valor_pactado_per);
        }
        label(r + 3, D, "TOPE IMPONIBLE: UF " + trim(TRANSFORM(p.taxableCap, "999.99")));
        pesos(r + 3, E, ROUND(p.taxableCap * p.uf, 0));

        if (w.adicional_pesos_per > 0) {
            label(r + 4, B, "PACTADO ADICIONAL EN PESOS:");
            pesos(r + 4, C, w.adicional_pesos_per);
        }
        label(r + 4, D, "VALOR UF:");
        pesos(r + 4, E, p.uf);

        if (c.unemploymentEmployer > 0) {
            label(r + 5, B, "APORTE CESANTIA EMPLEADOR:");
            sh_.setValue(r + 5, C, c.unemploymentEmployer);
            sh_.setNumberFormat(r + 5, C, kPesos);
        } else {
            label(r + 5, B, "NO AFILIADO A SEGURO CESANTIA");
        }
        sh_.setAlignment(r + 5, C, kAlignLeft);
        label(r + 5, D, "TOPE CESANTIA : UF " + trim(TRANSFORM(p.unemploymentCap, "999.99")));
        sh_.setValue(r + 5, E, ROUND(p.unemploymentCap * p.uf, 0));
        sh_.setAlignment(r + 5, E, kAlignLeft);
    }

    // Earnings down B and C, deductions down D and E, from row h; the total row t.
    int lines(int h, const SlipContent& c) {
        label(h, B, "HABERES");
        sh_.setAlignment(h, B, kAlignCenter);
        label(h, D, "DESCUENTOS");
        sh_.setAlignment(h, D, kAlignCenter);
        for (int col = B; col <= E; ++col) borders(h, col, {kEdgeLeft, kEdgeRight, kEdgeTop, kEdgeBottom});

        sh_.setValue(h + 1, B, "DIAS_TRABAJADOS");
        sh_.setValue(h + 1, C, c.daysWorked);
        int row = h + 2;
        for (const auto& m : c.movements) {
            sh_.setValue(row, B, m.description);
            sh_.setValue(row, C, TRANSFORM(m.amount, "99"));
            ++row;
        }
        movements_ = static_cast<int>(c.movements.size());
        ++row;
        for (const auto& item : c.taxable) {
            sh_.setValue(row, B, item.description);
            sh_.setValue(row, C, item.amount);
            ++row;
        }
        label(row, B, LineText::TaxableTotal);
        sh_.setValue(row, C, c.taxableTotal);
        sh_.setBold(row, C);
        row += 2;
        for (const auto& item : c.nonTaxable) {
            sh_.setValue(row, B, item.description);
            sh_.setValue(row, C, item.amount);
            ++row;
        }
        if (c.nonTaxableTotal > 0) {
            label(row, B, LineText::TotalNonTaxable);
            sh_.setValue(row, C, c.nonTaxableTotal);
            sh_.setBold(row, C);
        }
        int t = row + 1;

        int d = h + 1;
        for (const auto& item : c.deductions) {
            sh_.setValue(d, D, item.description);
            sh_.setValue(d, E, item.amount);
            ++d;
        }
        // More deductions than earnings push the totals down: the total row never
        // covers a deduction, and the next block never starts on one.
        return std::max(t, d);
    }

    void totals(int r, int h, int t, const SlipContent& c) {
        label(t, B, LineText::TotalEarnings);
        sh_.setValue(t, C, c.totalEarnings());
        sh_.setBold(t, C);
        label(t, D, LineText::TotalDeductions);
        sh_.setValue(t, E, c.deductionTotal);
        sh_.setBold(t, E);
        for (int col : {B, C}) borders(t, col, {kEdgeTop, kEdgeBottom});
        for (int col : {D, E}) borders(t, col, {kEdgeTop});

        sh_.setAlignment(column(C, h + 1, t), kAlignLeft);
        sh_.setNumberFormat(column(C, h + 2 + movements_, t), kPesos);
        sh_.setAlignment(column(E, h + 1, t + 1), kAlignLeft);
        sh_.setNumberFormat(column(E, h + 1, t + 1), kPesos);
        sh_.setInteriorColor(CellRange{r, B, t, E}, kColourLightGrey);
        for (int row = h + 1; row <= t; ++row)
            for (int col = B; col <= E; ++col) borders(row, col, {kEdgeLeft, kEdgeRight});
        for (int row = r; row <= r + 6; ++row) {
            sh_.setBorder(row, B, kEdgeLeft);
            sh_.setBorder(row, E, kEdgeRight);
        }
        for (int col = B; col <= E; ++col) sh_.setBorder(r, col, kEdgeTop);

        label(t + 1, D, LineText::NetPay);
        sh_.setValue(t + 1, E, c.netPay());
        sh_.setBold(t + 1, E);
        sh_.setInteriorColor(CellRange{t + 1, D, t + 1, E}, kColourLightGrey);
        borders(t + 1, D, {kEdgeLeft, kEdgeTop, kEdgeBottom});
        borders(t + 1, E, {kEdgeLeft, kEdgeRight, kEdgeTop, kEdgeBottom});
    }

private:
    Sheet& sh_;
    int movements_ = 0;
};

}  // namespace

std::string sheetCurrencyLabel(int moneda) {
    static const char* const labels[] = {"$", "UF", "UTM", "TOPE", "MIN"};
    return moneda >= 1 && moneda <= 5 ? labels[moneda - 1] : " ";
}

std::string sheetSlipStem(const Session& s) {
    return "LIQUIDACIONES_" + s.period.yearText() + "_" + s.period.monthText();
}

int fillSheetSlips(Sheet& sheet, const std::vector<PaySlipLine>& view, const SlipSources& src, const Period& period,
                   bool zumel) {
    sheet.setFontName("verdana");
    sheet.setFontSize(2, 2, 17);
    BlockWriter block(sheet);
    int r = 4, workers = 0;
    for (const auto& span : slipWorkers(view)) {
        SlipContent content = slipContent(view, span, SlipOutput::Sheet);
        const PersonnelRow* found = src.worker(content.code);
        block.header(r, content, found, src.costCentre(found), src.params);
        int h = r + 7;
        int t = block.lines(h, content);
        block.totals(r, h, t, content);
        r = t + 5;
        ++workers;
    }
    for (int col = B; col <= E; ++col) sheet.autoFit(col);
    sheet.setFontSize(2, 2, 17);
    const std::string monthName = period.monthName(), year = period.yearText();
    sheet.setValue(2, 2,
                   zumel ? "LIQUIDACIONES DE REMUNERACIONES " + monthName + " " + year
                         : "LIQUIDACIONES DE SUELDO" + monthName + " " + year);
    sheet.select(1, 1);
    return workers;
}

bool LIQUI_EXCEL(Session& s, UiPort& ui, const SheetSlipRun& run) {
    auto status = [&](std::string text) {
        s.CPROCESO = std::move(text);
        if (run.statusChanged) run.statusChanged();
    };
    auto resetRange = [&] { s.CCENCOS = s.CCENCOS_NOMBRE = s.CNOMBRE_PERD = s.CNOMBRE_PERH = "    "; };
    if (!s.OCON || !s.OCON->isOpen() || !run.calculate) return false;
    // A bound worker without a code of his own in the month must never get the whole company's slips.
    if (s.workerBound() && isBlank(s.CCODIGO_PERD)) {
        ui.alert("Trabajador No Encontrado", "Alerta");
        return false;
    }
    if (!slipRangeWorkerActive(*s.OCON, s, ui)) return false;

    if (!run.calculate()) return false;
    status("Generando Hoja Excel.. ");

    std::unique_ptr<Sheet> sheet;
    {
        std::vector<PaySlipLine> view;
        try {
            view = slipView(readWorkTable(WorkTable::REMUMES, run.workDir), slipFilter(s));
        } catch (const DbfError& e) {
            reportDbfError(ui, e);
            return false;
        }
        SlipSources src = loadSlipSources(*s.OCON, s, ui);
        if (!src.ok) return false;
        s.VALUTM = src.params.utm;
        if (view.empty()) {
            ui.alert("no se encontró informción", "Alerta");
            resetRange();
            return false;
        }
        bool zumel = WorkFolder(run.workDir).has(Marker::Zumel);
        SheetMaker make = run.makeSheet ? run.makeSheet : xlsxSheets(run.workDir);
        sheet = make(sheetSlipStem(s));
        fillSheetSlips(*sheet, view, src, s.period, zumel);
    }  // the month's lines are let go before the file is written
    bool shown = sheet->show(ui);
    resetRange();
    return shown;
}

}  // namespace remu
