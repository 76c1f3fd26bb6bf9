#pragma once
// Program start: local tables, session state, single instance, run conventions,
// then the worker login and the main window, which the desktop client hands in.
// remu-cli runs the same start without them.

#include <functional>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"

namespace remu {

struct StartupOptions {
    std::string workDir = ".";  // folder of the local tables
    std::string programName;    // names the single-instance lock; empty: the executable's file name
    std::string lockDir;        // empty: $XDG_RUNTIME_DIR, else the temporary folder
};

struct StartupHooks {
    std::function<bool(Session&, UiPort&)> login;       // LOGIN_USUARIO: true when a worker was identified
    std::function<void(Session&, UiPort&)> mainWindow;  // MAIN: returns when the main window has closed
};

enum class StartupOutcome {
    Ready,           // start done and no login given: the caller carries on (remu-cli)
    SecondInstance,  // the program is already running here; the user was told
    Failed,          // the local tables could not be prepared; the user was told
    LoginRefused,    // the login gave up
    Finished,        // the main window closed
};

// The program's entry operation. Every outcome but Ready means the program ends.
StartupOutcome INICIO(Session& s, UiPort& ui, const StartupHooks& hooks = {}, const StartupOptions& options = {});

// The pieces of the start, in the order INICIO runs them.

// Takes the process-wide single-instance lock; false when another process holds it.
// A lock file that cannot be made at all does not stop the program.
bool acquireInstanceLock(const std::string& programName, const std::string& lockDir = {});
// Lets the lock go (orderly exit, tests).
void releaseInstanceLock();
// File name, without folder, of the running executable.
std::string executableName();

// CONEXION when missing, and the three work tables re-created empty (a table
// open elsewhere is left as it is). False after telling the user what failed.
bool prepareLocalTables(UiPort& ui, const std::string& dir = ".");
// Connection record into CHOST, CNOM_HOST, CUSER, CPASSWORD and ID_CLIENTE.
bool loadConnectionRecord(Session& s, UiPort& ui, const std::string& dir = ".");
// The remaining session values with their initial contents.
void initialSessionValues(Session& s);
// Enough file handles for the run (never lowers the limit).
void applyRunConventions();

}  // namespace remu
