#include "shell/startup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/period.h"
#include "core/work_folder.h"
#include "data/dbf_table.h"
#include "data/local_tables.h"
#include "data/work_folder.h"
#include "data/work_tables.h"
#include "format/text.h"

namespace remu {

namespace {

int g_instanceFd = -1;

std::string lockFolder(const std::string& requested, bool& perUserName) {
    perUserName = false;
    if (!requested.empty()) return requested;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
        struct stat st;
        if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
    }
    perUserName = true;  // a shared folder: one lock per user, as a session-wide mutex would be
    return std::filesystem::temp_directory_path().string();
}

// Deletes the work table unless somebody has it open, then makes it anew when
// it is gone. A table still in use keeps its rows.
void renewWorkTable(WorkTable t, const std::string& dir) {
    const std::string path = WorkFolder(dir).path(workTableFile(t));
    if (auto existing = DbfTable::locate(path)) {
        int fd = ::open(existing->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            if (!dbf_detail::lock(fd, DbfMode::Exclusive)) {
                ::close(fd);
                return;
            }
            ::unlink(existing->c_str());
            ::close(fd);
        } else {
            ::unlink(existing->c_str());
        }
        if (DbfTable::locate(path)) return;
    }
    createWorkTable(t, dir);
}

}  // namespace

std::string executableName() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "remu";
    return std::filesystem::path(std::string(buf, static_cast<size_t>(n))).filename().string();
}

bool acquireInstanceLock(const std::string& programName, const std::string& lockDir) {
    bool perUser = false;
    const std::string folder = lockFolder(lockDir, perUser);
    std::string file = programName.empty() ? executableName() : programName;
    if (perUser) file += "-" + std::to_string(::getuid());
    const std::string path = folder + "/" + file + ".lock";

    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    releaseInstanceLock();
    g_instanceFd = fd;  // kept open, and so locked, until the process ends
    return true;
}

void releaseInstanceLock() {
    if (g_instanceFd >= 0) {
        ::close(g_instanceFd);
        g_instanceFd = -1;
    }
}

bool prepareLocalTables(UiPort& ui, const std::string& dir) {
    try {
        if (!DbfTable::locate(WorkFolder(dir).table(LocalTable::Conexion))) createConexion(defaultConnectionRecord(), dir);
        // A run of another process in this folder keeps its tables: they are emptied only when free.
        WorkFolderLock folder = WorkFolderLock::tryAcquire(dir);
        if (!folder.held()) return true;
        for (WorkTable t : {WorkTable::REMUMES, WorkTable::AJUPASO, WorkTable::REMUPASO}) renewWorkTable(t, dir);
        return true;
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return false;
    }
}

bool loadConnectionRecord(Session& s, UiPort& ui, const std::string& dir) {
    try {
        ConnectionRecord row = readConexion(dir).value_or(ConnectionRecord{});
        s.CHOST = row.HOST;
        s.CNOM_HOST = row.NOM_HOST;
        s.CUSER = row.USER;
        s.CPASSWORD = row.CLAVE;
        s.ID_CLIENTE = trim(row.DATABASE);
        return true;
    } catch (const DbfError& e) {
        reportDbfError(ui, e);
        return false;
    }
}

void initialSessionValues(Session& s) {
    s.CDATABASE = std::string(30, ' ');
    s.CALIAS_EMPRESA = std::string(30, ' ');
    s.CID_CLIENTE_CONT.clear();
    s.ANO_PUBLICO.clear();
    s.MES_PUBLICO.clear();
    s.MES_FIJO = " ";
    s.TABLA_ANO.clear();
    s.TAB_MESES.clear();
    s.NOMES2 = " ";
    s.TABLA_MESES.clear();
    for (int m = 1; m <= 12; ++m) s.TABLA_MESES.push_back(monthChoice(m));
    s.TABLA_DIA.clear();
    for (int d = 1; d <= 31; ++d) {
        char text[4];
        std::snprintf(text, sizeof text, "%02d", d);
        s.TABLA_DIA.push_back(text);
    }
    s.TABLA_DIA_FILTRO = s.TABLA_DIA;
    s.TABLA_DIA_FILTRO.push_back("  ");
    s.CRUT_CONEXION_TRABAJADOR = std::string(11, ' ');
    s.CCLAVE = std::string(6, ' ');
    s.NOMSIS = "VORANIX REMUNERACIONES [ Talvo ]   03082018";
    s.OWNDMAIN = nullptr;
    s.VALUTM = 0;
    s.CPROCESO.clear();
}

void applyRunConventions() {
    constexpr rlim_t kHandles = 255;
    rlimit lim;
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < kHandles) {
        lim.rlim_cur = lim.rlim_max == RLIM_INFINITY ? kHandles : std::min(kHandles, lim.rlim_max);
        setrlimit(RLIMIT_NOFILE, &lim);
    }
}

StartupOutcome INICIO(Session& s, UiPort& ui, const StartupHooks& hooks, const StartupOptions& options) {
    // The single-instance check comes first so that a second copy touches
    // nothing: re-creating the work tables would empty the running copy's results.
    if (!acquireInstanceLock(options.programName, options.lockDir)) {
        ui.stop("Usted ya está ejecutando el sistema", "Alerta");
        return StartupOutcome::SecondInstance;
    }
    if (!prepareLocalTables(ui, options.workDir)) return StartupOutcome::Failed;
    if (!loadConnectionRecord(s, ui, options.workDir)) return StartupOutcome::Failed;
    initialSessionValues(s);
    applyRunConventions();

    if (!hooks.login) return StartupOutcome::Ready;
    if (!hooks.login(s, ui)) return StartupOutcome::LoginRefused;
    if (hooks.mainWindow) hooks.mainWindow(s, ui);
    return StartupOutcome::Finished;
}

}  // namespace remu
