#include "payroll/slip_line.h"

#include <algorithm>
#include <cmath>

#include "format/picture.h"

namespace remu {

namespace {

// Most amounts are already whole; only the others need rounding.
double round0(double x) { return x == std::trunc(x) ? x : roundWhole(x); }
double round2(double x) {
    double c = x * 100;
    return c == std::trunc(c) ? x : ROUND(x, 2);
}

std::string adjustmentKey(std::string_view person, std::string_view code, std::string_view text) {
    return padRight(person, 4) + padRight(code, 3) + std::string(text);
}

std::string adjustmentKey(const PaySlipLine& l) {
    return adjustmentKey(l.PERSON_REM, l.HABDES_REM, padRight(l.DESCRI_REM, 50));
}

}  // namespace

double roundWhole(double x) {
    // Below 2^52 the halfway point f + 0.5 is itself a double, so the shortest
    // decimal text of x (what ROUND rounds) lies on the same side of it as x.
    const double a = std::fabs(x);
    if (!(a < 4503599627370496.0)) return ROUND(x, 0);
    const double f = std::floor(a);
    const double r = a - f >= 0.5 ? f + 1 : f;
    if (r == 0) return 0;
    return x < 0 ? -r : r;
}

std::string numText(double v) {
    std::string s = fixedText(v, 4);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

void store(PaySlipLine& l) {
    auto fit = [](std::string& s, size_t w) {
        if (s.size() > w && charLength(s) > w) s = charSubstr(s, 0, w);
    };
    fit(l.MES_REM, 2);
    fit(l.PERSON_REM, 4);
    fit(l.NOMBRE_REM, 30);
    fit(l.APENOM_REM, 35);
    fit(l.HABDES_REM, 3);
    fit(l.DESCRI_REM, 50);
    fit(l.FORMUL_REM, 200);
    fit(l.TIPOTRABAJ, 1);
    fit(l.INSAPV_REM, 3);
    fit(l.NOMINSAPV, 50);
    fit(l.TITULO_REM, 20);
    fit(l.CENCOS_REM, 4);
    fit(l.CODMOV_REM, 2);
    fit(l.NOMMOV_REM, 30);
    l.VALFIN_REM = round0(l.VALFIN_REM);
    l.VALOR_REM = round2(l.VALOR_REM);
}

std::vector<PaySlipLine> Adjustments::table(const MonthInputs& in) {
    std::vector<PaySlipLine> rows;
    for (const AdjustmentRow& a : in.adjustments) {
        PaySlipLine l;
        l.MES_REM = in.month;
        l.PERSON_REM = a.workerCode;
        l.NOMBRE_REM = a.workerName;
        l.HABDES_REM = a.code;
        l.TIPO_REM = a.type;
        l.DESCRI_REM = a.description;
        l.VALFIN_REM = a.amount;
        store(l);
        rows.push_back(std::move(l));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const PaySlipLine& x, const PaySlipLine& y) {
        return adjustmentKey(x) < adjustmentKey(y);
    });
    return rows;
}

Adjustments::Adjustments(const std::vector<PaySlipLine>& table) {
    for (const PaySlipLine& l : table) {
        keys_.emplace_back(adjustmentKey(l), l.VALFIN_REM);
        persons_.insert(keys_.back().first.substr(0, 4));
    }
}

const double* Adjustments::find(std::string_view person, std::string_view code, std::string_view text) const {
    if (keys_.empty()) return nullptr;
    if (!looked_ || person != lastPerson_) {
        lastPerson_.assign(person);
        lastHas_ = persons_.count(padRight(person, 4)) != 0;
        looked_ = true;
    }
    if (!lastHas_) return nullptr;
    std::string key = adjustmentKey(person, code, text);
    auto it = std::lower_bound(keys_.begin(), keys_.end(), key,
                               [](const auto& e, const std::string& k) { return e.first < k; });
    if (it != keys_.end() && it->first.compare(0, key.size(), key) == 0) return &it->second;
    return nullptr;
}

}  // namespace remu
