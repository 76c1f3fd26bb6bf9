#pragma once
// Stored formulas of earnings, deductions and savings contracts: a small
// arithmetic language over the run's named figures. Formulas are data from the
// company database, so they are parsed, never executed as code.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/ui_port.h"

namespace remu {

// The figures a formula may name.
enum class FormulaVar {
    DIATRA, TOTIMP, BASIMP, NOIMP, SUELDO, SUEBAS, VALOUF, VALUSD, VALEURO, VALUTM,
    FACEXT, GRAMAX, INGMIN, VALOR, DIAS_NO_TRA,
};
inline constexpr int kFormulaVarCount = 15;
const char* formulaVarName(FormulaVar v);

// Named numbers visible to formulas; a name can be left out of the context
// (the entry check does not know DIAS_NO_TRA).
struct FormulaContext {
    std::array<double, kFormulaVarCount> value{};
    std::array<bool, kFormulaVarCount> defined{};

    double& operator[](FormulaVar v) { return value[static_cast<int>(v)]; }
    double operator[](FormulaVar v) const { return value[static_cast<int>(v)]; }
    void set(FormulaVar v, double x) {
        value[static_cast<int>(v)] = x;
        defined[static_cast<int>(v)] = true;
    }

    // Every figure defined, with the initial values of a calculation run.
    static FormulaContext runStart();
    // The trial context of the entry check: 100 everywhere, VALOR 1, no DIAS_NO_TRA.
    static FormulaContext trial();
};

struct FormulaResult {
    bool ok = false;
    double value = 0;
    std::string error;  // Spanish, for the user
};

// A parsed formula, ready to be evaluated many times.
class CompiledFormula {
public:
    // Parses; on a syntax error the result holds the message and evaluates to failure.
    static CompiledFormula compile(std::string_view text);

    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    FormulaResult evaluate(const FormulaContext& ctx) const;
    // The figures the formula names, each once, in the order they first appear.
    std::vector<FormulaVar> variables() const;

    struct Op {
        enum Kind : unsigned char { Num, Var, Neg, Add, Sub, Mul, Div } kind;
        unsigned char var = 0;
        double num = 0;
    };

private:
    std::vector<Op> code_;  // postfix
    std::string error_;
};

// Parses and evaluates once.
FormulaResult evaluateFormula(std::string_view text, const FormulaContext& ctx);

// Keeps each distinct formula text parsed once for a whole run.
class FormulaCache {
public:
    const CompiledFormula& get(const std::string& text);

private:
    std::unordered_map<std::string, std::unique_ptr<CompiledFormula>> map_;
};

// True when the text is acceptable as a stored formula; otherwise tells the user
// "ERROR EN LA FORMULA" ("ATENCION") and returns false. Empty text is acceptable.
bool VALIFORMU(std::string_view text, UiPort& ui);

// The formula-variable help: name and explanation pairs, in the order shown.
struct FormulaHelpEntry {
    const char* name;
    const char* explanation;
};
const std::vector<FormulaHelpEntry>& formulaHelpEntries();
extern const char* const kFormulaHelpTitle;  // dialog title
extern const char* const kFormulaHelpGroup;  // group box caption
extern const char* const kFormulaHelpClose;  // its one button

}  // namespace remu
