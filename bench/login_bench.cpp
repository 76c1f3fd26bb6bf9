// Times the worker login's search for his company across many company databases of
// one client, straight to the server and through a proxy that holds every packet a
// moment in each direction, as a network between the office and the server does.
// Counts what crosses the proxy: connections, and packets each way (about one round
// trip per packet the client sends).
//
//   login_bench [--bases 50] [--retardo-ms 1] [--veces 5] [--trabajadores 200]
// Server from REMU_DB_HOST, REMU_DB_USER, REMU_DB_PASSWORD (scripts/dbserver's env file).
// The databases are made for the benchmark and dropped at its end; the worker is in
// the last of them by name, so that every one is asked.
//
// The same source builds against an older checkout (login_bench_base, see login.cmake),
// so it uses only what the login has always offered.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "core/date.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "shell/login.h"

using namespace remu;

namespace {

using bench::arg;
using bench::env;
using bench::median;

// Forwards every connection made to it to the server, holding each chunk of bytes
// `delay` before passing it on, in both directions.
class DelayingProxy {
public:
    DelayingProxy(std::string host, int port, std::chrono::microseconds delay)
        : host_(std::move(host)), port_(port), delay_(delay) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 64) != 0) {
            std::perror("login_bench: proxy");
            std::exit(1);
        }
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        ownPort_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~DelayingProxy() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        acceptor_.join();
        for (std::thread& t : pumps_) t.join();
    }
    int port() const { return ownPort_; }
    void resetCounts() { connections_ = 0, up_ = 0, down_ = 0; }
    long connections() const { return connections_; }
    long packetsUp() const { return up_; }
    long packetsDown() const { return down_; }

private:
    void acceptLoop() {
        for (;;) {
            int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            if (stopping_) {
                ::close(client);
                return;
            }
            int server = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port_));
            ::inet_pton(AF_INET, host_.c_str(), &a.sin_addr);
            if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                ::close(client);
                ::close(server);
                continue;
            }
            int one = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ++connections_;
            pumps_.emplace_back([this, client, server] { pump(client, server, up_); });
            pumps_.emplace_back([this, client, server] { pump(server, client, down_); });
        }
    }
    void pump(int from, int to, std::atomic<long>& packets) {
        std::vector<char> buf(1 << 16);
        for (;;) {
            ssize_t n = ::read(from, buf.data(), buf.size());
            if (n <= 0) break;
            ++packets;
            std::this_thread::sleep_for(delay_);
            for (ssize_t sent = 0; sent < n;) {
                ssize_t w = ::write(to, buf.data() + sent, static_cast<size_t>(n - sent));
                if (w <= 0) break;
                sent += w;
            }
        }
        ::shutdown(to, SHUT_WR);
        ::shutdown(from, SHUT_RD);
    }

    std::string host_;
    int port_ = 0, ownPort_ = 0, listener_ = -1;
    std::chrono::microseconds delay_;
    std::atomic<bool> stopping_{false};
    std::atomic<long> connections_{0}, up_{0}, down_{0};
    std::thread acceptor_;
    std::vector<std::thread> pumps_;
};

struct QuietPort : ConsolePort {
    QuietPort() : ConsolePort(false, true) {}
};

}  // namespace

int main(int argc, char** argv) {
    const int bases = std::max(1, std::atoi(arg(argc, argv, "bases", "50").c_str()));
    const int delayMs = std::max(0, std::atoi(arg(argc, argv, "retardo-ms", "1").c_str()));
    const int times = std::max(1, std::atoi(arg(argc, argv, "veces", "5").c_str()));
    const int workers = std::max(1, std::atoi(arg(argc, argv, "trabajadores", "200").c_str()));
    if (env("REMU_DB_HOST").empty()) {
        std::fprintf(stderr, "login_bench: REMU_DB_HOST no est\xC3\xA1 definido (use scripts/bench)\n");
        return 2;
    }
    ConnectionParams root;
    root.host = env("REMU_DB_HOST");
    root.user = env("REMU_DB_USER");
    root.password = env("REMU_DB_PASSWORD");
    const std::string host = root.host.substr(0, root.host.find(':'));
    const int port = root.host.find(':') == std::string::npos ? 3306 : std::atoi(root.host.substr(root.host.find(':') + 1).c_str());

    // The login takes today's year: the tables are of 2019 and today is in May of it.
    Clock::setToday(Date{2019, 5, 15});
    const std::string client = "LOGINB" + std::to_string(::getpid());
    std::string lower = client;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<std::string> names;
    auto admin = Connection::open(root);
    for (int i = 1; i <= bases; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "%s_remu_e%03d", lower.c_str(), i);
        names.push_back(name);
        const std::string db = std::string("`") + name + "`";
        std::string rows;
        for (int w = 1; w <= workers; ++w)
            for (int m = 1; m <= 5; ++m) {
                char row[160];
                // The worker the login looks for is only in the last company.
                const bool him = i == bases && w == workers;
                std::snprintf(row, sizeof row, "%s('%02d', '%04d', '%s', 'CLAVE1', 'TRABAJADOR %d', 0)",
                              rows.empty() ? "" : ", ", m, w, him ? "012345678-5" : ("0" + std::to_string(20000000 + i * 1000 + w) + "-1").c_str(), w);
                rows += row;
            }
        admin->execute("CREATE DATABASE " + db);
        admin->execute("CREATE TABLE " + db + ".anos (ano VARCHAR(4) PRIMARY KEY)");
        admin->execute("INSERT INTO " + db + ".anos VALUES ('2018'), ('2019')");
        admin->execute("CREATE TABLE " + db + ".`2019_meses` (mes VARCHAR(2) PRIMARY KEY)");
        admin->execute("INSERT INTO " + db + ".`2019_meses` VALUES ('01'),('02'),('03'),('04'),('05')");
        admin->execute("CREATE TABLE " + db + ".`2019_datos_empresa` (mes_datemp VARCHAR(2) PRIMARY KEY, "
                                               "id_cliente_cont_datemp VARCHAR(30))");
        admin->execute("INSERT INTO " + db + ".`2019_datos_empresa` VALUES ('05', '" + client + "_CONT')");
        admin->execute("CREATE TABLE " + db + ".`2019_personal` (mes_per VARCHAR(2), codigo_per VARCHAR(4), "
                                               "rut_per VARCHAR(11), clave_per VARCHAR(10), nombre_per VARCHAR(60), "
                                               "anomes_termino_per INT DEFAULT 0, PRIMARY KEY (mes_per, codigo_per))");
        admin->execute("INSERT INTO " + db + ".`2019_personal` VALUES " + rows);
    }

    namespace fs = std::filesystem;
    const fs::path work = fs::temp_directory_path() / ("remu_login_bench_" + std::to_string(::getpid()));
    fs::create_directories(work);
    const fs::path before = fs::current_path();
    fs::current_path(work);  // BASES.DBF lives in the working directory

    QuietPort ui;
    auto login = [&](const std::string& server) {
        Session s;
        s.CHOST = server;
        s.CUSER = root.user;
        s.CPASSWORD = root.password;
        s.ID_CLIENTE = client;
        s.CRUT_CONEXION_TRABAJADOR = "012345678-5";
        const auto t = std::chrono::steady_clock::now();
        const bool ok = BUSCA_RUT(s, ui);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
        if (!ok || s.CDATABASE != names.back()) {
            std::fprintf(stderr, "login_bench: el trabajador no se encontr\xC3\xB3 en %s\n", names.back().c_str());
            std::exit(1);
        }
        return ms;
    };

    std::vector<double> direct, delayed;
    long connections = 0, up = 0, down = 0;
    {
        DelayingProxy proxy(host, port, std::chrono::milliseconds(delayMs));
        const std::string through = "127.0.0.1:" + std::to_string(proxy.port());
        login(through);  // the first one warms the server's caches
        for (int i = 0; i < times; ++i) {
            direct.push_back(login(root.host));
            proxy.resetCounts();
            delayed.push_back(login(through));
            connections = proxy.connections(), up = proxy.packetsUp(), down = proxy.packetsDown();
        }
    }
    std::printf("login: %d company databases of %d workers each, worker in the last one, median of %d\n", bases,
                workers, times);
    std::printf("  straight to the server        %8.1f ms\n", median(direct));
    std::printf("  through a proxy, %d ms each way %8.1f ms  (%ld connections, %ld packets up, %ld down)\n", delayMs,
                median(delayed), connections, up, down);

    fs::current_path(before);
    std::error_code ec;
    fs::remove_all(work, ec);
    for (const std::string& n : names) admin->execute("DROP DATABASE `" + n + "`");
    Clock::setToday(std::nullopt);
    return 0;
}
