#include "payroll/formula.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace remu {

namespace {

constexpr const char* kVarNames[kFormulaVarCount] = {
    "DIATRA", "TOTIMP", "BASIMP", "NOIMP", "SUELDO", "SUEBAS", "VALOUF", "VALUSD",
    "VALEURO", "VALUTM", "FACEXT", "GRAMAX", "INGMIN", "VALOR", "DIAS_NO_TRA",
};

int varIndex(std::string_view name) {
    for (int i = 0; i < kFormulaVarCount; ++i) {
        std::string_view n = kVarNames[i];
        if (n.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < n.size() && same; ++k)
            same = std::toupper(static_cast<unsigned char>(name[k])) == n[k];
        if (same) return i;
    }
    return -1;
}

// Recursive descent over:  expr := term {(+|-) term};  term := unary {(*|/) unary};
// unary := (+|-) unary | primary;  primary := number | name | ( expr )
class Parser {
public:
    Parser(std::string_view s, std::vector<CompiledFormula::Op>& out) : s_(s), out_(out) {}

    std::string run() {
        skip();
        if (pos_ >= s_.size()) return "fórmula vacía";
        expr();
        if (error_.empty()) {
            skip();
            if (pos_ < s_.size()) fail("carácter inesperado '" + std::string(1, s_[pos_]) + "'");
        }
        return error_;
    }

private:
    using Op = CompiledFormula::Op;

    void skip() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
            ++pos_;
    }
    void fail(std::string msg) {
        if (error_.empty()) error_ = std::move(msg);
    }
    void emit(Op::Kind k) { out_.push_back(Op{k, 0, 0}); }

    void expr() {
        term();
        while (error_.empty()) {
            skip();
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) {
                char c = s_[pos_++];
                term();
                emit(c == '+' ? Op::Add : Op::Sub);
            } else {
                break;
            }
        }
    }
    void term() {
        unary();
        while (error_.empty()) {
            skip();
            if (pos_ < s_.size() && (s_[pos_] == '*' || s_[pos_] == '/')) {
                char c = s_[pos_++];
                unary();
                emit(c == '*' ? Op::Mul : Op::Div);
            } else {
                break;
            }
        }
    }
    void unary() {
        if (++depth_ > 200) return fail("fórmula demasiado anidada");
        skip();
        if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) {
            char c = s_[pos_++];
            unary();
            if (c == '-') emit(Op::Neg);
        } else {
            primary();
        }
        --depth_;
    }
    void primary() {
        skip();
        if (pos_ >= s_.size()) return fail("la fórmula termina antes de tiempo");
        char c = s_[pos_];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            size_t start = pos_;
            bool digits = false;
            while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_, digits = true;
            if (pos_ < s_.size() && s_[pos_] == '.') {
                ++pos_;
                while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_, digits = true;
            }
            if (!digits) return fail("número mal escrito");
            std::string num(s_.substr(start, pos_ - start));
            out_.push_back(Op{Op::Num, 0, std::strtod(num.c_str(), nullptr)});
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t start = pos_;
            while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
            std::string_view name = s_.substr(start, pos_ - start);
            int idx = varIndex(name);
            if (idx < 0) return fail("variable desconocida " + std::string(name));
            out_.push_back(Op{Op::Var, static_cast<unsigned char>(idx), 0});
        } else if (c == '(') {
            ++pos_;
            expr();
            if (!error_.empty()) return;
            skip();
            if (pos_ >= s_.size() || s_[pos_] != ')') return fail("falta cerrar un paréntesis");
            ++pos_;
        } else {
            fail("carácter inesperado '" + std::string(1, c) + "'");
        }
    }

    std::string_view s_;
    std::vector<Op>& out_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::string error_;
};

}  // namespace

const char* formulaVarName(FormulaVar v) { return kVarNames[static_cast<int>(v)]; }

FormulaContext FormulaContext::runStart() {
    FormulaContext c;
    for (int i = 0; i < kFormulaVarCount; ++i) c.set(static_cast<FormulaVar>(i), 100);
    c.set(FormulaVar::DIATRA, 30);
    c.set(FormulaVar::VALOR, 1);
    c.set(FormulaVar::DIAS_NO_TRA, 0);
    return c;
}

FormulaContext FormulaContext::trial() {
    FormulaContext c;
    for (int i = 0; i < kFormulaVarCount; ++i) c.set(static_cast<FormulaVar>(i), 100);
    c.set(FormulaVar::VALOR, 1);
    c.value[static_cast<int>(FormulaVar::DIAS_NO_TRA)] = 0;
    c.defined[static_cast<int>(FormulaVar::DIAS_NO_TRA)] = false;
    return c;
}

CompiledFormula CompiledFormula::compile(std::string_view text) {
    CompiledFormula f;
    f.error_ = Parser(text, f.code_).run();
    if (!f.error_.empty()) f.code_.clear();
    return f;
}

std::vector<FormulaVar> CompiledFormula::variables() const {
    std::vector<FormulaVar> vars;
    for (const Op& op : code_) {
        if (op.kind != Op::Var) continue;
        const auto v = static_cast<FormulaVar>(op.var);
        if (std::find(vars.begin(), vars.end(), v) == vars.end()) vars.push_back(v);
    }
    return vars;
}

FormulaResult CompiledFormula::evaluate(const FormulaContext& ctx) const {
    FormulaResult r;
    if (!error_.empty()) {
        r.error = error_;
        return r;
    }
    double stack[256];
    std::vector<double> big;
    double* st = stack;
    if (code_.size() > 256) {
        big.resize(code_.size());
        st = big.data();
    }
    int sp = 0;
    for (const Op& op : code_) {
        switch (op.kind) {
            case Op::Num: st[sp++] = op.num; break;
            case Op::Var:
                if (!ctx.defined[op.var]) {
                    r.error = std::string("variable desconocida ") + kVarNames[op.var];
                    return r;
                }
                st[sp++] = ctx.value[op.var];
                break;
            case Op::Neg: st[sp - 1] = -st[sp - 1]; break;
            case Op::Add: --sp; st[sp - 1] += st[sp]; break;
            case Op::Sub: --sp; st[sp - 1] -= st[sp]; break;
            case Op::Mul: --sp; st[sp - 1] *= st[sp]; break;
            case Op::Div:
                --sp;
                if (st[sp] == 0) {
                    r.error = "división por cero";
                    return r;
                }
                st[sp - 1] /= st[sp];
                break;
        }
    }
    double v = st[0];
    if (!std::isfinite(v)) {
        r.error = "el resultado no es un número";
        return r;
    }
    r.ok = true;
    r.value = v;
    return r;
}

FormulaResult evaluateFormula(std::string_view text, const FormulaContext& ctx) {
    return CompiledFormula::compile(text).evaluate(ctx);
}

const CompiledFormula& FormulaCache::get(const std::string& text) {
    auto it = map_.find(text);
    if (it == map_.end())
        it = map_.emplace(text, std::make_unique<CompiledFormula>(CompiledFormula::compile(text))).first;
    return *it->second;
}

bool VALIFORMU(std::string_view text, UiPort& ui) {
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return true;
    static const char* const forbidden[] = {"!", "¡", "Ñ", "ñ", "°", "¬", "¿"};
    bool ok = evaluateFormula(text, FormulaContext::trial()).ok;
    for (const char* f : forbidden)
        if (text.find(f) != std::string_view::npos) ok = false;
    if (!ok) ui.alert("ERROR EN LA FORMULA", "ATENCION");
    return ok;
}

const char* const kFormulaHelpTitle = "Variables Para cálculo de Haberes y/o Descuentos";
const char* const kFormulaHelpGroup = "VARIABLES PARA CONSTRUCCION DE CALCULOS DE HABERES Y/O DESCUENTOS";
const char* const kFormulaHelpClose = "&Salir";

const std::vector<FormulaHelpEntry>& formulaHelpEntries() {
    static const std::vector<FormulaHelpEntry> entries = {
        {"DIATRA", "Dias Trabajados"},
        {"TOTIMP", "Total Haberes (No Incluye No Imponibles) "},
        {"BASIMP", "Imponible (Tope Imponible)"},
        {"NOIMP", "Total No Imponible"},
        {"SUELDO", "Sueldo Mensual (Establecido en \"Tabla de Personal\")"},
        {"SUEBAS", "Sueldo Base Proporcional a dias trabajados"},
        {"VALOUF", "Valor UF (Establecida en \"Párametros\")"},
        {"VALUTM", "Valor UTM (Establecida en \"Párametros\")"},
        {"GRAMAX", "Tope Gratificacion (Establecida en \"Párametros\" 4.75 ingreso minimo /12)"},
        {"INGMIN", "Ingreso Mínimo (Establecido en \"Párametros\")"},
        {"PORAFP", "Descuento AFP"},
    };
    return entries;
}

}  // namespace remu
