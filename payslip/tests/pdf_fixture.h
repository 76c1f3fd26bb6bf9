#pragma once
// A month on the private server for the PDF slip and mailing tests: company,
// parameter and accounting databases for 2019-03 with three workers, their
// REMUMES lines, and a working directory with logo and signature JPEGs.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/session.h"
#include "data/work_tables.h"
#include "payslip/mail_queue.h"
#include "pdf/tests/tiny_jpeg.h"
#include "tests/support/test_db.h"

namespace remu::test {

inline std::string slurpFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::pair<int, std::string> shell(const std::string& cmd) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    int rc = pclose(p);
    return {WEXITSTATUS(rc), out};
}

inline std::string withYear(const std::string& file) {
    std::string sql = slurpFile(std::string(REMU_SOURCE_DIR) + "/schema/" + file);
    for (size_t at; (at = sql.find("@YEAR@")) != std::string::npos;) sql.replace(at, 6, "2019");
    return sql;
}

inline PaySlipLine line(const std::string& code, const std::string& name, const std::string& habdes, int tipo,
                        int imponi, const std::string& descri, double valfin, const std::string& titulo = {},
                        int secuen = 5) {
    PaySlipLine l;
    l.MES_REM = "03";
    l.PERSON_REM = code;
    l.APENOM_REM = name;
    l.NOMBRE_REM = name;
    l.HABDES_REM = habdes;
    l.TIPO_REM = tipo;
    l.IMPONI_REM = imponi;
    l.DESCRI_REM = descri;
    l.VALFIN_REM = valfin;
    l.TITULO_REM = titulo.empty() ? descri : titulo;
    l.SECUEN_REM = secuen;
    l.CENCOS_REM = "CC01";
    return l;
}

// The lines of one worker, as the engine leaves them.
inline std::vector<PaySlipLine> workerLines(const std::string& code, const std::string& name, double salary) {
    double afp = 50000, isapre = 35000;
    return {
        line(code, name, "998", 1, 1, "DIAS TRABAJADOS", 30, {}, 2),
        line(code, name, "SUE", 1, 1, "SUELDO DEL MES", salary, {}, 3),
        line(code, name, "TIM", 1, 1, "TOTAL IMPONIBLE", salary, {}, 30),
        line(code, name, "BIM", 1, 1, "BASE IMPONIBLE", salary, {}, 29),
        line(code, name, "COL", 1, 2, "COLACION", 0, {}, 5),
        line(code, name, "MOV", 1, 2, "MOVILIZACION", 20000, {}, 5),
        line(code, name, "NIM", 1, 2, "TOTAL NO IMPONIBLE", 20000, {}, 20),
        line(code, name, "THA", 1, 2, "TOTAL HABERES", salary + 20000, {}, 35),
        line(code, name, "08", 2, 0, "PROVIDA 11.45 %", afp, "AFP", 1),
        line(code, name, "12", 2, 0, "BANMEDICA", isapre, "ISAPRE", 2),
        line(code, name, "CCA", 2, 0, "CCAF LOS ANDES 0.6%", 0, "CCAF COTIZ", 5),
        line(code, name, "TDE", 2, 2, "TOTAL DESCUENTOS", afp + isapre, {}, 5),
        line(code, name, "ALQ", 2, 2, "ALCANCE LIQUIDO", salary + 20000 - afp - isapre, {}, 35),
        line(code, name, "SCE", 5, 0, "SEGURO CESANTIA EMPLEADOR", 12000, "APORTE CESANTIA EMPL", 0),
        line(code, name, "MUT", 5, 0, "MUTUAL 0.93", 4650, "MUT % 0.93", 0),
        line(code, name, "SIS", 5, 0, "SEGURO INV.SOBREV.", 7650, "SIS", 0),
    };
}

struct SlipMonth {
    std::unique_ptr<testdb::ScratchDatabase> company, params, cont;
    std::string client;
    std::filesystem::path dir;
    Session s;
    std::vector<PaySlipLine> remumes;

    SlipMonth() {
        company = std::make_unique<testdb::ScratchDatabase>("77_remu_");
        client = "c" + testdb::uniqueTag();
        params = testdb::ScratchDatabase::named(client + "_remu");
        cont = std::make_unique<testdb::ScratchDatabase>("cont_");
        company->runSql(withYear("company_year.sql"));
        params->runSql(withYear("parametros_year.sql"));
        cont->runSql(withYear("contabilidad_year.sql"));

        char tmpl[] = "/tmp/remu_slip_XXXXXX";
        dir = mkdtemp(tmpl);
        std::ofstream(dir / "logo.jpg", std::ios::binary) << tinyJpeg();
        std::ofstream(dir / "firma.jpg", std::ios::binary) << tinyJpeg();

        company->runSql(
            "INSERT INTO 2019_datos_empresa (mes_datemp, nombre_datemp, Rut_datemp, direccion_datemp, comuna_datemp,"
            " ciudad_datemp, dir_logotipo_datemp_jpg, dir_firma_datemp_jpg) VALUES ('03', 'Comercial Ñandú Ltda.',"
            " '76.123.456-7', 'Av. Los Leones 123', 'Providencia', 'SANTIAGO', '" + (dir / "logo.jpg").string() +
            "', '" + (dir / "firma.jpg").string() + "')");
        params->runSql(
            "INSERT INTO 2019_parametros (mes_par, valor_utm_par, valor_uf_par, tope_imponible_par,"
            " tope_imponible_cesantia_par) VALUES ('03', 48353, 27565.76, 79.2, 118.9)");
        cont->runSql("INSERT INTO 2019_centrocosto (codigo_cc, nombre_cc) VALUES ('CC01', 'ADMINISTRACIÓN')");
        addWorker("0001", "012345678-9", "PÉREZ", "SOTO", "JOSÉ IGNACIO", "jose@correo.cl", 600000);
        addWorker("0002", "009876543-2", "O'HIGGINS", "RIQUELME", "BERNARDO", "bernardo@correo.cl", 700000);
        addWorker("0003", "011111111-1", "ZÚÑIGA", "ARAYA", "MARÍA", "", 450000);

        s.period = Period::of(2019, 3);
        s.ID_CLIENTE = client;
        s.CID_CLIENTE_CONT = cont->name();
        s.DFECHA = Date{2019, 3, 5};
        s.OCON = company->connect();
    }
    ~SlipMonth() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void addWorker(const std::string& code, const std::string& rut, const std::string& apepat,
                   const std::string& apemat, const std::string& nombres, const std::string& correo, double salary) {
        auto q = [](const std::string& v) {
            std::string out = "'";
            for (char c : v) out += c == '\'' ? std::string("''") : std::string(1, c);
            return out + "'";
        };
        std::string full = apepat + " " + apemat + " " + nombres;
        company->runSql(
            "INSERT INTO 2019_personal (mes_per, codigo_per, rut_per, nombre_per, nombres_per, apepat_per,"
            " apemat_per, cargo_per, cencosto_per, correo_per, sueldo_base_per, moneda_sueldo_per,"
            " fecha_contrato_per, valor_pactado_per, pactado_isapre_per) VALUES ('03', " + q(code) + ", " + q(rut) +
            ", " + q(nombres + " " + apepat + " " + apemat) + ", " + q(nombres) + ", " + q(apepat) + ", " +
            q(apemat) + ", 'ANALISTA', 'CC01', " + q(correo) + ", " + std::to_string(salary) +
            ", 1, '2015-04-01', 3.5, 2)");
        auto lines = workerLines(code, full, salary);
        remumes.insert(remumes.end(), lines.begin(), lines.end());
    }

    std::string pdfs() const { return (dir / "PDFS").string(); }
};

// A mail-queue database named in the month's COLACORREO, and the marker that asks for it.
inline std::unique_ptr<testdb::ScratchDatabase> queueFor(const SlipMonth& m) {
    auto db = std::make_unique<testdb::ScratchDatabase>("correos_");
    db->runSql(slurpFile(std::string(REMU_SOURCE_DIR) + "/schema/correos.sql"));
    auto server = testdb::serverParams();
    createColaCorreo({server.host, server.user, server.password, db->name()}, m.dir.string());
    std::ofstream(m.dir / "ENVIA.TXT") << "";
    return db;
}

}  // namespace remu::test
