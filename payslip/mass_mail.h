#pragma once
// Mass mailing: a batch with one command of the mail sender per PDF slip in the
// folder PDFS, started in a console. On Windows the batch is "ENVIALIQ.BAT"; on
// other systems the equivalent shell script "ENVIALIQ.sh", run in a terminal
// when a display exists, otherwise directly. It holds the mail password, so only
// its owner may read it.

#include <functional>
#include <string>
#include <vector>

#include "data/local_tables.h"

namespace remu {

struct Session;
class UiPort;

enum class BatchFlavor { Windows, Shell };

// One mail of the batch.
struct BatchMail {
    std::string pdfPath;  // as the sender receives it
    std::string address;  // trimmed correo_per
    std::string names;    // nombres_per
};

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
    // The sender program the lines call; found beside this program when empty.
    std::string senderProgram;
    // Starts the batch; the default opens a terminal when a display exists, else runs it and waits.
    std::function<bool(const std::string& batchPath)> launch;
};

// "ENVIALIQ.BAT" or "ENVIALIQ.sh".
std::string batchFileName(BatchFlavor flavor);

// Asks "Seguro de realizar el envío?"; writes and starts the batch. The number of
// mails in it, or -1 when nothing was written.
int ENVIO_MASIVO(Session& s, UiPort& ui, const MassMailOptions& opt = {});

}  // namespace remu
