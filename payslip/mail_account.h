#pragma once
// The account a mailing (or the mail queue of a PDF run) gives at the end: what
// became of each worker's slip. It decides the exit status of remu-cli and is
// what the client shows when the last mail is done.

#include <string>
#include <vector>

namespace remu {

enum class MailOutcome {
    Sent,            // the mail server took it
    Queued,          // a row of CORREOS_ENVIAR holds it (or already did)
    Refused,         // the server, the queue or the data refused it; the reason says why
    InvalidAddress,  // the worker's address cannot be used
    Withheld,        // the address belongs to more than one worker and nobody confirmed it
    NotSent,         // never attempted: cancelled, or the server could not be reached
    NoAddress,       // the worker has no address: listed, not counted as a failure
};

// "enviado", "en la cola", "rechazado", ...
const char* mailOutcomeText(MailOutcome o);

struct MailAccountEntry {
    std::string code;     // codigo_per
    std::string name;     // surnames and names
    std::string address;  // as stored, control characters shown as blanks
    MailOutcome outcome = MailOutcome::Sent;
    std::string reason;
};

struct MailAccount {
    std::vector<MailAccountEntry> entries;

    void add(std::string code, std::string name, std::string address, MailOutcome outcome, std::string reason = {});
    int count(MailOutcome o) const;
    // True when every mail asked for was sent or queued (workers without an address do not count).
    bool complete() const;
    // One summary line ("3 enviados, 1 rechazado, ...").
    std::string summary() const;
    // The summary and one line per worker, in code order.
    std::string text() const;
};

}  // namespace remu
