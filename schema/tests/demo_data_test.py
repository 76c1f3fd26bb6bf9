#!/usr/bin/env python3
"""Loads the demo client into the test run's private server and checks what the client relies on."""

import os
import re
import subprocess
import sys
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SERVER_DIR = os.environ.get("REMU_DBSERVER_DIR", os.path.join(ROOT, "build", "dbserver"))
sys.path.insert(0, os.path.join(ROOT, "schema"))
import gen_demo  # noqa: E402

YEARS = ("2018", "2019")
COMPANIES = ("demo_remu_norte", "demo_remu_sur")
MONTHS = ["%02d" % m for m in range(1, 13)]
FORMULA_NAMES = {"DIATRA", "TOTIMP", "BASIMP", "NOIMP", "SUELDO", "SUEBAS", "VALOUF", "VALUSD", "VALEURO",
                 "VALUTM", "FACEXT", "GRAMAX", "INGMIN", "VALOR", "DIAS_NO_TRA"}


def read(name):
    with open(os.path.join(SERVER_DIR, name)) as f:
        return f.read().strip()


def query(sql):
    env = dict(os.environ, MYSQL_PWD=read("password"))
    res = subprocess.run(["mariadb", "--no-defaults", "--socket=" + read("socket"), "-uroot", "-N", "-B",
                          "--default-character-set=utf8mb4", "-e", sql],
                         env=env, capture_output=True, text=True, check=True)
    return [line.split("\t") for line in res.stdout.splitlines()]


def load(*args):
    return subprocess.run([os.path.join(ROOT, "scripts", "demo-data"), "load", SERVER_DIR, *args],
                          capture_output=True, text=True)


def valid_rut(stored):
    m = re.fullmatch(r"(\d{9})-([0-9K])", stored)
    return bool(m) and gen_demo.rut_dv(int(m.group(1))) == m.group(2)


def valid_formula(text):
    tokens = re.findall(r"\s*(\d+(?:\.\d+)?|[A-Za-z_]+|[-+*/()]|\S)", text)
    return all(re.fullmatch(r"\d+(\.\d+)?|[-+*/()]", t) or t.upper() in FORMULA_NAMES for t in tokens)


class CheckDigit(unittest.TestCase):
    def test_known_ruts(self):
        self.assertEqual(gen_demo.rut_dv(12345678), "5")
        self.assertEqual(gen_demo.rut_dv(6), "K")
        self.assertEqual(gen_demo.rut_dv(14), "0")
        self.assertEqual(gen_demo.rut_stored(9876543), "009876543-3")


class ReadmeLogins(unittest.TestCase):
    def test_the_documented_logins_are_the_generated_ones(self):
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
            documented = re.findall(r"^\| (\d{7,8}-[0-9K]) \| ([A-Z0-9]{6}) \|", f.read(), re.M)
        self.assertGreaterEqual(len(documented), 3)
        generated = {(row[2], row[3]) for row in gen_demo.listing(gen_demo.Params(gen_demo.DEFAULT_PARAMS))}
        self.assertEqual([d for d in documented if d not in generated], [])


class DemoDatabases(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for _ in range(2):  # the second load must replace the first one without complaint
            res = load()
            if res.returncode != 0:
                raise AssertionError("demo-data load failed:\n" + res.stdout + res.stderr)
        cls.output = res.stdout

    def test_every_rut_has_a_valid_check_digit(self):
        ruts = []
        for db in COMPANIES:
            for y in YEARS:
                ruts += [r[0] for r in query("SELECT DISTINCT rut_per FROM %s.%s_personal" % (db, y))]
        self.assertGreater(len(ruts), 100)
        self.assertEqual([r for r in ruts if not valid_rut(r)], [])
        self.assertTrue(any(r.endswith("-K") for r in ruts))

    def test_each_company_has_every_month(self):
        for db in COMPANIES:
            self.assertEqual([r[0] for r in query("SELECT ano FROM %s.anos ORDER BY ano" % db)], list(YEARS))
            for y in YEARS:
                self.assertEqual([r[0] for r in query("SELECT mes FROM %s.%s_meses ORDER BY mes" % (db, y))], MONTHS)
                rows = query("SELECT mes_datemp, id_cliente_cont_datemp FROM %s.%s_datos_empresa ORDER BY 1" % (db, y))
                self.assertEqual(rows, [[m, "DEMO_CONT"] for m in MONTHS])
                counts = query("SELECT mes_per, COUNT(*) FROM %s.%s_personal GROUP BY mes_per ORDER BY 1" % (db, y))
                self.assertEqual([c[0] for c in counts], MONTHS)
                self.assertTrue(all(55 <= int(c[1]) <= 65 for c in counts), counts)
                # the default days item of every month
                self.assertEqual(query("SELECT COUNT(*) FROM %s.%s_habdes_remu WHERE codigo_hd_remu = '998' "
                                       "AND codigo_per_remu = '    '" % (db, y)), [["12"]])

    def test_demo_worker_is_in_both_companies(self):
        for db, code in (("demo_remu_norte", "0001"), ("demo_remu_sur", "0045")):
            for y in YEARS:
                rows = query("SELECT DISTINCT codigo_per, clave_per, anomes_termino_per FROM %s.%s_personal "
                             "WHERE rut_per = '012345678-5'" % (db, y))
                self.assertEqual(rows, [[code, "DEMO01", "0"]], db)
        self.assertIn("12345678-5", self.output)
        self.assertIn("DEMO01", self.output)

    def test_parameters_for_every_month_of_both_years(self):
        for y in YEARS:
            rows = query("SELECT mes_par FROM DEMO_REMU.%s_parametros WHERE valor_uf_par > 0 AND valor_utm_par > 0 "
                         "AND ingreso_minimo_par > 0 AND tope_imponible_par > 0 AND valor_usd > 0 "
                         "AND valor_euro > 0 AND sis_par > 0 AND valor1_tabasifa > 0 ORDER BY 1" % y)
            self.assertEqual([r[0] for r in rows], MONTHS)
            rows = query("SELECT MES FROM DEMO_REMU.%s_tabu WHERE UTM > 0 AND FACTOR07 = 0.35 "
                         "AND HASTA_PESOS06 = DESDE_PESOS07 - 0.01 ORDER BY 1" % y)
            self.assertEqual([r[0] for r in rows], MONTHS)
            # every fund a worker belongs to has a rate in every month he is paid
            missing = query("SELECT DISTINCT p.mes_per, p.codigo_afp_per FROM demo_remu_norte.{y}_personal p "
                            "JOIN DEMO_REMU.{y}_afp a ON a.codigo_afp = p.codigo_afp_per "
                            "WHERE p.codigo_afp_per <> '00' AND CASE p.mes_per {cases} END = 0"
                            .format(y=y, cases=" ".join("WHEN '%s' THEN a.mes_%s" % (m, m) for m in MONTHS)))
            self.assertEqual(missing, [])
        self.assertEqual(query("SELECT feriados_mes_par FROM DEMO_REMU.2018_parametros WHERE mes_par = '09'"),
                         [["17-18-19"]])

    def test_items_are_in_the_catalogue_and_formulas_use_known_names(self):
        for db in COMPANIES:
            for y in YEARS:
                self.assertEqual(query("SELECT DISTINCT codigo_hd_remu FROM {db}.{y}_habdes_remu WHERE codigo_hd_remu "
                                       "NOT IN (SELECT codigo_had FROM {db}.{y}_habdes)".format(db=db, y=y)), [])
                formulas = [r[0] for r in query("SELECT DISTINCT formula_hd_remu FROM %s.%s_habdes_remu" % (db, y))
                            if r and r[0].strip()]
                formulas += [r[0] for r in query("SELECT DISTINCT formula_apv FROM %s.%s_apv" % (db, y))
                             if r and r[0].strip()]
                self.assertGreater(len(formulas), 3)
                self.assertEqual([f for f in formulas if not valid_formula(f)], [])

    def test_accounting_and_mail_queue_databases(self):
        for y in YEARS:
            self.assertGreater(int(query("SELECT COUNT(*) FROM DEMO_CONT.%s_centrocosto" % y)[0][0]), 3)
            orphans = query("SELECT DISTINCT cencosto_per FROM demo_remu_sur.{y}_personal WHERE cencosto_per NOT IN "
                            "(SELECT codigo_cc FROM DEMO_CONT.{y}_centrocosto)".format(y=y))
            self.assertEqual(orphans, [])
        self.assertEqual(query("SELECT COUNT(*) FROM CORREOS.CORREOS_ENVIAR"), [["0"]])


class BenchmarkCompany(unittest.TestCase):
    def test_workers_in_one_month_with_earlier_months_on_record(self):
        res = load("--workers", "120", "--company", "demo_remu_bencht")
        self.assertEqual(res.returncode, 0, res.stderr)
        db = "demo_remu_bencht"
        self.assertEqual(query("SELECT COUNT(*) FROM %s.2019_personal WHERE mes_per = '03'" % db), [["120"]])
        self.assertEqual(query("SELECT COUNT(*) FROM %s.2019_personal WHERE mes_per = '03' "
                               "AND anomes_termino_per = 201902" % db), [["1"]])
        # workers on medical leave in March have a full earlier month for the previous-salary lookup
        on_leave = query("SELECT DISTINCT codigo_per_remu FROM %s.2019_habdes_remu WHERE mes_hd_remu = '03' "
                         "AND codigo_hd_remu = '999' AND codigo_mov_remu = '3'" % db)
        self.assertGreaterEqual(len(on_leave), 12)
        with_history = query("SELECT DISTINCT codigo_per FROM %s.2019_personal WHERE mes_per < '03' "
                             "AND dias_trabajados_per = 30 AND total_imponible_per > 0" % db)
        self.assertTrue({c[0] for c in on_leave} <= {c[0] for c in with_history})
        self.assertGreater(int(query("SELECT COUNT(*) FROM %s.2019_apv" % db)[0][0]), 0)
        self.assertGreater(int(query("SELECT COUNT(*) FROM %s.2019_ajuste" % db)[0][0]), 0)
        query("DROP DATABASE %s" % db)

    def test_workers_on_record_over_two_years(self):
        res = load("--workers", "40", "--company", "demo_remu_benchy", "--month", "2019-12", "--months", "24")
        self.assertEqual(res.returncode, 0, res.stderr)
        db = "demo_remu_benchy"
        self.assertEqual(query("SELECT ano FROM %s.anos ORDER BY ano" % db), [["2018"], ["2019"]])
        for y in ("2018", "2019"):
            self.assertEqual(query("SELECT COUNT(*) FROM %s.%s_meses" % (db, y)), [["12"]])
            # every worker has a row in every month, and the month's items
            self.assertEqual(query("SELECT COUNT(DISTINCT mes_per), COUNT(*) FROM %s.%s_personal" % (db, y)),
                             [["12", str(12 * 40)]])
            self.assertEqual(query("SELECT COUNT(DISTINCT mes_hd_remu) FROM %s.%s_habdes_remu "
                                   "WHERE codigo_per_remu = '0002'" % (db, y)), [["12"]])
        query("DROP DATABASE %s" % db)
        # More months than the parameters hold are refused.
        res = load("--workers", "10", "--company", "demo_remu_benchy", "--month", "2019-03", "--months", "24")
        self.assertNotEqual(res.returncode, 0)
        self.assertIn("--months", res.stderr)

    def test_bad_arguments_are_refused_before_touching_the_server(self):
        res = load("--workers", "10", "--company", "x; DROP DATABASE mysql")
        self.assertNotEqual(res.returncode, 0)
        self.assertIn("inválido", res.stderr)
        self.assertEqual(query("SHOW DATABASES LIKE 'mysql'"), [["mysql"]])
        res = load("--company", "demo_remu_x")
        self.assertNotEqual(res.returncode, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
