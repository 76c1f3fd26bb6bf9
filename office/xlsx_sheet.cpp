#include "office/xlsx_sheet.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/ui_port.h"
#include "core/work_folder.h"

namespace remu {

namespace fs = std::filesystem;

namespace {

// Height in points of a row whose largest font has `size` points.
double rowHeight(double size) { return std::ceil(size * 1.3 * 4) / 4; }

lxw_format* makeFormat(lxw_workbook* wb, const CellStyle& s, const std::string& font) {
    lxw_format* f = workbook_add_format(wb);
    if (!font.empty()) format_set_font_name(f, font.c_str());
    if (s.size > 0) format_set_font_size(f, s.size);
    if (s.bold) format_set_bold(f);
    switch (s.align) {
    case CellAlign::Left: format_set_align(f, LXW_ALIGN_LEFT); break;
    case CellAlign::Center: format_set_align(f, LXW_ALIGN_CENTER); break;
    case CellAlign::Right: format_set_align(f, LXW_ALIGN_RIGHT); break;
    case CellAlign::General: break;
    }
    if (!s.numberFormat.empty()) format_set_num_format(f, s.numberFormat.c_str());
    if (s.borders & kBorderLeft) format_set_left(f, LXW_BORDER_THIN);
    if (s.borders & kBorderRight) format_set_right(f, LXW_BORDER_THIN);
    if (s.borders & kBorderTop) format_set_top(f, LXW_BORDER_THIN);
    if (s.borders & kBorderBottom) format_set_bottom(f, LXW_BORDER_THIN);
    if (s.fill >= 0) {
        long rgb = bgrToRgb(s.fill);
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, rgb ? static_cast<lxw_color_t>(rgb) : static_cast<lxw_color_t>(LXW_COLOR_BLACK));
    }
    return f;
}

// A name for the file being written, beside where it ends up.
fs::path partName(const fs::path& folder, const std::string& stem) {
    static std::atomic<int> counter{0};
    for (;;) {
        fs::path p = folder / ("." + stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
                               ".part");
        std::error_code ec;
        if (!fs::exists(p, ec)) return p;
    }
}

}  // namespace

std::string placeNewFile(const std::string& finished, const std::string& folder, const std::string& stem,
                         std::string& error) {
    for (int n = 1; n < 10000; ++n) {
        fs::path p = fs::path(folder) / (n == 1 ? stem + ".xlsx" : stem + "_" + std::to_string(n) + ".xlsx");
        std::error_code ec;
        // A hard link is made only under a free name: nothing is ever replaced.
        fs::create_hard_link(finished, p, ec);
        if (!ec) {
            fs::remove(finished, ec);
            return p.string();
        }
        if (ec == std::errc::file_exists) continue;
        // A file system without hard links: take the name when it is free.
        if (fs::exists(p, ec)) continue;
        fs::rename(finished, p, ec);
        if (ec) {
            error = ec.message();
            return {};
        }
        return p.string();
    }
    error = "no queda un nombre libre para " + stem;
    return {};
}

bool XlsxSheet::write(const std::string& file, std::string& error) const {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows go to disk as they are written
    lxw_workbook* wb = workbook_new_opt(file.c_str(), &options);
    if (!wb) {
        error = "no se pudo crear el libro";
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Hoja1");
    if (!ws) {
        workbook_close(wb);
        error = "no se pudo crear la hoja";
        return false;
    }
    // The sheet's font is the workbook's normal font: empty cells and what the user
    // types later use it, and column widths count in its digits on every program.
    if (!fontName().empty()) {
        lxw_format* normal = STAILQ_FIRST(wb->formats);  // the default format, made first
        if (normal) format_set_font_name(normal, fontName().c_str());
    }
    std::vector<lxw_format*> formats(styles().size(), nullptr);
    auto format = [&](std::uint16_t id) {
        if (!formats[id]) formats[id] = makeFormat(wb, styles()[id], fontName());
        return formats[id];
    };
    for (int c = 1; c <= columnCount(); ++c)
        if (double w = columnWidth(c); w > 0) worksheet_set_column(ws, c - 1, c - 1, w, nullptr);
    for (int r = 1; r <= rowCount(); ++r) {
        double size = 0;
        for (int c = 1; cell(r, c); ++c) size = std::max(size, style(*cell(r, c)).size);
        if (size > kStandardSize) worksheet_set_row(ws, r - 1, rowHeight(size), nullptr);
        for (int c = 1; const SheetCell* cl = cell(r, c); ++c) {
            lxw_format* f = cl->style ? format(cl->style) : nullptr;
            lxw_row_t row = r - 1;
            lxw_col_t col = static_cast<lxw_col_t>(c - 1);
            switch (cl->kind) {
            case SheetCell::Kind::Text: worksheet_write_string(ws, row, col, cl->text.c_str(), f); break;
            case SheetCell::Kind::Number: worksheet_write_number(ws, row, col, cl->number, f); break;
            case SheetCell::Kind::Formula:
                // The result is stored too, for readers that do not calculate.
                worksheet_write_formula_num(ws, row, col, cl->text.c_str(), f, formulaValue(cl->text));
                break;
            case SheetCell::Kind::Empty:
                if (f) worksheet_write_blank(ws, row, col, f);
                break;
            }
        }
    }
    worksheet_set_selection(ws, selectedRow() - 1, static_cast<lxw_col_t>(selectedCol() - 1), selectedRow() - 1,
                            static_cast<lxw_col_t>(selectedCol() - 1));
    lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        error = lxw_strerror(err);
        return false;
    }
    return true;
}

bool XlsxSheet::show(UiPort& ui) {
    const bool named = !dest_.file.empty();
    fs::path folder = named ? fs::path(dest_.file).parent_path() : fs::path(WorkFolder(dest_.workDir).output(OutputFolder::Planillas));
    if (folder.empty()) folder = ".";
    std::string stem = named ? fs::path(dest_.file).stem().string() : dest_.stem;
    std::string name = named ? fs::path(dest_.file).filename().string() : stem + ".xlsx";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        ui.alert("No se pudo crear la carpeta " + folder.string(), "Atención");
        return false;
    }

    fs::path part = partName(folder, stem);
    // The library's and the system's reasons are in English: the user is told where.
    auto failed = [&] {
        fs::remove(part, ec);
        ui.alert("No se pudo escribir la planilla " + name + " en " + folder.string(), "Atención");
        return false;
    };
    std::string error;
    if (!write(part.string(), error)) return failed();
    std::string final;
    if (named) {
        fs::rename(part, dest_.file, ec);
        if (!ec) final = dest_.file;
    } else {
        final = placeNewFile(part.string(), folder.string(), stem, error);
    }
    if (final.empty()) return failed();
    path_ = fs::absolute(final, ec).lexically_normal().string();
    if (written_) *written_ = path_;
    ui.openFile(path_);
    return true;
}

SheetMaker xlsxSheets(const std::string& workDir, const std::string& file, std::shared_ptr<std::string> written) {
    return [workDir, file, written](const std::string& stem) -> std::unique_ptr<Sheet> {
        return std::make_unique<XlsxSheet>(SheetDestination{workDir, stem, file}, written);
    };
}

}  // namespace remu
