#include "data/work_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "core/ui_port.h"
#include "data/work_tables.h"

namespace remu {

namespace {

struct Held {
    int fd = -1;
    int count = 0;
};

std::mutex g_mutex;
std::map<std::string, Held> g_held;  // folders this process owns

std::string keyOf(const std::string& dir) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(dir.empty() ? "." : dir, ec), ec);
    return p.string();
}

// Who has the folder, as its lock file says ("pid program").
std::string holderOf(int fd) {
    char buf[128] = {};
    ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
    std::string text = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string programName() {
    char buf[256];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "remu";
    std::string path(buf, static_cast<size_t>(n));
    return path.substr(path.find_last_of('/') + 1);
}

// One attempt; the descriptor when the lock was taken, -1 when busy, -2 when the file cannot be made.
int attempt(const std::string& key) {
    const std::string path = key + "/" + kWorkFolderLockFile;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -2;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return errno == EWOULDBLOCK ? -1 : -2;
    }
    const std::string me = std::to_string(static_cast<long>(::getpid())) + " " + programName() + "\n";
    if (ftruncate(fd, 0) == 0) (void)!pwrite(fd, me.data(), me.size(), 0);
    return fd;
}

}  // namespace

double workFolderWait() {
    if (const char* v = std::getenv("REMU_WORKDIR_WAIT"); v && *v) {
        char* end = nullptr;
        double s = std::strtod(v, &end);
        if (end && *end == '\0' && s >= 0) return s;
    }
    return 30;
}

WorkFolderLock::WorkFolderLock(WorkFolderLock&& other) noexcept : key_(std::move(other.key_)) { other.key_.clear(); }

WorkFolderLock& WorkFolderLock::operator=(WorkFolderLock&& other) noexcept {
    if (this != &other) {
        release();
        key_ = std::move(other.key_);
        other.key_.clear();
    }
    return *this;
}

WorkFolderLock::~WorkFolderLock() { release(); }

void WorkFolderLock::release() {
    if (key_.empty()) return;
    std::lock_guard lock(g_mutex);
    auto it = g_held.find(key_);
    if (it != g_held.end() && --it->second.count == 0) {
        ::close(it->second.fd);  // closing the descriptor lets the lock go
        g_held.erase(it);
    }
    key_.clear();
}

WorkFolderLock WorkFolderLock::tryAcquire(const std::string& dir) {
    const std::string key = keyOf(dir);
    std::lock_guard lock(g_mutex);
    WorkFolderLock l;
    if (auto it = g_held.find(key); it != g_held.end()) {
        ++it->second.count;
        l.key_ = key;
        return l;
    }
    int fd = attempt(key);
    if (fd == -1) return l;
    if (fd >= 0) {
        g_held[key] = Held{fd, 1};
        removeStaleWorkTableDrafts(key);
    } else {
        // A folder where no lock file can be made (read-only) cannot be shared safely
        // either; the tables themselves will refuse what cannot be done.
        g_held[key] = Held{-1, 1};
    }
    l.key_ = key;
    return l;
}

WorkFolderLock WorkFolderLock::acquire(const std::string& dir, UiPort& ui, double waitSeconds) {
    if (waitSeconds < 0) waitSeconds = workFolderWait();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    const std::string key = keyOf(dir);
    bool told = false;
    std::string holder;
    for (;;) {
        WorkFolderLock l = tryAcquire(dir);
        if (l.held()) return l;
        if (int fd = ::open((key + "/" + kWorkFolderLockFile).c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
            holder = holderOf(fd);
            ::close(fd);
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (!told) {
            ui.progress("Esperando la carpeta de trabajo, en uso por otro proceso ..");
            told = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ui.stop("Las tablas de trabajo de la carpeta " + key + " están en uso por otro proceso" +
                (holder.empty() ? std::string() : " (" + holder + ")") +
                ".\r\nIntente nuevamente cuando ese proceso termine.",
            "Alerta");
    return {};
}

}  // namespace remu
