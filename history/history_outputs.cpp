#include "history/history_outputs.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/ui_port.h"
#include "format/text.h"
#include "pdf/tpdf.h"

namespace remu {

namespace fs = std::filesystem;

std::string historyFileStem(const WorkerHistory& h) { return "HISTORIAL_" + h.code; }

bool writeHistoryPdf(const WorkerHistory& h, const std::string& file, UiPort& ui) {
    // Courier keeps the columns of the text table lined up on their right edges.
    constexpr double kSize = 9, kLine = 12, kTop = 560, kBottom = 40, kLeft = 60;
    auto pdf = TPDF::NewInMemory();
    std::istringstream lines(historyText(h));
    std::string line;
    double y = kBottom;  // a page is begun before the first line
    while (std::getline(lines, line)) {
        if (y < kBottom + kLine) {
            pdf->Pdfnewpage("A4", "L", std::nullopt, "COURIER", 0, kSize);
            pdf->Pdfatsay("Página #pagenumber#", kBottom - kLine, kLeft);
            y = kTop;
        }
        pdf->Pdfatsay(line, y, kLeft);
        y -= kLine;
    }
    pdf->Pdfclosepage();
    const bool closed = pdf->Pdfclose();
    const std::string bytes = pdf->takeDocument();

    const fs::path target(file);
    const fs::path part = target.parent_path() / ("." + target.filename().string() + ".part");
    std::FILE* f = closed ? std::fopen(part.c_str(), "wb") : nullptr;
    bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) written = std::fclose(f) == 0 && written;
    std::error_code ec;
    if (written) fs::rename(part, target, ec);
    if (!written || ec) {
        fs::remove(part, ec);
        ui.alert("No se pudo escribir el archivo PDF " + file, "Atención");
        return false;
    }
    return true;
}

int fillHistorySheet(Sheet& sheet, const WorkerHistory& h) {
    const int first = 4;  // first row below the headings
    const int cols = static_cast<int>(historyHeadings().size()) + 1;
    sheet.setFontName("Arial");
    sheet.setValue(1, 1, historyTitle(h));
    sheet.setBold(1, 1);
    sheet.setFontSize(1, 1, 12);
    sheet.setValue(3, 1, "MES");
    for (int c = 0; c + 1 < cols; ++c) sheet.setValue(3, c + 2, historyHeadings()[static_cast<size_t>(c)]);
    for (int c = 1; c <= cols; ++c) {
        sheet.setBold(3, c);
        sheet.setBorder(3, c, kEdgeBottom);
    }
    sheet.setInteriorColor({3, 1, 3, cols}, kColourHeading);
    sheet.setAlignment({3, 2, 3, cols}, kAlignRight);

    int row = first;
    auto figures = [&](const HistoryFigures& f) {
        int c = 2;
        for (double v : figureColumns(f)) sheet.setValue(row, c++, v);
    };
    size_t y = 0;
    for (size_t i = 0; i < h.months.size(); ++i) {
        const HistoryMonth& m = h.months[i];
        sheet.setValue(row, 1, m.period.monthAndYear());
        if (m.computed) figures(m.figures);
        else sheet.setValue(row, 2, m.problem);
        ++row;
        const bool yearEnds = i + 1 == h.months.size() || h.months[i + 1].period.year() != m.period.year();
        if (yearEnds && y < h.years.size()) {
            sheet.setValue(row, 1, "TOTAL " + std::to_string(h.years[y++].year));
            figures(h.years[y - 1].total);
            for (int c = 1; c <= cols; ++c) {
                sheet.setBold(row, c);
                sheet.setBorder(row, c, kEdgeTop);
            }
            sheet.setInteriorColor({row, 1, row, cols}, kColourLightGrey);
            ++row;
        }
    }
    if (row > first) sheet.setNumberFormat({first, 2, row - 1, cols}, "$#.##0");
    for (int c = 1; c <= cols; ++c) sheet.autoFit(c);
    sheet.select(first, 1);
    return row - first;
}

bool showHistorySheet(const WorkerHistory& h, UiPort& ui, const SheetMaker& makeSheet) {
    auto sheet = makeSheet(historyFileStem(h));
    if (!sheet) return false;
    fillHistorySheet(*sheet, h);
    return sheet->show(ui);
}

}  // namespace remu
