#pragma once
// What every phase of the calculation uses on pay slip lines: storing a line as
// the work table keeps it, the adjustment lookup, lookups over the month's
// reference rows, and the small number and text helpers of the engine.

#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/ui_port.h"
#include "data/work_tables.h"
#include "format/text.h"
#include "payroll/calculation.h"
#include "payroll/explain.h"
#include "payroll/inputs.h"

namespace remu {

// Stops the run: a stored formula that fails, a fund missing from its table.
struct CalculationStop {
    std::string text;
};

inline bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

// Trimmed view of a field, without allocating (the hot paths compare many fields).
inline std::string_view tv(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t a = 0, b = s.size();
    while (a < b && blank(s[a])) ++a;
    while (b > a && blank(s[b - 1])) --b;
    return s.substr(a, b - a);
}

// A worker code as the server compares it: trailing blanks do not count.
inline std::string_view codeKey(std::string_view s) { return s.substr(0, s.find_last_not_of(' ') + 1); }
inline bool sameCode(std::string_view a, std::string_view b) { return codeKey(a) == codeKey(b); }

// A number written in decimal notation without blanks ("11.44", "7").
std::string numText(double v);

// A line as the work table stores it: texts cut to their fields, amounts rounded.
void store(PaySlipLine& l);

// Month, worker code and name: what every line the engine makes for a worker carries.
struct SlipOwner {
    const std::string& month;
    const std::string& person;
    const std::string& name;

    PaySlipLine line() const {
        PaySlipLine l;
        l.MES_REM = month;
        l.PERSON_REM = person;
        l.NOMBRE_REM = name;
        return l;
    }
    // A line of this worker with its code, texts, amount and kind.
    PaySlipLine line(std::string code, std::string description, double amount, std::string title, int type) const {
        PaySlipLine l = line();
        l.HABDES_REM = std::move(code);
        l.DESCRI_REM = std::move(description);
        l.VALFIN_REM = amount;
        l.TITULO_REM = std::move(title);
        l.TIPO_REM = type;
        return l;
    }
};

// The month's adjustments (AJUPASO), kept in key order: worker code (4) + item
// code (3) + description (50). A lookup finds the first whose key begins with
// worker + code + text; its amount replaces the one the engine computed.
class Adjustments {
public:
    // The rows as AJUPASO stores them, in key order.
    static std::vector<PaySlipLine> table(const MonthInputs& in);
    explicit Adjustments(const std::vector<PaySlipLine>& table);

    const double* find(std::string_view person, std::string_view code, std::string_view text) const;

private:
    std::vector<std::pair<std::string, double>> keys_;
    std::unordered_set<std::string> persons_;  // the first four characters of the keys
    // The worker looked up last and whether he has any: a worker's lines ask in a row.
    mutable std::string lastPerson_;
    mutable bool lastHas_ = false;
    mutable bool looked_ = false;
};

// One worker's view of the adjustments.
struct WorkerAdjustments {
    const Adjustments& all;
    std::string_view person;
    SlipRecorder* recorder = nullptr;  // told when an adjustment replaces an amount

    const double* find(std::string_view code, std::string_view text) const { return all.find(person, code, text); }
    // The adjustment when there is one, else the computed amount.
    double operator()(std::string_view code, std::string_view text, double computed) const {
        const double* a = find(code, text);
        if (!a) return computed;
        if (recorder) recorder->adjusted(*a);
        return *a;
    }
};

// First row whose code contains the text (case-insensitive), as a LIKE '%text%'
// search over the fetched rows does. Codes of one width take the exact-match path.
template <class Row>
class CodeFinder {
public:
    CodeFinder(const std::vector<Row>& rows, std::string Row::*field) : rows_(rows), field_(field) {
        for (size_t i = 0; i < rows.size(); ++i) {
            std::string key = upper(rtrim(rows[i].*field));
            if (uniform_ == -2) uniform_ = static_cast<long>(key.size());
            else if (uniform_ != static_cast<long>(key.size())) uniform_ = -1;
            exact_.emplace(std::move(key), i);  // keeps the first
        }
    }
    const Row* find(std::string_view text) {
        std::string needle = upper(trim(text));
        if (uniform_ >= 0 && static_cast<long>(needle.size()) == uniform_) {
            auto it = exact_.find(needle);
            return it == exact_.end() ? nullptr : &rows_[it->second];
        }
        auto m = memo_.find(needle);
        if (m != memo_.end()) return m->second;
        const Row* found = nullptr;
        for (const Row& r : rows_)
            if (contains(upper(r.*field_), needle)) {
                found = &r;
                break;
            }
        memo_.emplace(needle, found);
        return found;
    }

private:
    const std::vector<Row>& rows_;
    std::string Row::*field_;
    long uniform_ = -2;
    std::unordered_map<std::string, size_t> exact_;
    std::unordered_map<std::string, const Row*> memo_;
};

// Exact lookup by trimmed code, case-insensitive (a quoted "=" on the server).
template <class Row>
const Row* findExact(const std::vector<Row>& rows, std::string_view code) {
    std::string c = upper(trim(code));
    for (const Row& r : rows)
        if (upper(trim(r.code)) == c) return &r;
    return nullptr;
}

// The lookup's "No existe" box for a reference row the month lacks.
inline RunMessage notFound(const std::string& what) {
    return {BoxKind::Info, "registro no encontrado", "No existe " + what};
}

}  // namespace remu
