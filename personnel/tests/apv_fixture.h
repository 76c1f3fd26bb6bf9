#pragma once
// A company with savings plans on the test server: 2019 personnel and plans of August
// and July, and the client's parameter database with the APV institutions.

#include <string>
#include <vector>

#include "core/session.h"
#include "data/connection.h"
#include "tests/support/test_db.h"

namespace remu::apvtest {

class ApvCompany {
public:
    ApvCompany() : company_("77_remu_"), client_("a" + testdb::uniqueTag()) {
        params_ = testdb::ScratchDatabase::named(client_ + "_remu");
        params_->runSql(testdb::schemaSql("parametros.sql", "2019"));
        params_->runSql(
            "INSERT INTO instituciones_apv VALUES ('003', 'AFP Cuprum'), ('005', 'AFP Habitat'),"
            " ('101', 'Banco Estado APV'), ('202', 'Compañía de Seguros O''Higgins')");
        company_.runSql(testdb::schemaSql("company.sql", "2019"));
        company_.runSql(testdb::schemaSql("company_year.sql", "2019"));
        company_.runSql(
            "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombre_per, nombres_per) VALUES"
            " ('08', '0001', '012345678-5', 'JUAN PEREZ SOTO', 'JUAN'),"
            " ('08', '0002', '009876543-2', 'ANA ROJAS DIAZ', 'ANA')");
        company_.runSql(
            "INSERT INTO 2019_apv (mes_apv, codper_apv, nomper_apv, codigo_inst_apv, nominst_apv, valor_apv,"
            " formula_apv, rebaja_tributable, desactivado) VALUES"
            " ('08', '0001', 'JUAN PEREZ SOTO', '005', 'AFP Habitat', 50000, '', 1, 0),"
            " ('08', '0001', 'JUAN PEREZ SOTO', '101', 'Banco Estado APV', 1.5, 'VALOR*VALOUF', 0, 0),"
            " ('07', '0001', 'JUAN PEREZ SOTO', '003', 'AFP Cuprum', 30000, '', 1, 1)");
    }

    // A session of the administration on August 2019.
    void bind(Session& s) const {
        s.OCON = company_.connect();
        s.period = Period::of(2019, 8);
        s.ID_CLIENTE = client_;
    }
    // The plans of a worker and month as "code|name|value|formula|taxable|off|worker name", in id order.
    std::vector<std::string> stored(const std::string& month, const std::string& code) const {
        auto rs = company_.connect()->query(
            "SELECT codigo_inst_apv, nominst_apv, valor_apv, formula_apv, rebaja_tributable, desactivado,"
            " nomper_apv FROM 2019_apv WHERE mes_apv = '" + month + "' AND codper_apv = '" + code + "' ORDER BY id");
        std::vector<std::string> out;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            std::string line;
            for (int i = 0; i < rs->FieldCount(); ++i) line += (i ? "|" : "") + rs->Fields(i).text();
            out.push_back(line);
        }
        return out;
    }
    const testdb::ScratchDatabase& company() const { return company_; }
    const std::string& client() const { return client_; }

private:
    testdb::ScratchDatabase company_;
    std::string client_;
    std::unique_ptr<testdb::ScratchDatabase> params_;
};

}  // namespace remu::apvtest
