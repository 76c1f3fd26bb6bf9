#pragma once
// What the benchmark programs share: their options, the server of scripts/bench
// (REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD), timing, and a sheet that notes
// when it is made and shown.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/session.h"
#include "core/ui_port.h"
#include "office/xlsx_sheet.h"

namespace remu::bench {

inline std::string arg(int argc, char** argv, const std::string& name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == "--" + name) return argv[i + 1];
    return fallback;
}

inline std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

inline double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The session's server from the environment scripts/bench sets; false (after saying so) without one.
inline bool serverFromEnvironment(Session& s, const char* program) {
    if (env("REMU_DB_HOST").empty()) {
        std::fprintf(stderr, "%s: REMU_DB_HOST no está definido (use scripts/bench)\n", program);
        return false;
    }
    s.CHOST = env("REMU_DB_HOST");
    s.CUSER = env("REMU_DB_USER");
    s.CPASSWORD = env("REMU_DB_PASSWORD");
    return true;
}

// The console's port without progress and without "Archivo listo" after every run.
struct BenchPort : ConsolePort {
    BenchPort() : ConsolePort(false, true) {}
    void openFile(const std::string&) override {}
};

// When a sheet was made (its sources read) and shown (filled), and how long its file took.
struct Clocked {
    std::chrono::steady_clock::time_point made, shown;
    double write = 0;
};
class ClockedSheet : public XlsxSheet {
public:
    ClockedSheet(SheetDestination d, Clocked& c) : XlsxSheet(std::move(d)), c_(c) {
        c_.made = std::chrono::steady_clock::now();
    }
    bool show(UiPort& ui) override {
        c_.shown = std::chrono::steady_clock::now();
        bool ok = XlsxSheet::show(ui);
        c_.write = seconds(c_.shown);
        return ok;
    }

private:
    Clocked& c_;
};

}  // namespace remu::bench
