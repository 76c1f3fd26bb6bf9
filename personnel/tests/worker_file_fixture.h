#pragma once
// A company for the worker file on the test server: August 2019 with three workers
// (0001, 0002, 0041; 0007 only in July), the client's parameter database with banks,
// worker types, AFP (two funds, "00" and an IPS regime) and ISAPRE tables, and an
// accounting database with cost centres. Today is 15/08/2019.

#include <memory>
#include <string>
#include <vector>

#include "core/session.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "personnel/tests/vacation_fixture.h"
#include "tests/support/test_db.h"

namespace remu::wftest {

class WorkerCompany {
public:
    WorkerCompany() : company_("77_remu_"), client_("w" + testdb::uniqueTag()) {
        params_ = testdb::ScratchDatabase::named(client_ + "_remu");
        accounts_ = testdb::ScratchDatabase::named(client_ + "_cont");
        company_.runSql(vactest::schema("company.sql", "2019"));
        company_.runSql(vactest::schema("company_year.sql", "2019"));
        params_->runSql(vactest::schema("parametros.sql", "2019"));
        params_->runSql(vactest::schema("parametros_year.sql", "2019"));
        accounts_->runSql(vactest::schema("contabilidad_year.sql", "2019"));
        params_->runSql(
            "INSERT INTO bancos VALUES ('001', 'BANCO DE CHILE'), ('012', 'BANCO ESTADO');"
            "INSERT INTO tipo_trabajador VALUES ('0', 'ACTIVO'), ('2', 'PENSIONADO SIN COTIZAR');"
            "INSERT INTO 2019_afp (codigo_afp, nombre_afp, ips, mes_08) VALUES ('00', 'NO ESTA EN AFP', 0, 0),"
            " ('03', 'CUPRUM', 0, 11.44), ('05', 'HABITAT', 0, 11.27), ('21', 'EMPART', 1, 18.84);"
            "INSERT INTO 2019_isapre (codigo_isa, nombre_isa) VALUES ('00', 'SIN ISAPRE'), ('07', 'FONASA'),"
            " ('12', 'BANMEDICA');"
            "INSERT INTO 2019_parametros (mes_par, valor_uf_par, valor_utm_par, tope_imponible_par,"
            " ingreso_minimo_par, valor_usd, valor_euro) VALUES ('08', 27953.42, 49033, 79.3, 301000, 700.5, 780.25)");
        accounts_->runSql("INSERT INTO 2019_centrocosto VALUES ('0010', 'ADMINISTRACION'), ('0020', 'VENTAS')");
        company_.runSql(
            "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombre_per, nombres_per, apepat_per,"
            " apemat_per, codigo_afp_per, codigo_isa_per, codigo_banco_per, cencosto_per, tipo_trabajador_per,"
            " moneda_sueldo_per, moneda_sueldo_valor_per, sueldo_base_per, clave_per, fecha_contrato_per,"
            " tipo_jornada_per, forma_pago_sueldo_per, pactado_isapre_per, sis_per) VALUES"
            " ('08', '0001', '012345678-5', 'JUAN PEREZ SOTO', 'JUAN', 'PEREZ', 'SOTO', '03', '12', '001', '0010', '0',"
            "  1, 0, 850000, 'ABC123', '2017-03-01', 'Completa', 3, 1, 1),"
            " ('08', '0002', '009876543-3', 'ANA ROJAS DIAZ', 'ANA', 'ROJAS', 'DIAZ', '00', '07', '', '', '0',"
            "  4, 0, 1, 'XYZ789', NULL, 'Parcial', 1, 1, 0),"
            " ('08', '0041', '011111111-1', 'LUIS MUNOZ VERA', 'LUIS', 'MUNOZ', 'VERA', '05', '12', '', '', '0',"
            "  2, 30.5, 0, '', '2018-01-02', 'Completa', 1, 2, 1),"
            " ('07', '0007', '022222222-2', 'OTRO MES', 'OTRO', 'MES', '', '03', '12', '', '', '0', 1, 0, 1, '',"
            "  NULL, 'Completa', 1, 1, 1)");
        Clock::setToday(Date{2019, 8, 15});
    }
    ~WorkerCompany() { Clock::setToday(std::nullopt); }

    // An administration session on August 2019 with the month's values.
    void bind(Session& s) const {
        s.OCON = company_.connect();
        s.period = Period::of(2019, 8);
        s.ANO_PUBLICO = "2019";
        s.ID_CLIENTE = client_;
        s.CID_CLIENTE_CONT = client_ + "_cont";
        s.VALOUF = 27953.42;
        s.VALUTM = 49033;
        s.TOPIMP = 79.3;
        s.INGMIN = 301000;
        s.VALUSD = 700.5;
        s.VALEURO = 780.25;
        s.CFERIADOS_MES = "15";
    }
    // The month's row set as the worker list loads it (ORS), on its first row.
    // Each on a connection of its own, as two clerks' lists would be.
    std::unique_ptr<Recordset> month() {
        connections_.push_back(company_.connect());
        auto rs = connections_.back()->query("SELECT * FROM 2019_personal where mes_per = 08 order by codigo_per");
        rs->MoveFirst();
        return rs;
    }
    // One column of a worker's August row, as text ("NULL" for a null).
    std::string column(const std::string& code, const std::string& col) const {
        auto rs = company_.connect()->query("SELECT IFNULL(" + col + ", 'NULL') FROM 2019_personal WHERE mes_per = '08'"
                                            " AND codigo_per = '" + code + "'");
        return rs->Eof() ? "<none>" : rs->Fields(0).text();
    }
    long count(const std::string& where) const {
        auto rs = company_.connect()->query("SELECT COUNT(*) FROM 2019_personal WHERE " + where);
        return static_cast<long>(rs->Fields(0).number());
    }
    const testdb::ScratchDatabase& company() const { return company_; }
    const std::string& client() const { return client_; }

private:
    testdb::ScratchDatabase company_;
    std::string client_;
    std::unique_ptr<testdb::ScratchDatabase> params_, accounts_;
    std::vector<std::shared_ptr<Connection>> connections_;  // the row sets' own
};

// Moves a row set to the worker with this code.
inline void moveTo(Recordset& rs, const std::string& code) {
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        if (rs.Fields("codigo_per").text() == code) return;
}

}  // namespace remu::wftest
