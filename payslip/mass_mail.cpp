#include "payslip/mass_mail.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "data/sql.h"
#include "format/helpers.h"
#include "format/text.h"
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

int spawnAndWait(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string p = path;
    for (size_t start = 0; start <= p.size();) {
        size_t end = p.find(':', start);
        if (end == std::string::npos) end = p.size();
        fs::path candidate = fs::path(p.substr(start, end - start)) / program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

bool defaultLaunch(const std::string& batch) {
#ifdef _WIN32
    return std::system(("start \"\" \"" + batch + "\"").c_str()) == 0;
#else
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) {
        for (const char* term : {"x-terminal-emulator", "xterm"}) {
            if (!onPath(term)) continue;
            // The terminal outlives this call, like the console of the batch.
            return spawnAndWait({"/bin/sh", "-c", "(\"$0\" -e /bin/sh \"$1\" >/dev/null 2>&1 &)", term, batch}) == 0;
        }
    }
    return spawnAndWait({"/bin/sh", batch}) == 0;
#endif
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

std::string batchFileName(BatchFlavor flavor) { return flavor == BatchFlavor::Windows ? "ENVIALIQ.BAT" : "ENVIALIQ.sh"; }

std::string massMailBatch(BatchFlavor flavor, const std::vector<BatchMail>& mails, const MailSender& c, int month,
                          const std::string& senderProgram) {
    std::string subject = "Liquidacion Sueldo " + NOMES_FF(month);
    std::string out;
    if (flavor == BatchFlavor::Windows) {
        for (auto& m : mails)
            out += "ZovorIzaridAVO.exe " + c.REMITENTE + " " + c.CONTRASEN + " " + c.NOMSERVER + " " + c.PUERTO +
                   " \"" + m.pdfPath + "\" " + m.address + " \"" + subject + "\" \"Estimado " + m.names +
                   " adjuntamos liquidacion sueldo " + NOMES_FF(month) + "\" \"" + c.NOMEMISOR + "\"\r\n";
        out += "PAUSE\r\nPAUSE\r\n";
        return out;
    }
    out += "#!/bin/sh\n";
    for (auto& m : mails) {
        out += shellQuote(senderProgram);
        for (const std::string& a : {c.REMITENTE, c.CONTRASEN, c.NOMSERVER, c.PUERTO, m.pdfPath, m.address, subject,
                                     "Estimado " + m.names + " adjuntamos liquidacion sueldo " + NOMES_FF(month),
                                     c.NOMEMISOR})
            out += " " + shellQuote(a);
        out += "\n";
    }
    const std::string pause = "[ -t 0 ] && { printf '%s' 'Presione Enter para continuar . . . '; read _; }\n";
    out += pause + pause;
    return out;
}

int ENVIO_MASIVO(Session& s, UiPort& ui, const MassMailOptions& opt) {
    if (!ui.yesNo("Seguro de realizar el envío?", "alerta")) return -1;
    if (!s.OCON) {
        ui.stop("NO SE CONECTO");
        return -1;
    }

    struct Worker {
        std::string rut, address, names;
    };
    std::vector<Worker> workers;
    try {
        auto rs = s.OCON->query("SELECT * FROM " + sqlYearTable(s.C_ANO, "_personal") + " where mes_per = " + sqlMonth(s.C_MES));
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            workers.push_back({upper(rs->Fields("rut_per").text()), trim(rs->Fields("correo_per").text()),
                               rs->Fields("nombres_per").text()});
    } catch (const DbError& e) {
        ui.stop(e.what(), "Error");
        return -1;
    } catch (const BadIdentifier& e) {
        ui.stop(e.what(), "Error");
        return -1;
    }

    fs::path folder = fs::absolute(pdfFolder(opt.workDir));
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
        return -1;
    }
    if (!settings || settings->NOMSERVER.empty()) {
        ui.stop("La tabla CORREO no tiene los datos del remitente y del servidor de correo", "Alerta");
        return -1;
    }

    int month = std::atoi(s.C_MES.c_str());
    std::vector<BatchMail> mails;
    for (auto& file : files) {
        std::string rut = upper(file.substr(0, 11));
        auto w = std::find_if(workers.begin(), workers.end(),
                              [&](const Worker& w) { return w.rut.find(rut) != std::string::npos; });
        if (w == workers.end() || w->address.empty()) continue;
        std::string path = (folder / file).string();
        if (opt.flavor == BatchFlavor::Windows) {
            // "\" + current directory without its drive + "\PDFS\" + file.
            if (path.size() > 1 && path[1] == ':') path = path.substr(2);
            std::replace(path.begin(), path.end(), '/', '\\');
        }
        mails.push_back({path, w->address, w->names});
    }

    std::string sender = opt.senderProgram.empty() ? findSender() : opt.senderProgram;
    fs::path batch = fs::path(opt.workDir) / batchFileName(opt.flavor);
    if (!writeBatch(batch, massMailBatch(opt.flavor, mails, *settings, month, sender),
                    opt.flavor == BatchFlavor::Shell)) {
        ui.stop("No se pudo escribir el archivo " + batchFileName(opt.flavor), "Error");
        return -1;
    }
    auto launch = opt.launch ? opt.launch : defaultLaunch;
    launch(fs::absolute(batch).string());
    return static_cast<int>(mails.size());
}

}  // namespace remu
