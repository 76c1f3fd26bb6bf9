#pragma once
// A client of our own on the private server for the worker list: company
// <client>_remu_norte with months 01..03 of 2019 (January without workers), its
// parameter database <client>_remu with March and February, and a session pointing
// at them as an administration login leaves it.

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"
#include "tests/support/test_db.h"

namespace remu::list_test {

class ListDb : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        client_ = "PL" + testdb::uniqueTag();
        for (char& c : client_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        company_ = testdb::ScratchDatabase::named(lowerClient() + "_remu_norte").release();
        params_ = testdb::ScratchDatabase::named(lowerClient() + "_remu").release();
        company_->runSql(testdb::schemaSql("company.sql", "2019"));
        company_->runSql(testdb::schemaSql("company_year.sql", "2019"));
        params_->runSql(testdb::schemaSql("parametros_year.sql", "2019"));
        company_->runSql("INSERT INTO anos VALUES ('2019');"
                         "INSERT INTO 2019_meses (mes) VALUES ('01'), ('02'), ('03')");
        params_->runSql(
            "INSERT INTO 2019_parametros (mes_par, valor_uf_par, valor_utm_par, tope_imponible_par,"
            " ingreso_minimo_par, valor_usd, valor_euro, feriados_mes_par) VALUES"
            " ('03', 27565.76, 48353, 79.2, 288000, 667.5, 755.25, '  29 '),"
            " ('02', 27546.01, 48305, 79.1, 287000, 655.1, 744.9, '')");
    }
    static void TearDownTestSuite() {
        delete company_;
        delete params_;
    }

    static std::string lowerClient() {
        std::string lower = client_;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }

protected:
    void SetUp() override {
        company_->runSql(
            "DELETE FROM 2019_personal;"
            "INSERT INTO 2019_personal (mes_per, codigo_per, nombre_per, rut_per, cencosto_per) VALUES"
            " ('03', '0001', 'PEREZ SOTO JOSE', '012345678-5', 'VEN'),"
            " ('03', '0002', 'O''HIGGINS RIQUELME ANA', '024941365-8', 'ADM'),"
            " ('03', '0003', 'ZUÑIGA ARAYA MARIA', '014384983-K', 'VEN'),"
            " ('02', '0001', 'PEREZ SOTO JOSE', '012345678-5', 'VEN'),"
            " ('02', '0002', 'O''HIGGINS RIQUELME ANA', '024941365-8', 'ADM')");
        s = Session{};
        ui.clear();
        const auto server = testdb::serverParams();
        s.CHOST = server.host;
        s.CUSER = server.user;
        s.CPASSWORD = server.password;
        s.ID_CLIENTE = client_;
        s.CDATABASE = company_->name();
        s.ANO_PUBLICO = "2019";
        s.administration = true;
    }

    // Rows of the month on the server, by code.
    static std::string codesOnServer(const char* month) {
        auto rs = company_->connect()->query("SELECT codigo_per FROM 2019_personal WHERE mes_per = '" +
                                             std::string(month) + "' ORDER BY codigo_per");
        std::string out;
        for (; !rs->Eof(); rs->MoveNext()) out += (out.empty() ? "" : " ") + rs->Fields(0).text();
        return out;
    }

    static inline std::string client_;
    static inline testdb::ScratchDatabase* company_ = nullptr;
    static inline testdb::ScratchDatabase* params_ = nullptr;
    Session s;
    RecordingPort ui;
};

}  // namespace remu::list_test
