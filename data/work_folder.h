#pragma once
// One process at a time owns a working folder's work tables, for a whole run:
// the calculation that writes them and the output that reads them back. Two
// runs in one folder would otherwise empty or mix each other's slips. The
// owner holds a lock file ("REMU.LCK") in the folder; the desktop client and
// remu-cli take it alike. Within one process the lock is re-entrant, so an
// output may hold it around the engine, which takes it too. What the folder
// holds (markers, local tables, output folders) is core/work_folder.h's.

#include <string>

#include "core/work_folder.h"

namespace remu {

class UiPort;

class WorkFolderLock {
public:
    // Takes the folder, waiting while another process has it for at most
    // `waitSeconds` (negative: workFolderWait()). When it cannot be had, the
    // user is told which folder is busy and held() is false.
    static WorkFolderLock acquire(const std::string& dir, UiPort& ui, double waitSeconds = -1);
    // Takes the folder only when it is free at once; no message.
    static WorkFolderLock tryAcquire(const std::string& dir);

    WorkFolderLock() = default;
    WorkFolderLock(WorkFolderLock&& other) noexcept;
    WorkFolderLock& operator=(WorkFolderLock&& other) noexcept;
    WorkFolderLock(const WorkFolderLock&) = delete;
    WorkFolderLock& operator=(const WorkFolderLock&) = delete;
    ~WorkFolderLock();

    bool held() const { return !key_.empty(); }
    void release();

private:
    std::string key_;  // the folder's canonical path while held
};

// Seconds a run waits for a busy folder: 30, or REMU_WORKDIR_WAIT (0 stops at once).
double workFolderWait();

inline constexpr const char* kWorkFolderLockFile = "REMU.LCK";

}  // namespace remu
