#pragma once
// A company with vacation periods on the test server: the company database (vacaciones,
// 2019 personnel and company data of August) and the client's parameter database with
// the holiday lists of 2019 and 2020 (2021 has no table). Today is 15/08/2019.

#include <fstream>
#include <iterator>
#include <string>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/connection.h"
#include "personnel/vacations.h"
#include "tests/support/test_db.h"

namespace remu::vactest {

inline std::string schema(const std::string& file, const std::string& year) {
    std::ifstream in(std::string(REMU_SOURCE_DIR) + "/schema/" + file);
    std::string sql{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (size_t at; (at = sql.find("@YEAR@")) != std::string::npos;) sql.replace(at, 6, year);
    return sql;
}

// The demo worker 0001 (12345678-5): contract 01/03/2017, working life from 10/05/2000,
// two periods taken. 0002 has no contract date; 0012 a period of another RUT under his code.
class VacationCompany {
public:
    VacationCompany() : company_("77_remu_"), client_("v" + testdb::uniqueTag()) {
        params_ = testdb::ScratchDatabase::named(client_ + "_remu");
        company_.runSql(schema("company.sql", "2019"));
        company_.runSql(schema("company_year.sql", "2019"));
        params_->runSql(schema("parametros_year.sql", "2019"));
        params_->runSql(schema("parametros_year.sql", "2020"));
        params_->runSql(
            "INSERT INTO 2019_parametros (mes_par, feriados_mes_par) VALUES ('01', '02'), ('08', '15'),"
            " ('09', '18-19'), ('12', '25');"
            "INSERT INTO 2020_parametros (mes_par, feriados_mes_par) VALUES ('01', '01')");
        company_.runSql(
            "INSERT INTO 2019_datos_empresa (mes_datemp, nombre_datemp, Rut_datemp, ciudad_datemp,"
            " dir_logotipo_datemp) VALUES ('08', 'COMERCIAL NORTE LIMITADA', '076543210-3', 'ANTOFAGASTA  ', '')");
        company_.runSql(
            "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombre_per, nombres_per, fecha_contrato_per,"
            " fecha_ini_lab_per, fecha_termino_per) VALUES"
            " ('08', '0001', '012345678-5', 'JUAN PEREZ SOTO', 'JUAN', '2017-03-01', '2000-05-10', NULL),"
            " ('08', '0002', '009876543-2', 'ANA ROJAS DIAZ', 'ANA', NULL, NULL, NULL),"
            " ('08', '0012', '011111111-1', 'LUIS MUNOZ VERA', 'LUIS', '2018-08-15', NULL, '2019-05-31'),"
            " ('07', '0003', '022222222-2', 'OTRO MES', 'OTRO', '2015-01-01', NULL, NULL)");
        company_.runSql(
            "INSERT INTO vacaciones (codigo_per_vac, rut_per_vac, nombre_per_vac, fecini_vac, fechas_vac, dias_vac,"
            " numcom_vac) VALUES"
            " ('0001', '012345678-5', 'JUAN', '2018-02-05', '2018-02-23', 15, ' '),"
            " ('0001', '012345678-5', 'JUAN', '2019-01-14', '2019-01-25', 10, ' '),"
            " ('0012', '099999999-9', 'ANTIGUO', '2016-03-01', '2016-03-04', 4, ' '),"
            " ('0012', '011111111-1', 'LUIS', '2019-02-04', '2019-02-08', 5, ' ')");
        Clock::setToday(Date{2019, 8, 15});
    }
    ~VacationCompany() { Clock::setToday(std::nullopt); }

    // A session on the company's August 2019.
    void bind(Session& s) const {
        s.OCON = company_.connect();
        s.period = Period::of(2019, 8);
        s.ID_CLIENTE = client_;
        s.CFERIADOS_MES = "15";
    }
    // The editing buffer of worker 0001 as the worker file holds it.
    static VacationBuffer juan() {
        VacationBuffer b;
        b.CRUT = "012345678-5";
        b.CCODIGO_PER = "0001";
        b.CNOMBRES = "JUAN                     ";
        b.CNOMBRE = "JUAN PEREZ SOTO";
        b.DFECHA_CONTRATO = Date{2017, 3, 1};
        b.DFECHA_INI_LAB = Date{2000, 5, 10};
        return b;
    }
    // Rows of vacaciones of a code, "dd/mm/yyyy-dd/mm/yyyy:days" in start order.
    std::vector<std::string> stored(const std::string& code) const {
        auto rs = company_.connect()->query(
            "SELECT fecini_vac, fechas_vac, dias_vac, rut_per_vac, nombre_per_vac, numcom_vac FROM vacaciones"
            " WHERE codigo_per_vac = '" + code + "' ORDER BY fecini_vac");
        std::vector<std::string> out;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            out.push_back(rs->Fields(0).text() + "-" + rs->Fields(1).text() + ":" + rs->Fields(2).text());
        return out;
    }
    const testdb::ScratchDatabase& company() const { return company_; }
    const std::string& client() const { return client_; }

private:
    testdb::ScratchDatabase company_;
    std::string client_;
    std::unique_ptr<testdb::ScratchDatabase> params_;
};

}  // namespace remu::vactest
