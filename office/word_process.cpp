#include "office/word_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

namespace remu::office {

namespace fs = std::filesystem;
using namespace com::sun::star;
using Clock = std::chrono::steady_clock;

namespace {

// Settings of every private profile. Telling the office that this version has been seen
// keeps it from running its graphics self-tests at every start (seconds, more on a busy
// machine); no recovery data is written, no macro runs, no linked content is fetched.
constexpr const char* kRegistry = R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>99.0</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/AutoSave"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/RecoveryInfo"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="MacroSecurityLevel" oor:op="fuse"><value>3</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="DisableMacrosExecution" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="UseLocking" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
)";

// The office leaves with this status after the first start of a new profile and
// expects to be started again (its own launcher does the same).
constexpr int kRestartStatus = 81;
constexpr auto kStartTimeout = std::chrono::seconds(60);

struct Instance {
    Installation install;
    fs::path profile;
    std::string pipe;
    pid_t pid = -1;
    uno::Reference<frame::XDesktop2> desktop;
};

// Never destroyed: UNO references must not be released by static destructors, after
// the UNO runtime has gone. The instance is ended by shutdown(), also at exit.
std::mutex& lock() {
    static auto* m = new std::mutex;
    return *m;
}
std::optional<Instance>& current() {
    static auto* i = new std::optional<Instance>;
    return *i;
}
uno::Reference<uno::XComponentContext>& localContext() {
    static auto* c = new uno::Reference<uno::XComponentContext>;
    return *c;
}
double g_lastStart = 0;

bool executable(const fs::path& p) { return ::access(p.c_str(), X_OK) == 0; }

std::optional<Installation> fromProgram(const fs::path& program) {
    Installation i{program, program / "soffice.bin"};
    std::error_code ec;
    if (!executable(i.binary) || !fs::exists(program / "fundamentalrc", ec)) return std::nullopt;
    return i;
}

// soffice, libreoffice or soffice.bin: usually a link into the installation's program folder.
std::optional<Installation> fromCommand(const fs::path& command) {
    std::error_code ec;
    fs::path real = fs::canonical(command, ec);
    if (ec) return std::nullopt;
    return fromProgram(real.parent_path());
}

fs::path cacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && *xdg == '/') return fs::path(xdg) / "remu";
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return fs::path(home) / ".cache" / "remu";
    return {};
}

// A profile that has been through its first start, kept per installation so that later
// sessions skip that start (a second launch of the office).
fs::path seedFolder(const Installation& in) {
    fs::path cache = cacheFolder();
    if (cache.empty()) return {};
    std::error_code ec;
    auto stamp = fs::last_write_time(in.binary, ec).time_since_epoch().count();
    char key[24];
    std::snprintf(key, sizeof key, "%016zx",
                  std::hash<std::string>{}(in.program.string() + "|" + std::to_string(stamp)));
    return cache / ("writer-profile-" + std::string(key));
}

fs::path newProfile(const Installation& in) {
    std::error_code ec;
    std::string name = (fs::temp_directory_path(ec) / "remu-word-XXXXXX").string();
    if (ec || !::mkdtemp(name.data())) return {};
    fs::path dir = name;
    fs::path seed = seedFolder(in);
    if (!seed.empty() && fs::exists(seed / "user" / "registrymodifications.xcu", ec)) {
        fs::copy(seed, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        if (!ec) return dir;
    }
    fs::create_directories(dir / "user", ec);
    std::ofstream(dir / "user" / "registrymodifications.xcu") << kRegistry;
    return dir;
}

void keepSeed(const Instance& in) {
    fs::path seed = seedFolder(in.install);
    std::error_code ec;
    if (seed.empty() || fs::exists(seed, ec)) return;
    fs::create_directories(seed.parent_path(), ec);
    fs::path tmp = seed.string() + ".tmp" + std::to_string(::getpid());
    fs::copy(in.profile, tmp, fs::copy_options::recursive, ec);
    if (!ec) fs::rename(tmp, seed, ec);  // another session may have been faster
    if (ec) fs::remove_all(tmp, ec);
}

pid_t launch(const Instance& in) {
    std::vector<std::string> args = {in.install.binary.string(),
                                     "--headless",
                                     "--invisible",
                                     "--nologo",
                                     "--norestore",
                                     "--nodefault",
                                     "--nolockcheck",
                                     "-env:UserInstallation=" + utf8(fileUrl(in.profile)),
                                     "--accept=pipe,name=" + in.pipe + ";urp;StarOffice.ComponentContext"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Child: only async-signal-safe calls until exec. The office ends with this program
    // even when the program is killed, and holds none of its files or connections.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(1);
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
    }
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) != 0)
        for (int fd = 3; fd < 4096; ++fd) ::close(fd);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

bool waitExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (true) {
        pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        if (r == pid || r < 0) return true;
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void stop(Instance& in) {
    if (in.desktop.is()) {
        try {
            in.desktop->terminate();
        } catch (const uno::Exception&) {
            // The bridge goes down with the office: expected here.
        }
        in.desktop.clear();
    }
    if (in.pid > 0) {
        if (!waitExit(in.pid, std::chrono::seconds(10))) {
            ::kill(in.pid, SIGTERM);
            if (!waitExit(in.pid, std::chrono::seconds(3))) {
                ::kill(in.pid, SIGKILL);
                ::waitpid(in.pid, nullptr, 0);
            }
        }
        in.pid = -1;
    }
    std::error_code ec;
    if (!in.profile.empty()) fs::remove_all(in.profile, ec);
    // A killed office leaves its pipe behind.
    fs::remove(fs::path("/tmp") / ("OSL_PIPE_" + std::to_string(::getuid()) + "_" + in.pipe), ec);
}

bool alive(const Instance& in) { return in.pid > 0 && ::waitpid(in.pid, nullptr, WNOHANG) == 0; }

uno::Reference<uno::XComponentContext> local(const Installation& in, std::string& why) {
    auto& ctx = localContext();
    if (ctx.is()) return ctx;
    rtl::Bootstrap::set(ou("URE_BOOTSTRAP"), ou("vnd.sun.star.pathname:" + (in.program / "fundamentalrc").string()));
    try {
        ctx = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const uno::Exception& e) {
        why = "UNO: " + utf8(e.Message);
    }
    return ctx;
}

bool start(Instance& in, std::string& why) {
    auto ctx = local(in.install, why);
    if (!ctx.is()) return false;
    uno::Reference<bridge::XUnoUrlResolver> resolver;
    try {
        resolver = bridge::UnoUrlResolver::create(ctx);
    } catch (const uno::Exception& e) {
        why = "UNO: " + utf8(e.Message);
        return false;
    }
    const rtl::OUString url = ou("uno:pipe,name=" + in.pipe + ";urp;StarOffice.ComponentContext");
    const auto t0 = Clock::now();
    int restarts = 0;
    in.pid = launch(in);
    if (in.pid < 0) {
        why = "fork failed";
        return false;
    }
    while (true) {
        try {
            uno::Reference<uno::XComponentContext> remote(resolver->resolve(url), uno::UNO_QUERY_THROW);
            in.desktop = frame::Desktop::create(remote);
            g_lastStart = std::chrono::duration<double>(Clock::now() - t0).count();
            return true;
        } catch (const connection::NoConnectException&) {
            // not listening yet
        } catch (const uno::Exception& e) {
            why = utf8(e.Message);  // listening, but not ready
        }
        int status = 0;
        if (::waitpid(in.pid, &status, WNOHANG) == in.pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == kRestartStatus && restarts++ < 2) {
                keepSeed(in);
                in.pid = launch(in);
                continue;
            }
            in.pid = -1;
            why = "the office ended while starting";
            return false;
        }
        if (Clock::now() - t0 > kStartTimeout) {
            why = "the office did not answer in time";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

std::string pipeName() {
    std::random_device rd;
    char buf[64];
    std::snprintf(buf, sizeof buf, "remu_word_%d_%08x", static_cast<int>(::getpid()), rd());
    return buf;
}

}  // namespace

std::optional<Installation> locateInstallation() {
    if (const char* forced = std::getenv("REMU_SOFFICE"); forced && *forced) return fromCommand(forced);
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest = path;
        while (!rest.empty()) {
            size_t colon = rest.find(':');
            fs::path dir(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
            if (dir.empty()) continue;
            for (const char* name : {"soffice", "libreoffice"}) {
                std::error_code ec;
                if (fs::exists(dir / name, ec))
                    if (auto i = fromCommand(dir / name)) return i;
            }
        }
    }
    for (const char* program : {"/usr/lib/libreoffice/program", "/usr/local/lib/libreoffice/program",
                                "/opt/libreoffice/program"})
        if (auto i = fromProgram(program)) return i;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/opt", ec))
        if (e.path().filename().string().rfind("libreoffice", 0) == 0)
            if (auto i = fromProgram(e.path() / "program")) return i;
    return std::nullopt;
}

uno::Reference<frame::XDesktop2> desktop(std::string& why) {
    std::lock_guard guard(lock());
    auto& cur = current();
    if (cur) {
        if (alive(*cur) && cur->desktop.is()) return cur->desktop;
        stop(*cur);
        cur.reset();
    }
    auto install = locateInstallation();
    if (!install) {
        why = "LibreOffice not found";
        return {};
    }
    // A write to the pipe of an office that has just died must fail, not kill the program.
    struct sigaction old {};
    if (::sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) ::signal(SIGPIPE, SIG_IGN);

    Instance in;
    in.install = *install;
    in.profile = newProfile(*install);
    if (in.profile.empty()) {
        why = "no room for the office profile";
        return {};
    }
    in.pipe = pipeName();
    if (!start(in, why)) {
        stop(in);
        return {};
    }
    static bool atExit = false;
    if (!atExit) {
        // Registered after the UNO runtime came up, so it runs before the runtime goes.
        std::atexit([] { shutdown(); });
        atExit = true;
    }
    cur = std::move(in);
    return cur->desktop;
}

void shutdown() {
    std::lock_guard guard(lock());
    auto& cur = current();
    if (!cur) return;
    stop(*cur);
    cur.reset();
}

double lastStartSeconds() { return g_lastStart; }

rtl::OUString ou(std::string_view s) {
    return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}

std::string utf8(const rtl::OUString& s) {
    rtl::OString o = rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8);
    return std::string(o.getStr(), static_cast<size_t>(o.getLength()));
}

rtl::OUString fileUrl(const fs::path& path) {
    std::error_code ec;
    fs::path abs = fs::absolute(path, ec).lexically_normal();
    rtl::OUString url;
    osl::FileBase::getFileURLFromSystemPath(ou(abs.string()), url);
    return url;
}

}  // namespace remu::office
