#pragma once
// The month's pay slips as PDF files, one per worker, in the folder PDFS of the
// working directory: the attachments of the mass mailing.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/work_tables.h"
#include "payslip/mail_account.h"
#include "payslip/mass_mail.h"
#include "payslip/slip_model.h"

namespace remu {

class TPDF;
class MailQueue;
struct Session;
class UiPort;

// Centimetres below the top of an A4 page as a PDF y coordinate (points from the bottom).
double CM2DPI(double cm, double ignored = 0, bool fromTop = true);

// "<rut>_<surnames and names>_<year>_<month>.pdf"
std::string pdfSlipFileName(const PersonnelRow& w, const Period& period);

// A RUT as the slip shows it, with thousands dots, whether it is stored as
// "012345678-9", "12345678-9" or already dotted.
std::string pdfSlipRut(const std::string& rut);

// Draws one worker's slip on the writer's open page.
// `costCentre`: the name of the worker's cost centre, when he has one on record.
void drawPdfSlip(TPDF& pdf, const SlipContent& slip, const PersonnelRow& worker,
                 const std::optional<std::string>& costCentre, const SlipCompany& company, const SlipParams& params,
                 const Session& s);

struct PdfSlipOptions {
    std::string workDir = ".";   // PDFS, ENVIA.TXT and the local tables live here
    bool openFolder = true;      // hand the folder to the user's file manager at the end
    // Slips of workers who share an address are queued only when confirmed.
    SharedAddresses shared = SharedAddresses::Ask;
    // Told the full path of each slip as it is written, in slip order (the run keeps no list of them).
    std::function<void(const std::string& path)> onWritten = {};
};

struct PdfSlipResult {
    bool ok = false;
    size_t written = 0;              // slips written (PdfSlipOptions::onWritten hears of each)
    int queued = 0;                  // mail-queue rows added
    bool queueAsked = false;         // ENVIA.TXT was there: every slip with an address was to be queued
    int passwordDigits = 0;          // PROTEGE.TXT: the slips open with this many first digits of the RUT
    MailAccount account;             // the queue's account of each worker, when it was asked for
    // Workers whose slip was not written, and amounts that print as asterisks,
    // one text each ("0003 ZUNIGA ARAYA MARIA: ..."); they were told to the user.
    std::vector<std::string> problems;

    // Everything asked for was done: every slip written as it should read, every mail queued.
    bool complete() const { return ok && problems.empty() && account.complete(); }
};

// Writes the slips of the REMUMES lines (the engine has run) with the session's
// connection; queues them when the mail queue is active.
PdfSlipResult writePdfSlips(Session& s, UiPort& ui, const std::vector<PaySlipLine>& remumes,
                            const PdfSlipOptions& opt = {});

// The same from sources already loaded (the benchmark times this part).
PdfSlipResult writePdfSlipFiles(Session& s, UiPort& ui, const std::vector<PaySlipLine>& remumes,
                                const SlipSources& src, const PdfSlipOptions& opt = {});

// The same for slips read in steps (StoredSlips over REMUMES), the workers already loaded.
PdfSlipResult writePdfSlipFiles(Session& s, UiPort& ui, SlipSequence& slips, const SlipSources& src,
                                const PdfSlipOptions& opt = {});

// The whole run: empties the folder, checks the worker, runs the engine for every
// worker of the month (`engine` returns false when it failed), reads REMUMES and
// writes the slips.
PdfSlipResult LIQUI_PDF(Session& s, UiPort& ui, const std::function<bool()>& engine,
                        const PdfSlipOptions& opt = {});

}  // namespace remu
