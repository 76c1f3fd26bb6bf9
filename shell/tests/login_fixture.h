#pragma once
// Two company databases of a client of our own on the private server, with the
// tables the login reads, and a scratch working directory for the local tables.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <vector>
#include <string>

#include "core/date.h"
#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "tests/support/test_db.h"

namespace remu::login_test {

struct Worker {
    const char* db;  // "alfa" or "beta"
    const char* code;
    const char* rut;
    const char* clave;
    int terminated;      // anomes_termino_per
    int lastMonth = 5;   // rows for months 01..lastMonth
};

// Today is 15 May 2019 for every test: year 2019, latest open month 05.
inline const Worker kWorkers[] = {
    {"alfa", "0002", "012345678-5", "DEMO01", 0},
    {"beta", "0009", "012345678-5", "BETA01", 0},
    {"beta", "0001", "007654321-6", "SUR001", 0},
    {"alfa", "0003", "011111111-1", "TERM01", 201903},
    {"alfa", "0004", "015555555-K", "MAYO01", 201905},
    {"alfa", "0005", "022222222-2", "ABRIL1", 0, 4},
    {"alfa", "0006", "012'45678-5", "QUOTE1", 0},
    {"alfa", "0007", "013131313-1", "CAMBIA", 0},
    {"alfa", "0008", "014141414-1", "CAMBIB", 0},
    {"alfa", "0010", "017171717-7", "", 0},  // blank password on record
};

class LoginDb : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        Clock::setToday(Date{2019, 5, 15});
        client_ = "LG" + testdb::uniqueTag();
        for (char& c : client_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        // Created in reverse name order: the search must go by name, not by age.
        for (const char* company : {"beta", "alfa"}) {
            auto db = testdb::ScratchDatabase::named(companyDb(company));
            std::string sql =
                "CREATE TABLE anos (ano VARCHAR(4) PRIMARY KEY);"
                "INSERT INTO anos VALUES ('2018'), ('2019');"
                "CREATE TABLE 2019_meses (mes VARCHAR(2) PRIMARY KEY);"
                "INSERT INTO 2019_meses VALUES ('01'),('02'),('03'),('04'),('05');"
                "CREATE TABLE 2019_datos_empresa (mes_datemp VARCHAR(2) PRIMARY KEY, id_cliente_cont_datemp VARCHAR(30));"
                "INSERT INTO 2019_datos_empresa VALUES ('04', 'OTRA_CONT'), ('05', '" + client_ + "_CONT');"
                "CREATE TABLE 2019_personal (mes_per VARCHAR(2), codigo_per VARCHAR(4), rut_per VARCHAR(11),"
                " clave_per VARCHAR(10), nombre_per VARCHAR(60), anomes_termino_per INT DEFAULT 0,"
                " PRIMARY KEY (mes_per, codigo_per));";
            for (const Worker& w : kWorkers) {
                if (std::string(w.db) != company) continue;
                for (int m = 1; m <= w.lastMonth; ++m)
                    sql += std::string("INSERT INTO 2019_personal VALUES ('0") + std::to_string(m) + "', '" + w.code +
                           "', '" + escaped(w.rut) + "', '" + w.clave + "', 'TRABAJADOR " + w.code + "', " +
                           std::to_string(w.terminated) + ");";
            }
            db->runSql(sql);
            databases().push_back(std::move(db));
        }
        // A company whose open year has no open month yet.
        auto gama = testdb::ScratchDatabase::named(companyDb("gama"));
        gama->runSql(
            "CREATE TABLE anos (ano VARCHAR(4));"
            "INSERT INTO anos VALUES ('2019');"
            "CREATE TABLE 2019_meses (mes VARCHAR(2));"
            "CREATE TABLE 2019_personal (mes_per VARCHAR(2), codigo_per VARCHAR(4), rut_per VARCHAR(11),"
            " clave_per VARCHAR(10), anomes_termino_per INT DEFAULT 0);"
            "INSERT INTO 2019_personal VALUES ('01', '0001', '016161616-1', 'GAMA01', 0);");
        databases().push_back(std::move(gama));
        // Same client identifier, but not a payroll database: never searched.
        databases().push_back(testdb::ScratchDatabase::named(lowerClient() + "_aaa"));
    }

    static void TearDownTestSuite() {
        databases().clear();
        Clock::setToday(std::nullopt);
    }

    static std::vector<std::unique_ptr<testdb::ScratchDatabase>>& databases() {
        static std::vector<std::unique_ptr<testdb::ScratchDatabase>> list;
        return list;
    }

protected:
    void SetUp() override {
        work_ = std::filesystem::temp_directory_path() / ("remu_login_" + std::to_string(::getpid()));
        std::filesystem::create_directories(work_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(work_);
        freshSession();
    }

    // A new session as start-up leaves it, pointing at the private server.
    void freshSession() {
        s = Session{};
        ui.clear();
        const auto server = testdb::serverParams();
        s.CHOST = server.host;
        s.CUSER = server.user;
        s.CPASSWORD = server.password;
        s.CNOM_HOST = "Servidor de pruebas";
        s.ID_CLIENTE = client_;
    }

    void TearDown() override {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(work_);
    }

    static std::string escaped(const std::string& t) {
        std::string out;
        for (char c : t) {
            if (c == '\'') out += '\'';
            out += c;
        }
        return out;
    }

    static std::string lowerClient() {
        std::string lower = client_;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }

    static std::string companyDb(const char* company) { return lowerClient() + "_remu_" + company; }

    static inline std::string client_;
    Session s;
    RecordingPort ui;
    std::filesystem::path work_, old_;
};

}  // namespace remu::login_test
