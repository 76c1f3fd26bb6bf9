#include "payroll/totals.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

#include "format/picture.h"
#include "payroll/constants.h"

namespace remu {

bool beforeInOrder(const PaySlipLine& a, const PaySlipLine& b) {
    return a.TIPO_REM != b.TIPO_REM ? a.TIPO_REM < b.TIPO_REM : a.IMPONI_REM < b.IMPONI_REM;
}

namespace {

// The first line whose description begins with the text, in REMUMES order
// (type, taxable flag, then as added), found without sorting the lines yet.
const PaySlipLine* firstBeginning(const std::vector<PaySlipLine>& lines, std::string_view text) {
    const PaySlipLine* best = nullptr;
    for (const PaySlipLine& l : lines) {
        if (!tv(l.DESCRI_REM).starts_with(text)) continue;
        if (!best || beforeInOrder(l, *best)) best = &l;
    }
    return best;
}

double amountOf(const PaySlipLine* l) { return l ? l->VALFIN_REM : 0; }

std::string counterText(double v) {
    double r = roundWhole(v);
    if (r > 99 || r < -9) return "**";
    return padLeft(fixedText(r, 0), 2);
}

}  // namespace

const PaySlipLine& firstInOrder(const std::vector<PaySlipLine>& lines) {
    const PaySlipLine* best = &lines.front();
    for (const PaySlipLine& l : lines)
        if (beforeInOrder(l, *best)) best = &l;
    return *best;
}

void totalLines(std::vector<PaySlipLine>& lines, const SlipOwner& owner, const Worker* w, const MonthParams& p,
                const WorkerAdjustments& adjust, SlipRecorder* rec) {
    auto total = [&](const char* code, const char* text, double computed, int type, int order) {
        PaySlipLine l = owner.line(code, text, adjust(code, text, computed), text, type);
        l.IMPONI_REM = Taxable::No;
        l.SECUEN_REM = order;
        return l;
    };
    // The line, and how it was obtained when the worker's slip is explained.
    auto add = [&](PaySlipLine l, auto why) {
        if (rec) rec->record(lines.size(), why());
        store(l);
        lines.push_back(std::move(l));
    };
    auto isDeduction = [](const PaySlipLine& l) { return l.TIPO_REM == LineType::Deduction; };
    auto isNonTaxable = [](const PaySlipLine& l) {
        return l.TIPO_REM == LineType::Earning && l.IMPONI_REM == Taxable::No;
    };

    double deductions = 0, nonTaxable = 0;
    for (const PaySlipLine& l : lines) {
        if (isDeduction(l)) deductions += l.VALFIN_REM;
        if (isNonTaxable(l)) nonTaxable += l.VALFIN_REM;
    }
    // Both sums are of the lines as they stood before either total was added.
    std::vector<Term> deductionTerms, nonTaxableTerms;
    if (rec) deductionTerms = termsOf(lines, isDeduction), nonTaxableTerms = termsOf(lines, isNonTaxable);
    add(total(LineCode::TotalDeductions, LineText::TotalDeductions, deductions, LineType::Deduction,
              SlipOrder::TotalDeductionsStaged),
        [&] { return SlipRecorder::sum("Suma de los descuentos", deductionTerms); });
    add(total(LineCode::TotalNonTaxable, LineText::TotalNonTaxable, nonTaxable, LineType::Earning,
              SlipOrder::TotalNonTaxable),
        [&] { return SlipRecorder::sum("Suma de los haberes no imponibles", nonTaxableTerms); });

    double earnings = 0;
    auto isEarningsTotal = [](const PaySlipLine& l) {
        std::string_view d = tv(l.DESCRI_REM);
        return d.starts_with(LineText::TaxableTotal) || d.starts_with(LineText::TotalNonTaxable);
    };
    for (const PaySlipLine& l : lines)
        if (isEarningsTotal(l)) earnings += l.VALFIN_REM;
    PaySlipLine tha =
        total(LineCode::TotalEarnings, LineText::TotalEarnings, earnings, LineType::Earning, SlipOrder::TotalEarnings);
    tha.VALOR_REM = earnings;
    add(std::move(tha), [&] { return SlipRecorder::sum("Suma de los totales", termsOf(lines, isEarningsTotal)); });

    // Net pay, base salary and taxable base reach the lines together, after the
    // net pay has been worked out from the totals as they stand.
    const PaySlipLine* earned = firstBeginning(lines, LineText::TotalEarnings);
    const PaySlipLine* deducted = firstBeginning(lines, LineText::TotalDeductions);
    const double net = amountOf(earned) - amountOf(deducted);
    auto netWhy = [&] {
        return SlipRecorder::difference({LineText::TotalEarnings, amountOf(earned)},
                                        {LineText::TotalDeductions, amountOf(deducted)});
    };
    PaySlipLine alq = total(LineCode::NetPay, LineText::NetPay, net, LineType::Deduction, SlipOrder::NetPay);
    alq.VALOR_REM = net;

    const double salary = w ? w->sueldoBase : 0;
    PaySlipLine sba = owner.line(LineCode::BaseSalary, LineText::BaseSalary, salary, LineText::BaseSalary,
                                 LineType::Earning);
    store(sba);
    sba.VALOR_REM = sba.VALFIN_REM;  // the whole pesos the line shows
    sba.IMPONI_REM = Taxable::Yes;
    sba.SECUEN_REM = SlipOrder::Unset;

    double bim = 0, taxableTotal = 0;
    if (const PaySlipLine* t = firstBeginning(lines, LineText::TaxableTotal)) {
        bim = taxableTotal = t->VALFIN_REM;
        if (p.VALOUF != 0 && bim / p.VALOUF > p.taxableCap) bim = p.VALOUF * p.taxableCap;
    }
    PaySlipLine bl = owner.line(LineCode::TaxableBase, LineText::TaxableBase, bim, LineText::TaxableBase,
                                LineType::Earning);
    bl.VALOR_REM = bim;
    bl.IMPONI_REM = Taxable::Yes;
    bl.SECUEN_REM = SlipOrder::TaxableBase;
    add(std::move(alq), netWhy);
    add(std::move(sba), [&] { return SlipRecorder::value("Sueldo base de la ficha del trabajador", salary); });
    add(std::move(bl), [&] { return rec->taxableBase(taxableTotal); });
}

void sortLines(std::vector<PaySlipLine>& lines, std::vector<PaySlipLine>& scratch) {
    if (std::is_sorted(lines.begin(), lines.end(), beforeInOrder)) return;
    // Sorted through an index so each line moves at most once. Types and taxable
    // flags are one digit each in the table, so the index is counted into order
    // (stable) rather than sorted; other values take the general way.
    std::vector<unsigned> order(lines.size());
    constexpr int kDigits = 10;
    size_t start[kDigits * kDigits + 1] = {};
    bool digits = true;
    for (const PaySlipLine& l : lines) {
        if (l.TIPO_REM < 0 || l.TIPO_REM >= kDigits || l.IMPONI_REM < 0 || l.IMPONI_REM >= kDigits) {
            digits = false;
            break;
        }
        ++start[l.TIPO_REM * kDigits + l.IMPONI_REM + 1];
    }
    if (digits) {
        for (int k = 1; k <= kDigits * kDigits; ++k) start[k] += start[k - 1];
        for (unsigned i = 0; i < order.size(); ++i) order[start[lines[i].TIPO_REM * kDigits + lines[i].IMPONI_REM]++] = i;
    } else {
        for (unsigned i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](unsigned a, unsigned b) { return beforeInOrder(lines[a], lines[b]); });
    }
    scratch.clear();
    scratch.reserve(lines.size() + 8);
    for (unsigned i : order) scratch.push_back(std::move(lines[i]));
    lines.swap(scratch);
    scratch.clear();
}

void orderNumbers(std::vector<PaySlipLine>& lines) {
    const std::string_view earningsList = LineText::EarningsList, deductionsList = LineText::DeductionsList;
    bool hasTaxableEarning = false, hasDeduction = false;
    for (const PaySlipLine& l : lines) {
        if (l.TIPO_REM == LineType::Earning && l.IMPONI_REM != Taxable::No) hasTaxableEarning = true;
        if (l.TIPO_REM == LineType::Deduction) hasDeduction = true;
    }
    if (hasTaxableEarning) {
        for (PaySlipLine& l : lines) {
            if (l.TIPO_REM != LineType::Earning || l.IMPONI_REM == Taxable::No) continue;
            std::string_view d = tv(l.DESCRI_REM);
            if (d.starts_with(LineText::MonthSalary)) l.SECUEN_REM = SlipOrder::MonthSalary;
            else if (d.starts_with(LineText::Gratification)) l.SECUEN_REM = SlipOrder::Gratification;
        }
        for (PaySlipLine& l : lines)
            if (l.TIPO_REM == LineType::Earning && !contains(earningsList, tv(l.TITULO_REM)))
                l.SECUEN_REM = SlipOrder::Other;
    }
    if (hasDeduction) {
        for (PaySlipLine& l : lines) {
            if (l.TIPO_REM != LineType::Deduction) continue;
            std::string_view t = tv(l.TITULO_REM);
            if (!contains(deductionsList, t)) continue;
            if (t.starts_with(LineText::Pension)) l.SECUEN_REM = SlipOrder::Pension;
            else if (t.starts_with(LineText::PrivateHealth) || t.starts_with(LineText::PublicHealth))
                l.SECUEN_REM = SlipOrder::Health;
            else if (t.starts_with(LineText::HealthAdditional)) l.SECUEN_REM = SlipOrder::HealthAdditional;
            else if (t.starts_with(LineText::IncomeTaxTitle)) l.SECUEN_REM = SlipOrder::IncomeTax;
        }
        for (PaySlipLine& l : lines)
            if (l.TIPO_REM == LineType::Deduction && !contains(deductionsList, tv(l.TITULO_REM)))
                l.SECUEN_REM = SlipOrder::Other;
    }
}

void instalmentCounters(std::vector<PaySlipLine>& lines, const Date& lastDayOfMonth) {
    for (PaySlipLine& l : lines) {
        if (l.FECDES_REM.isNull() || l.FECHAS_REM.isNull()) continue;
        if (contains(LineCode::DayCodes, tv(l.HABDES_REM))) continue;
        double total = (l.FECHAS_REM.toDays() - l.FECDES_REM.toDays()) / 30.0;
        double current = (lastDayOfMonth.toDays() - l.FECDES_REM.toDays()) / 30.0;
        l.DESCRI_REM = std::string(tv(l.DESCRI_REM)) + " (" + counterText(current) + "/" + counterText(total) + ")";
        store(l);
    }
}

void workerData(std::vector<PaySlipLine>& lines, const Worker& w) {
    PaySlipLine fitted;  // cut to their fields once
    fitted.CENCOS_REM = w.cencosto;
    fitted.APENOM_REM = trim(w.apepat) + " " + trim(w.apemat) + " " + trim(w.nombres);
    store(fitted);
    for (PaySlipLine& l : lines) {
        l.CENCOS_REM = fitted.CENCOS_REM;
        l.APENOM_REM = fitted.APENOM_REM;
    }
}

WriteBack figuresToWriteBack(const std::vector<PaySlipLine>& lines, const std::string& code) {
    WriteBack wb;
    wb.code = trim(code);
    for (const PaySlipLine& l : lines) {
        std::string_view desc = tv(l.DESCRI_REM);
        if (desc.starts_with(LineText::TaxableTotal)) wb.hasTotal = true, wb.totalImponible = l.VALFIN_REM;
        if (desc.starts_with(LineText::DaysWorked)) wb.hasDays = true, wb.diasTrabajados = l.VALFIN_REM;
    }
    return wb;
}

namespace {

// Record: a byte with the code's length (bits 0-4) and which figures follow (bit 5 the
// total, bit 6 the days), the code, then each figure as a zigzag variable-length number.
constexpr unsigned char kHasTotal = 0x20, kHasDays = 0x40, kLengthBits = 0x1F;

void putNumber(std::deque<unsigned char>& out, double figure) {
    const long long n = static_cast<long long>(figure);
    unsigned long long z = (static_cast<unsigned long long>(n) << 1) ^ static_cast<unsigned long long>(n >> 63);
    while (z >= 0x80) {
        out.push_back(static_cast<unsigned char>(z | 0x80));
        z >>= 7;
    }
    out.push_back(static_cast<unsigned char>(z));
}

double getNumber(const std::deque<unsigned char>& in, size_t& at) {
    unsigned long long z = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = in[at++];
        z |= static_cast<unsigned long long>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    return static_cast<double>(static_cast<long long>(z >> 1) ^ -static_cast<long long>(z & 1));
}

}  // namespace

void WriteBacks::push_back(const WriteBack& w) {
    const std::string_view code = w.code.view();
    bytes_.push_back(static_cast<unsigned char>(code.size() | (w.hasTotal ? kHasTotal : 0) | (w.hasDays ? kHasDays : 0)));
    bytes_.insert(bytes_.end(), code.begin(), code.end());
    if (w.hasTotal) putNumber(bytes_, w.totalImponible);
    if (w.hasDays) putNumber(bytes_, w.diasTrabajados);
    ++count_;
}

void WriteBacks::const_iterator::load() {
    if (at_ >= bytes_->size()) return;
    size_t i = at_;
    const unsigned char head = (*bytes_)[i++];
    char code[16];
    const size_t length = std::min<size_t>(head & kLengthBits, sizeof code);
    for (size_t k = 0; k < length; ++k) code[k] = static_cast<char>((*bytes_)[i++]);
    current_ = WriteBack{};
    current_.code = std::string_view(code, length);
    current_.hasTotal = head & kHasTotal;
    current_.hasDays = head & kHasDays;
    if (current_.hasTotal) current_.totalImponible = getNumber(*bytes_, i);
    if (current_.hasDays) current_.diasTrabajados = getNumber(*bytes_, i);
    next_ = i;
}

WriteBack WriteBacks::at(size_t i) const {
    if (i >= count_) throw std::out_of_range("WriteBacks::at");
    auto it = begin();
    while (i-- > 0) ++it;
    return *it;
}

}  // namespace remu
