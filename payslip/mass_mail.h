#pragma once
// Mass mailing: one mail of the sender program per PDF slip in the folder PDFS.
// The batch of the mailing is written as ever ("ENVIALIQ.BAT" on Windows, the
// equivalent shell script "ENVIALIQ.sh" elsewhere, readable by its owner only:
// it holds the mail password), one line per mail, and kept as the record of the
// mailing; the program then runs the same commands itself, one at a time, reads
// each sender's exit status and gives an account of every worker at the end.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/local_tables.h"
#include "payslip/mail_account.h"

namespace remu {

struct Session;
class UiPort;

enum class BatchFlavor { Windows, Shell };

// What to do with an address that more than one worker has: each of them would
// read the others' slips.
enum class SharedAddresses {
    Ask,       // list them and ask; the answer "no" (the default) withholds them
    Allow,     // the user confirmed beforehand (remu-cli --permitir-compartidos)
    Withhold,  // list them and send none of them
};

// One mail of the batch.
struct BatchMail {
    std::string pdfPath;  // as the sender receives it
    std::string address;  // trimmed correo_per
    std::string names;    // nombres_per
    std::string code;     // codigo_per, for the account
    std::string fullName; // surnames and names, for the account
    int passwordDigits = 0; // the PDF opens with this many first digits of the RUT (0: not protected)
};

// The mail's text: the greeting, and for a protected slip the rule of its password.
std::string massMailText(const BatchMail& mail, int month);

// The batch text: one command per mail, then two pauses; lines end with CR LF on Windows.
std::string massMailBatch(BatchFlavor flavor, const std::vector<BatchMail>& mails, const MailSender& settings,
                          int month, const std::string& senderProgram);

struct MassMailOptions {
    std::string workDir = ".";
    BatchFlavor flavor =
#ifdef _WIN32
        BatchFlavor::Windows;
#else
        BatchFlavor::Shell;
#endif
    // The sender program; found beside this program when empty (REMU_SENDER overrides).
    std::string senderProgram;
    SharedAddresses shared = SharedAddresses::Ask;
};

// "ENVIALIQ.BAT" or "ENVIALIQ.sh".
std::string batchFileName(BatchFlavor flavor);

// A mailing ready to send: the batch is written, the mails to send are known,
// and the workers who get no mail are already in the account.
struct MailingPlan {
    std::vector<BatchMail> mails;
    MailSender settings;
    int month = 0;
    std::string senderProgram;
    std::string batchPath;
    MailAccount account;
};

// Asks "Seguro de realizar el envío?", reads the month's workers and the PDF
// folder, checks every address and the sender settings, deals with shared
// addresses and writes the batch. nullopt (the user told why, or answered no)
// when there is nothing to send; the batch is then untouched.
std::optional<MailingPlan> prepareMassMail(Session& s, UiPort& ui, const MassMailOptions& opt);

// Sends the plan's mails one by one and records each outcome in plan.account.
// `progress(done, total)` is called before each mail and at the end; setting
// `cancel` stops after (or kills) the mail at hand. When the mail server cannot
// be used at all the remaining mails are not attempted.
void sendMassMail(MailingPlan& plan, const std::function<void(int done, int total)>& progress = {},
                  const std::atomic<bool>* cancel = nullptr);

struct MassMailResult {
    bool started = false;  // false: nothing was written or sent
    MailAccount account;
};

// The whole mailing without a window: prepare, send with progress texts on the port.
MassMailResult ENVIO_MASIVO(Session& s, UiPort& ui, const MassMailOptions& opt = {});

// Addresses (compared without regard to case) that belong to more than one worker
// code, each with the workers that have it, in the order given.
std::vector<std::pair<std::string, std::vector<const BatchMail*>>> sharedAddresses(
    const std::vector<BatchMail>& mails);

// Applies the policy to the mails: the ones kept stay in `mails`, the withheld
// ones go to the account. Asks through the port for SharedAddresses::Ask.
void settleSharedAddresses(std::vector<BatchMail>& mails, MailAccount& account, SharedAddresses policy,
                           UiPort& ui);

}  // namespace remu
