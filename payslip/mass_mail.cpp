#include "payslip/mass_mail.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "core/session.h"
#include "core/ui_port.h"
#include "core/work_folder.h"
#include "data/connection.h"
#include "data/personnel_table.h"
#include "format/helpers.h"
#include "format/mail_address.h"
#include "format/text.h"
#include "payslip/pdf_protect.h"
#include "payslip/pdf_slip.h"

extern char** environ;

namespace remu {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSenderName = "ZovorIzaridAVO";

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string findSender() {
    if (const char* env = std::getenv("REMU_SENDER")) return env;
    std::error_code ec;
    auto self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && fs::is_regular_file(self.parent_path() / kSenderName, ec)) return (self.parent_path() / kSenderName).string();
#ifdef REMU_SENDER_BUILD
    if (fs::is_regular_file(REMU_SENDER_BUILD, ec)) return REMU_SENDER_BUILD;
#endif
    return kSenderName;
}

// Written whole under a temporary name and readable by its owner only: it holds the password.
bool writeBatch(const fs::path& path, const std::string& text, bool executable) {
    fs::path tmp = path.string() + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, executable ? 0700 : 0600);
    if (fd < 0) return false;
    fchmod(fd, executable ? 0700 : 0600);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == text.size() && ::close(fd) == 0;
    std::error_code ec;
    if (ok) fs::rename(tmp, path, ec);
    if (!ok || ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace

std::string massMailText(const BatchMail& m, int month) {
    std::string text = "Estimado " + m.names + " adjuntamos liquidacion sueldo " + NOMES_FF(month);
    if (m.passwordDigits > 0)
        text += ". El archivo está protegido con clave: " + slipPasswordRule(m.passwordDigits) + ", sin puntos.";
    return text;
}

std::string batchFileName(BatchFlavor flavor) { return flavor == BatchFlavor::Windows ? "ENVIALIQ.BAT" : "ENVIALIQ.sh"; }

std::string massMailBatch(BatchFlavor flavor, const std::vector<BatchMail>& mails, const MailSender& c, int month,
                          const std::string& senderProgram) {
    std::string subject = "Liquidacion Sueldo " + NOMES_FF(month);
    std::string out;
    if (flavor == BatchFlavor::Windows) {
        for (auto& m : mails)
            out += "ZovorIzaridAVO.exe " + c.REMITENTE + " " + c.CONTRASEN + " " + c.NOMSERVER + " " + c.PUERTO +
                   " \"" + m.pdfPath + "\" " + m.address + " \"" + subject + "\" \"" + massMailText(m, month) + "\" \"" +
                   c.NOMEMISOR + "\"\r\n";
        out += "PAUSE\r\nPAUSE\r\n";
        return out;
    }
    out += "#!/bin/sh\n";
    for (auto& m : mails) {
        out += shellQuote(senderProgram);
        for (const std::string& a : {c.REMITENTE, c.CONTRASEN, c.NOMSERVER, c.PUERTO, m.pdfPath, m.address, subject,
                                     massMailText(m, month), c.NOMEMISOR})
            out += " " + shellQuote(a);
        out += "\n";
    }
    const std::string pause = "[ -t 0 ] && { printf '%s' 'Presione Enter para continuar . . . '; read _; }\n";
    out += pause + pause;
    return out;
}

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Why the sender settings of CORREO cannot be used; empty when they can.
std::string settingsProblem(const MailSender& c) {
    if (c.NOMSERVER.empty()) return "La tabla CORREO no tiene los datos del remitente y del servidor de correo";
    if (auto p = mailAddressProblem(c.REMITENTE); !p.empty()) return "La cuenta del remitente (REMITENTE) " + p;
    for (char ch : c.NOMSERVER)
        if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-'))
            return "El servidor de correo (NOMSERVER) no es un nombre de servidor válido";
    if (c.PUERTO.empty() || c.PUERTO.find_first_not_of("0123456789") != std::string::npos || c.PUERTO.size() > 5)
        return "El puerto del servidor de correo (PUERTO) no es un número";
    if (hasControlChar(c.CONTRASEN) || hasControlChar(c.NOMEMISOR))
        return "La clave o el nombre del remitente contienen caracteres de control";
    return {};
}

// The sender's one-line reason, without its "No se envió <file> a <address>: " lead.
std::string senderReason(const std::string& err) {
    std::string line = trim(err);
    if (auto nl = line.find_last_of('\n'); nl != std::string::npos) line = line.substr(nl + 1);
    if (line.rfind("No se envió", 0) == 0)
        if (auto colon = line.find(": "); colon != std::string::npos) line = line.substr(colon + 2);
    return line.empty() ? "el programa de envío terminó sin decir por qué" : line;
}

// Runs one sender; its exit status (-1 when it could not run) and what it said on stderr.
std::pair<int, std::string> runSender(const std::vector<std::string>& args, const std::atomic<bool>* cancel) {
    char tmpl[] = "/tmp/remu_sender_XXXXXX";
    int errFd = mkstemp(tmpl);
    if (errFd < 0) return {-1, "no se pudo crear un archivo temporal"};
    unlink(tmpl);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, errFd, 2);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
        close(errFd);
        return {-1, "no se pudo ejecutar el programa de envío " + args[0]};
    }
    int status = 0;
    bool killed = false;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) break;
        if (cancel && *cancel && !killed) {
            kill(pid, SIGTERM);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string err;
    char buf[4096];
    for (off_t at = 0;;) {
        ssize_t n = pread(errFd, buf, sizeof buf, at);
        if (n <= 0) break;
        err.append(buf, static_cast<size_t>(n));
        at += n;
    }
    close(errFd);
    if (killed) return {-2, "envío cancelado"};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

// The mail states the rule of the slip's password, so the file must be protected
// exactly when PROTEGE.TXT says and open with the rule it gives. Why not; empty when so.
std::string lockProblem(const std::string& path, const std::string& rut, const SlipProtection& protection) {
    const std::string again = "; genere de nuevo las liquidaciones PDF";
    if (!protection.on)
        return pdfLock(path, "") == PdfLock::WrongPassword
                   ? "la liquidación está protegida con clave y no existe " + std::string(markerFile(Marker::Protege)) +
                         " para decir cuál es" + again
                   : std::string();
    auto password = slipPassword(rut, protection.digits);
    switch (password ? pdfLock(path, *password) : PdfLock::WrongPassword) {
    case PdfLock::Opens: return {};
    case PdfLock::Plain: return "la liquidación no está protegida con clave" + again;
    case PdfLock::WrongPassword:
        return "la liquidación no se abre con " + slipPasswordRule(protection.digits) + again;
    case PdfLock::Unreadable: break;
    }
    return "el archivo de la liquidación no se puede leer" + again;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<const BatchMail*>>> sharedAddresses(const std::vector<BatchMail>& mails) {
    std::vector<std::pair<std::string, std::vector<const BatchMail*>>> out;
    std::map<std::string, size_t> index;
    std::map<std::string, std::vector<const BatchMail*>> byAddress;
    std::vector<std::string> order;
    for (const BatchMail& m : mails) {
        std::string key = lowerAscii(m.address);
        if (!byAddress.count(key)) order.push_back(key);
        byAddress[key].push_back(&m);
    }
    for (const std::string& key : order) {
        const auto& list = byAddress[key];
        bool several = std::any_of(list.begin(), list.end(), [&](auto* m) { return m->code != list.front()->code; });
        if (several) out.emplace_back(list.front()->address, list);
    }
    return out;
}

void settleSharedAddresses(std::vector<BatchMail>& mails, MailAccount& account, SharedAddresses policy, UiPort& ui) {
    auto shared = sharedAddresses(mails);
    if (shared.empty() || policy == SharedAddresses::Allow) return;
    bool send = false;
    if (policy == SharedAddresses::Ask) {
        std::string text = "Estas direcciones de correo son de más de un trabajador; cada uno recibiría las "
                           "liquidaciones de los otros:\r\n";
        for (auto& [address, list] : shared) {
            text += address + ":";
            for (auto* m : list) text += " " + m->code + " " + m->fullName + ";";
            text.pop_back();
            text += "\r\n";
        }
        text += "¿Enviar de todos modos esas liquidaciones?";
        send = ui.yesNo(text, "Atención");
    }
    if (send) return;
    std::vector<std::string> keys;
    for (auto& [address, list] : shared) keys.push_back(lowerAscii(address));
    std::vector<BatchMail> kept;
    for (BatchMail& m : mails) {
        if (std::find(keys.begin(), keys.end(), lowerAscii(m.address)) == keys.end()) {
            kept.push_back(std::move(m));
            continue;
        }
        account.add(m.code, m.fullName, m.address, MailOutcome::Withheld, "la dirección es de más de un trabajador");
    }
    mails = std::move(kept);
}

std::optional<MailingPlan> prepareMassMail(Session& s, UiPort& ui, const MassMailOptions& opt) {
    if (!ui.yesNo("Seguro de realizar el envío?", "alerta")) return std::nullopt;
    if (!s.OCON) {
        ui.stop("NO SE CONECTO");
        return std::nullopt;
    }

    struct Worker {
        std::string code, rut, address, names, fullName;
    };
    std::vector<Worker> workers;
    auto personnel = PersonnelTable(*s.OCON, ui).month(s.period);
    if (!personnel) return std::nullopt;
    for (const PersonnelRow& w : *personnel)
        workers.push_back({trim(w.codigo_per), upper(w.rut_per), trim(w.correo_per), w.nombres_per, personnelFullName(w)});

    fs::path folder = fs::absolute(WorkFolder(opt.workDir).output(OutputFolder::Pdfs));
    std::vector<std::string> files;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file() && upper(e.path().extension().string()) == ".PDF")
            files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());

    // The settings are checked before the old batch is touched.
    std::optional<MailSender> settings;
    try {
        settings = readCorreo(opt.workDir);
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return std::nullopt;
    }
    if (!settings) settings = MailSender{};
    if (auto problem = settingsProblem(*settings); !problem.empty()) {
        ui.stop(problem, "Alerta");
        return std::nullopt;
    }
    std::string protectProblem;
    const auto protection = readSlipProtection(opt.workDir, protectProblem);
    if (!protection) {
        ui.stop(protectProblem, "Alto");
        return std::nullopt;
    }

    MailingPlan plan;
    plan.settings = *settings;
    plan.month = s.period.month();
    for (auto& file : files) {
        std::string rut = upper(file.substr(0, 11));
        auto w = std::find_if(workers.begin(), workers.end(),
                              [&](const Worker& w) { return w.rut.find(rut) != std::string::npos; });
        if (w == workers.end()) {
            plan.account.add("", file, "", MailOutcome::NotSent, "no corresponde a un trabajador del mes");
            continue;
        }
        if (w->address.empty()) {
            plan.account.add(w->code, w->fullName, "", MailOutcome::NoAddress);
            continue;
        }
        if (auto problem = mailAddressProblem(w->address); !problem.empty()) {
            plan.account.add(w->code, w->fullName, w->address, MailOutcome::InvalidAddress, "la dirección " + problem);
            continue;
        }
        // The names and the file name become arguments of the batch's command line.
        if (hasControlChar(w->names) || hasControlChar(file)) {
            plan.account.add(w->code, w->fullName, w->address, MailOutcome::Refused,
                             "el nombre del trabajador o de su archivo contiene caracteres de control");
            continue;
        }
        std::string path = (folder / file).string();
        if (auto problem = lockProblem(path, w->rut, *protection); !problem.empty()) {
            plan.account.add(w->code, w->fullName, w->address, MailOutcome::Refused, problem);
            continue;
        }
        if (opt.flavor == BatchFlavor::Windows) {
            // "\" + current directory without its drive + "\PDFS\" + file.
            if (path.size() > 1 && path[1] == ':') path = path.substr(2);
            std::replace(path.begin(), path.end(), '/', '\\');
        }
        plan.mails.push_back({path, w->address, w->names, w->code, w->fullName,
                              protection->on ? protection->digits : 0});
    }
    settleSharedAddresses(plan.mails, plan.account, opt.shared, ui);

    plan.senderProgram = opt.senderProgram.empty() ? findSender() : opt.senderProgram;
    fs::path batch = WorkFolder(opt.workDir).path(batchFileName(opt.flavor));
    if (!writeBatch(batch, massMailBatch(opt.flavor, plan.mails, plan.settings, plan.month, plan.senderProgram),
                    opt.flavor == BatchFlavor::Shell)) {
        ui.stop("No se pudo escribir el archivo " + batchFileName(opt.flavor), "Error");
        return std::nullopt;
    }
    plan.batchPath = fs::absolute(batch).string();
    return plan;
}

void sendMassMail(MailingPlan& plan, const std::function<void(int, int)>& progress, const std::atomic<bool>* cancel) {
    const int total = static_cast<int>(plan.mails.size());
    const std::string subject = "Liquidacion Sueldo " + NOMES_FF(plan.month);
    const MailSender& c = plan.settings;
    std::string stopReason;  // set when no further mail can go
    for (int i = 0; i < total; ++i) {
        const BatchMail& m = plan.mails[static_cast<size_t>(i)];
        if (progress) progress(i, total);
        if (stopReason.empty() && cancel && *cancel) stopReason = "envío cancelado";
        if (!stopReason.empty()) {
            plan.account.add(m.code, m.fullName, m.address, MailOutcome::NotSent, stopReason);
            continue;
        }
        auto [status, err] = runSender({plan.senderProgram, c.REMITENTE, c.CONTRASEN, c.NOMSERVER, c.PUERTO,
                                        m.pdfPath, m.address, subject, massMailText(m, plan.month), c.NOMEMISOR},
                                       cancel);
        switch (status) {
        case 0: plan.account.add(m.code, m.fullName, m.address, MailOutcome::Sent); break;
        case -2:
            plan.account.add(m.code, m.fullName, m.address, MailOutcome::NotSent, err);
            stopReason = err;
            break;
        case 3:
            // The server itself cannot be used: the other mails would only fail the same way.
            plan.account.add(m.code, m.fullName, m.address, MailOutcome::Refused, senderReason(err));
            stopReason = "no se intentó: " + senderReason(err);
            break;
        case -1: plan.account.add(m.code, m.fullName, m.address, MailOutcome::Refused, err); break;
        default: plan.account.add(m.code, m.fullName, m.address, MailOutcome::Refused, senderReason(err)); break;
        }
    }
    if (progress) progress(total, total);
}

MassMailResult ENVIO_MASIVO(Session& s, UiPort& ui, const MassMailOptions& opt) {
    MassMailResult result;
    auto plan = prepareMassMail(s, ui, opt);
    if (!plan) return result;
    result.started = true;
    sendMassMail(*plan, [&](int done, int total) {
        if (done < total)
            ui.progress("Enviando correo " + std::to_string(done + 1) + " de " + std::to_string(total) + ": " +
                        plan->mails[static_cast<size_t>(done)].address);
    });
    result.account = std::move(plan->account);
    return result;
}

}  // namespace remu
