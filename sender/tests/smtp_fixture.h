#pragma once
// Starts the loopback SMTP test server (smtp_server.py) in a private folder and
// stops it when it goes out of scope. Messages land in folder() as N.eml, N.info, ...

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace remu::test {

class SmtpServer {
public:
    explicit SmtpServer(std::vector<std::string> extraArgs = {}) {
        char tmpl[] = "/tmp/remu_smtp_XXXXXX";
        dir_ = mkdtemp(tmpl);
        std::string portFile = (dir_ / "port").string();
        std::filesystem::create_directories(dir_ / "mail");
        std::vector<std::string> args = {"python3", std::string(REMU_SOURCE_DIR) + "/sender/tests/smtp_server.py",
                                         "--dir", (dir_ / "mail").string(), "--port-file", portFile};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "python3", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
        // Wait for the server to publish its port (it writes the file once listening).
        for (int i = 0; pid_ && i < 400 && !std::filesystem::exists(portFile); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        std::ifstream(portFile) >> port_;
    }
    ~SmtpServer() {
        if (pid_) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    int port() const { return port_; }
    std::filesystem::path folder() const { return dir_ / "mail"; }

    // Number of complete messages received so far.
    int messages() const {
        int n = 0;
        while (std::filesystem::exists(folder() / (std::to_string(n + 1) + ".info"))) ++n;
        return n;
    }
    std::string read(int n, const std::string& ext) const {
        std::ifstream in(folder() / (std::to_string(n) + ext), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The "key: value" lines of N.info.
    std::map<std::string, std::string> info(int n) const {
        std::map<std::string, std::string> m;
        std::ifstream in(folder() / (std::to_string(n) + ".info"));
        std::string line;
        while (std::getline(in, line)) {
            auto colon = line.find(": ");
            if (colon != std::string::npos) m[line.substr(0, colon)] = line.substr(colon + 2);
        }
        return m;
    }

private:
    std::filesystem::path dir_;
    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace remu::test
