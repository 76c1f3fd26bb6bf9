#include "payslip/mail_account.h"

#include <algorithm>

#include "format/mail_address.h"

namespace remu {

const char* mailOutcomeText(MailOutcome o) {
    switch (o) {
    case MailOutcome::Sent: return "enviado";
    case MailOutcome::Queued: return "registrado en la cola";
    case MailOutcome::Refused: return "rechazado";
    case MailOutcome::InvalidAddress: return "dirección inválida";
    case MailOutcome::Withheld: return "retenido (dirección compartida)";
    case MailOutcome::NotSent: return "no enviado";
    case MailOutcome::NoAddress: return "sin dirección";
    }
    return "";
}

void MailAccount::add(std::string code, std::string name, std::string address, MailOutcome outcome,
                      std::string reason) {
    entries.push_back({blankControls(code), blankControls(name), blankControls(address), outcome,
                       blankControls(reason)});
}

int MailAccount::count(MailOutcome o) const {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [&](auto& e) { return e.outcome == o; }));
}

bool MailAccount::complete() const {
    return std::all_of(entries.begin(), entries.end(), [](auto& e) {
        return e.outcome == MailOutcome::Sent || e.outcome == MailOutcome::Queued || e.outcome == MailOutcome::NoAddress;
    });
}

std::string MailAccount::summary() const {
    static const std::pair<MailOutcome, const char*> parts[] = {
        {MailOutcome::Sent, "enviados"},           {MailOutcome::Queued, "registrados en la cola"},
        {MailOutcome::Refused, "rechazados"},      {MailOutcome::InvalidAddress, "con dirección inválida"},
        {MailOutcome::Withheld, "retenidos por dirección compartida"},
        {MailOutcome::NotSent, "no enviados"},     {MailOutcome::NoAddress, "sin dirección"},
    };
    std::string out;
    for (auto& [o, label] : parts) {
        if (int n = count(o); n > 0) out += (out.empty() ? "" : ", ") + std::to_string(n) + " " + label;
    }
    if (out.empty()) out = "ningún correo";
    return out;
}

std::string MailAccount::text() const {
    std::vector<const MailAccountEntry*> sorted;
    for (auto& e : entries) sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->code < b->code; });
    std::string out = summary() + "\n";
    for (auto* e : sorted) {
        out += e->code + "  " + e->name;
        if (!e->address.empty()) out += "  <" + e->address + ">";
        out += ": " + std::string(mailOutcomeText(e->outcome));
        if (!e->reason.empty()) out += " (" + e->reason + ")";
        out += "\n";
    }
    return out;
}

}  // namespace remu
