#include "office/recording_sheet.h"

namespace remu {

std::string RecordingSheet::text(int row, int col) const {
    const SheetCell* c = cell(row, col);
    if (!c) return {};
    switch (c->kind) {
    case SheetCell::Kind::Text:
    case SheetCell::Kind::Formula: return c->text;
    case SheetCell::Kind::Number: return formatNumber(c->number, {});
    case SheetCell::Kind::Empty: break;
    }
    return {};
}

double RecordingSheet::number(int row, int col) const {
    const SheetCell* c = cell(row, col);
    return c && c->kind == SheetCell::Kind::Number ? c->number : 0;
}

bool RecordingSheet::isNumber(int row, int col) const {
    const SheetCell* c = cell(row, col);
    return c && c->kind == SheetCell::Kind::Number;
}

bool RecordingSheet::isText(int row, int col) const {
    const SheetCell* c = cell(row, col);
    return c && c->kind == SheetCell::Kind::Text;
}

const CellStyle& RecordingSheet::styleAt(int row, int col) const {
    const SheetCell* c = cell(row, col);
    return c ? style(*c) : styles().front();
}

}  // namespace remu
