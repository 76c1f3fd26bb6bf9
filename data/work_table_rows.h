#pragma once
// The work tables' records, byte for byte as shapelib lays them out: the layout,
// the checks before a write, rows formatted and written in one pass, and a
// record read back into a line. For data/work_tables.cpp only.

#include <cstdint>
#include <span>
#include <vector>

#include "data/dbf_table.h"
#include "data/work_tables.h"

namespace remu::work_table_rows {

// Rows written as one: a worker's slip each, or a single run of lines.
using Runs = std::span<const std::vector<PaySlipLine>>;

// The fields of the table (AJUPASO with its _AJU names), and one record's length.
std::vector<DbfField> makeLayout(bool adjustments);
int recordLength();

// Throws Corrupt when the table is not laid out as a work table.
void checkLayout(WorkTable t, const DbfTable& table);
// Throws ValueTooWide for the first number that does not fit its field, before anything is written.
void checkRows(WorkTable t, Runs runs);
size_t rowCount(Runs runs);
// Writes the checked rows after the first `existing` records and updates the header;
// refuses (WriteFailed) a table that would pass the ceiling in force.
void writeRows(WorkTable t, const DbfTable& table, uint32_t existing, Runs runs);

// A record (deletion flag included) into a line, texts without their padding.
void parseRow(const char* rec, PaySlipLine& line);

}  // namespace remu::work_table_rows
