#!/usr/bin/env python3
"""Demo data of the client DEMO as SQL for the mariadb client (stdout).

  gen_demo.py                          the whole demo: DEMO_REMU, demo_remu_norte, demo_remu_sur,
                                       DEMO_CONT and the mail queue CORREOS
  gen_demo.py --workers N [--company NAME] [--month 2019-03] [--months 1]
                                       one company with N workers in one month (or the --months
                                       months ending with it), for benchmarks
                                       (needs the demo's DEMO_REMU and DEMO_CONT loaded first)
  gen_demo.py --list                   the demo workers to log in with
  --client ID                          the same data for another client identifier (database names)

Standard library only; deterministic (fixed seeds), so every load gives the same rows.
"""

import argparse
import calendar
import datetime as dt
import json
import os
import random
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
# The published 2018-2019 parameters travel with the project (schema/data).
DEFAULT_PARAMS = os.path.join(HERE, "data", "parametros_cl_2018_2019.json")

CLIENT = "DEMO"
PARAM_DB = CLIENT + "_REMU"
CONT_DB = CLIENT + "_CONT"
MAIL_DB = "CORREOS"
COMPANIES = ("norte", "sur")


def configure(client):
    """Another client identifier gives the same data under other database names (tests)."""
    global CLIENT, PARAM_DB, CONT_DB, MAIL_DB
    CLIENT = client.upper()
    PARAM_DB = CLIENT + "_REMU"
    CONT_DB = CLIENT + "_CONT"
    MAIL_DB = "CORREOS" if CLIENT == "DEMO" else CLIENT + "_CORREOS"


def company_db(key):
    return CLIENT.lower() + "_remu_" + key
YEARS = ("2018", "2019")

# Observed exchange rates (monthly averages, pesos); the parameter file carries no currency values.
USD = {
    "2018": [605.3, 597.6, 603.3, 600.9, 627.8, 638.6, 652.6, 655.0, 680.5, 677.6, 679.7, 681.2],
    "2019": [678.3, 655.6, 667.7, 666.3, 693.1, 692.1, 686.5, 710.7, 715.4, 718.9, 775.6, 770.4],
}
EUR = {
    "2018": [740.8, 738.3, 743.3, 740.4, 741.6, 744.8, 762.9, 758.3, 792.8, 781.3, 773.2, 776.4],
    "2019": [774.3, 744.6, 755.6, 747.5, 775.0, 781.6, 770.5, 788.8, 787.4, 793.4, 857.9, 855.6],
}

# Regimes of the old public pension system (pension institute rows of the fund table).
IPS_REGIMES = [("41", "EX-SSS", 18.84), ("42", "EMPART", 21.84)]
AFP_NAMES = {"03": "CUPRUM", "05": "HABITAT", "08": "PROVIDA", "29": "PLANVITAL", "33": "CAPITAL",
             "34": "MODELO", "35": "UNO"}

BANKS = [("001", "Banco de Chile"), ("009", "Banco Internacional"), ("012", "BancoEstado"),
         ("014", "Scotiabank Chile"), ("016", "Banco de Crédito e Inversiones"), ("028", "Banco BICE"),
         ("037", "Banco Santander-Chile"), ("039", "Banco Itaú Chile"), ("049", "Banco Security"),
         ("051", "Banco Falabella"), ("504", "Banco BBVA Chile")]
APV_INSTITUTIONS = [("003", "AFP Cuprum"), ("005", "AFP Habitat"), ("033", "AFP Capital"),
                    ("101", "Principal Compañía de Seguros de Vida"), ("102", "MetLife Chile Seguros de Vida"),
                    ("201", "Banchile Administradora General de Fondos"), ("202", "Santander Asset Management")]
COST_CENTRES = [("ADM", "Administración"), ("GER", "Gerencia"), ("VEN", "Ventas"), ("OPE", "Operaciones"),
                ("BOD", "Bodega y Despacho"), ("MAN", "Mantención"), ("INF", "Informática")]

# Earnings and deductions catalogue: code, name, type (1 earning, 2 deduction, 3 control), weekly rest.
CATALOGUE = [
    ("101", "HORAS EXTRAS", 1, 0), ("102", "GRATIFICACION", 1, 0), ("103", "BONO PRODUCCION", 1, 0),
    ("104", "COMISION VENTAS", 1, 0), ("105", "BONO ASISTENCIA", 1, 0), ("106", "COMISIONES", 1, 1),
    ("107", "ASIGNACION DE ZONA", 1, 0), ("110", "BONO EN UF", 1, 0), ("120", "MOVILIZACION", 1, 0),
    ("121", "COLACION", 1, 0), ("122", "ASIGNACION HERRAMIENTAS", 1, 0), ("123", "VIATICO", 1, 0),
    ("201", "ANTICIPO", 2, 0), ("202", "PRESTAMO EMPRESA", 2, 0), ("203", "CREDITO CCAF", 2, 0),
    ("204", "CUOTA SINDICAL", 2, 0), ("205", "SEGURO COMPLEMENTARIO", 2, 0), ("206", "DESCUENTO CASINO", 2, 0),
    ("998", "DIAS TRABAJADOS", 3, 0), ("999", "DIAS NO TRABAJADOS", 3, 0),
]
ITEM = {c: (n, t) for c, n, t, _ in CATALOGUE}
TAXABLE = {"101", "102", "103", "104", "105", "106", "107", "110"}

MALE = ["JOSÉ", "JUAN CARLOS", "SEBASTIÁN", "MATÍAS", "MARTÍN", "BENJAMÍN", "JOAQUÍN", "TOMÁS", "AGUSTÍN",
        "IGNACIO", "CRISTÓBAL", "VICENTE", "HÉCTOR", "ANDRÉS", "RAÚL", "ÓSCAR", "IVÁN", "GERMÁN", "RUBÉN",
        "LUIS ALBERTO", "PEDRO PABLO", "FRANCISCO JAVIER", "MANUEL", "RODRIGO", "PATRICIO", "JULIÁN"]
FEMALE = ["MARÍA JOSÉ", "CAMILA", "SOFÍA", "VALENTINA", "JAVIERA", "CATALINA", "CONSTANZA", "FERNANDA",
          "FRANCISCA", "DANIELA", "BÁRBARA", "VERÓNICA", "MÓNICA", "INÉS", "BEATRIZ", "LUCÍA", "BEGOÑA",
          "ANTONIA", "ISIDORA", "XIMENA", "MARISOL", "PÍA", "CAROLINA", "PAULINA", "ANA MARÍA", "NATALIA"]
SURNAMES = ["GONZÁLEZ", "MUÑOZ", "ROJAS", "DÍAZ", "PÉREZ", "SOTO", "CONTRERAS", "SILVA", "MARTÍNEZ",
            "SEPÚLVEDA", "MORALES", "RODRÍGUEZ", "LÓPEZ", "FUENTES", "HERNÁNDEZ", "TORRES", "ARAYA", "FLORES",
            "ESPINOZA", "VALENZUELA", "CASTILLO", "TAPIA", "REYES", "GUTIÉRREZ", "CASTRO", "PIZARRO", "ÁLVAREZ",
            "VÁSQUEZ", "SÁNCHEZ", "FERNÁNDEZ", "RAMÍREZ", "CARRASCO", "GÓMEZ", "CORTÉS", "HERRERA", "NÚÑEZ",
            "JARA", "VERGARA", "RIVERA", "FIGUEROA", "RIQUELME", "GARCÍA", "MIRANDA", "BRAVO", "VERA", "MOLINA",
            "VEGA", "CAMPOS", "SANDOVAL", "ORELLANA", "CÁRDENAS", "OLIVARES", "ALARCÓN", "GALLARDO", "ORTIZ",
            "GARRIDO", "SALAZAR", "GUZMÁN", "HENRÍQUEZ", "SAAVEDRA", "NAVARRO", "AGUILERA", "PARRA", "ROMERO",
            "ARAVENA", "VARGAS", "CÁCERES", "YÁÑEZ", "LEIVA", "ESCOBAR", "VALDÉS", "VIDAL", "SALINAS", "ZÚÑIGA",
            "PEÑA", "GODOY", "LAGOS", "MALDONADO", "BUSTOS", "MEDINA", "SANHUEZA", "CARVAJAL", "SÁEZ", "IBÁÑEZ",
            "ACUÑA", "QUIROZ", "SAN MARTÍN", "ÑANCUPIL", "CATRILEO"]
STREETS = ["AV. GRECIA", "CALLE PRAT", "AV. ARGENTINA", "PASAJE LOS AROMOS", "CALLE SUCRE", "AV. BRASIL",
           "CALLE O'HIGGINS", "AV. DIEGO PORTALES", "CALLE URMENETA", "PASAJE LAS CAMELIAS", "AV. ANGELMÓ"]
CARGOS = ["OPERARIO", "ADMINISTRATIVO", "VENDEDOR", "BODEGUERO", "JEFE DE VENTAS", "CONTADOR", "SECRETARIA",
          "CHOFER", "TÉCNICO MANTENCIÓN", "ANALISTA", "GUARDIA", "SUPERVISOR", "CAJERO"]

COMPANY_DATA = {
    "norte": dict(
        nombre="COMERCIAL MINERA DEL NORTE LTDA.", rut=76354771, direccion="AV. GRECIA 1450",
        comuna="ANTOFAGASTA", ciudad="ANTOFAGASTA", rep="RODRIGO ANDRÉS PIZARRO MUÑOZ", rep_rut=9876543,
        mutual="01", mutual_pct=0.93, ccaf="02", ccaf_pct=0.6, comunas=["ANTOFAGASTA", "CALAMA", "MEJILLONES"],
        seed=1801, movil=35000, colacion=2500),
    "sur": dict(
        nombre="SERVICIOS AGRÍCOLAS DEL SUR S.A.", rut=96512304, direccion="CAMINO A CHINQUIHUE KM 6",
        comuna="PUERTO MONTT", ciudad="PUERTO MONTT", rep="MARÍA INÉS CÁRDENAS ÑANCUPIL", rep_rut=10234567,
        mutual="00", mutual_pct=0.93, ccaf="00", ccaf_pct=0.0, comunas=["PUERTO MONTT", "PUERTO VARAS", "OSORNO"],
        seed=1802, movil=30000, colacion=2200),
}


# ---------------------------------------------------------------- helpers

def rut_dv(number):
    s, w = 0, 2
    for ch in reversed(str(number)):
        s += int(ch) * w
        w = 2 if w == 7 else w + 1
    d = 11 - s % 11
    return "K" if d == 10 else "0" if d == 11 else str(d)


def rut_stored(number):
    """The form kept in rut_per: 11 characters, zero-filled."""
    return ("%d-%s" % (number, rut_dv(number))).rjust(11, "0")


def rut_dotted(number):
    return "{:,}".format(number).replace(",", ".") + "-" + rut_dv(number)


def sql_value(v):
    if v is None:
        return "NULL"
    if isinstance(v, bool):
        return "1" if v else "0"
    if isinstance(v, int):
        return str(v)
    if isinstance(v, float):
        return repr(round(v, 6))
    if isinstance(v, dt.date):
        return "'%s'" % v.isoformat()
    return "'" + str(v).replace("\\", "\\\\").replace("'", "''") + "'"


class Out:
    """Writes statements; rows of one table are sent in multi-row INSERTs."""

    BATCH = 500

    def __init__(self, stream):
        self.stream = stream

    def sql(self, text):
        self.stream.write(text.rstrip() + "\n")

    def insert(self, table, cols, rows):
        head = "INSERT INTO %s (%s) VALUES\n" % (table, ", ".join(cols))
        for i in range(0, len(rows), self.BATCH):
            chunk = rows[i:i + self.BATCH]
            body = ",\n".join("(" + ", ".join(sql_value(v) for v in r) + ")" for r in chunk)
            self.stream.write(head + body + ";\n")


def ddl(name, year=None):
    with open(os.path.join(HERE, name), encoding="utf-8") as f:
        text = f.read()
    return text.replace("@YEAR@", year) if year else text


def create_db(out, name):
    out.sql("DROP DATABASE IF EXISTS %s;" % name)
    out.sql("CREATE DATABASE %s CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;" % name)
    out.sql("USE %s;" % name)


def month_key(year, month):
    return "%s-%02d" % (year, month)


def last_day(year, month):
    return dt.date(int(year), month, calendar.monthrange(int(year), month)[1])


def ym(year, month):
    return int(year) * 100 + month


# ---------------------------------------------------------------- parameters

class Params:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            self.data = json.load(f)
        self.codes = self.data["codigos"]

    def month(self, year, month):
        return self.data[month_key(year, month)]

    def holidays(self, year, month):
        return self.data["feriados"][month_key(year, month)]

    def pesos(self, year, month, currency, amount):
        """Salary in pesos of a worker paid in the given currency (the engine's table)."""
        p = self.month(year, month)
        if currency == 2:
            return round(amount * p["uf"])
        if currency == 3:
            return round(amount * p["utm"])
        if currency == 4:
            return round(p["tope_imponible_uf"] * p["uf"])
        if currency == 5:
            return p["ingreso_minimo"]
        if currency == 6:
            return round(amount * USD[year][month - 1])
        if currency == 7:
            return round(amount * EUR[year][month - 1])
        return round(amount)


def write_parameter_db(out, prm):
    create_db(out, PARAM_DB)
    out.sql(ddl("parametros.sql"))
    out.insert("bancos", ["codigo_ban", "nombre_ban"], BANKS)
    out.insert("instituciones_apv", ["codigo_inst_apv", "nombre_inst_apv"], APV_INSTITUTIONS)
    out.insert("tipo_trabajador", ["codigo_tipo_trabajador", "nombre_tipo_trabajador"],
               sorted(prm.codes["tipo_trabajador"].items()))
    out.insert("movim_personal", ["codigo_mov", "nombre_mov"],
               sorted(prm.codes["movimiento_personal"].items(), key=lambda kv: int(kv[0])))
    for year in YEARS:
        out.sql(ddl("parametros_year.sql", year))
        rows, tabu = [], []
        for m in range(1, 13):
            p = prm.month(year, m)
            hol = prm.holidays(year, m)
            days = [dt.date(int(year), m, d) for d in range(1, calendar.monthrange(int(year), m)[1] + 1)]
            sundays = sum(1 for d in days if d.weekday() == 6)
            working = sum(1 for d in days if d.weekday() < 5 and d.day not in hol)
            af = p["asignacion_familiar"]
            rows.append(["%02d" % m, p["utm"], p["uf"], p["uf"], USD[year][m - 1], EUR[year][m - 1],
                         p["ingreso_minimo"], p["tope_imponible_uf"], p["tope_cesantia_uf"],
                         p["tope_gratificacion_mensual"], p["sis_pct"], af["A"], af["B"], af["C"], af["D"],
                         "-".join("%02d" % d for d in hol[:6]), working, sundays, len(hol)])
            row = ["%02d" % m, p["utm"]]
            brackets = p["impuesto_unico"] + [None] * (8 - len(p["impuesto_unico"]))
            for b in brackets[:8]:
                if b is None:
                    row += [0, 0, 0, 0]
                else:
                    row += [b["desde"], b["hasta"] or 0, b["factor"], b["rebaja"]]
            tabu.append(row)
        out.insert("`%s_parametros`" % year,
                   ["mes_par", "valor_utm_par", "valor_uf_par", "valor_uf_ips_par", "valor_usd", "valor_euro",
                    "ingreso_minimo_par", "tope_imponible_par", "tope_imponible_cesantia_par", "tope_gratificacion",
                    "sis_par", "valor1_tabasifa", "valor2_tabasifa", "valor3_tabasifa", "valor4_tabasifa",
                    "feriados_mes_par", "cant_dias_habiles_par", "cant_domingos_par", "cant_feriados_par"], rows)
        cols = ["MES", "UTM"]
        for i in range(1, 9):
            cols += ["DESDE_PESOS%02d" % i, "HASTA_PESOS%02d" % i, "FACTOR%02d" % i, "REBAJA_PESOS%02d" % i]
        out.insert("`%s_tabu`" % year, cols, tabu)

        afp_rows = [["00", "SIN AFP", 0] + [0] * 12]
        for code, name in sorted(AFP_NAMES.items()):
            rates = [prm.month(year, m)["afp"].get(name) for m in range(1, 13)]
            if all(r is None for r in rates):
                continue  # the fund did not exist that year
            afp_rows.append([code, name, 0] + [r or 0 for r in rates])
        for code, name, rate in IPS_REGIMES:
            afp_rows.append([code, name, 1] + [rate] * 12)
        out.insert("`%s_afp`" % year, ["codigo_afp", "nombre_afp", "ips"] + ["mes_%02d" % m for m in range(1, 13)],
                   afp_rows)
        out.insert("`%s_isapre`" % year, ["codigo_isa", "nombre_isa", "porcen_isa"],
                   [(c, n.upper() if c == "07" else n, 0 if c == "00" else 7) for c, n in sorted(prm.codes["salud"].items())])
        out.insert("`%s_ccaf`" % year, ["codigo_caj", "nombre_caj"], sorted(prm.codes["ccaf"].items()))
        out.insert("`%s_mutual`" % year, ["codigo_mut", "nombre_mut"], sorted(prm.codes["mutual"].items()))


def write_accounting_db(out):
    create_db(out, CONT_DB)
    for year in YEARS:
        out.sql(ddl("contabilidad_year.sql", year))
        out.insert("`%s_centrocosto`" % year, ["codigo_cc", "nombre_cc"], COST_CENTRES)


def write_mail_db(out):
    create_db(out, MAIL_DB)
    out.sql(ddl("correos.sql"))


# ---------------------------------------------------------------- workers

class Worker:
    """One person's file; the monthly rows and items are derived from it."""

    def __init__(self, **kw):
        self.code = kw.pop("code")
        self.rut = kw.pop("rut")
        self.clave = kw.pop("clave")
        self.nombres = kw.pop("nombres")
        self.apepat = kw.pop("apepat")
        self.apemat = kw.pop("apemat")
        self.sexo = kw.pop("sexo", 1)
        self.birth = kw.pop("birth", dt.date(1980, 5, 17))
        self.hired = kw.pop("hired", dt.date(2015, 3, 1))
        self.ended = kw.pop("ended", None)           # last day of the contract
        self.first = kw.pop("first", (2018, 1))      # first month with a personnel row
        self.last = kw.pop("last", (2019, 12))       # last month with a personnel row
        self.cargo = kw.pop("cargo", "ADMINISTRATIVO")
        self.cencosto = kw.pop("cencosto", "ADM")
        self.direccion = kw.pop("direccion", "")
        self.comuna = kw.pop("comuna", "")
        self.ciudad = kw.pop("ciudad", "")
        self.telefono = kw.pop("telefono", "")
        self.correo = kw.pop("correo", "")
        self.estado_civil = kw.pop("estado_civil", 1)
        self.nacionalidad = kw.pop("nacionalidad", 1)
        self.currency = kw.pop("currency", 1)
        self.amount = kw.pop("amount", 500000)       # salary in its currency
        self.adicional = kw.pop("adicional", 0)
        self.patronal = kw.pop("patronal", 0)
        self.forma_pago = kw.pop("forma_pago", 3)
        self.banco = kw.pop("banco", "012")
        self.cuenta = kw.pop("cuenta", "")
        self.tipo = kw.pop("tipo", "0")
        self.parcial = kw.pop("parcial", 0)
        self.afp = kw.pop("afp", "05")
        self.ips = kw.pop("ips", "")
        self.afp_cesantia = kw.pop("afp_cesantia", "")
        self.seguro = kw.pop("seguro", 3)
        self.sis = kw.pop("sis", 1)
        self.isa = kw.pop("isa", "07")
        self.pactado = kw.pop("pactado", 1)
        self.valor_pactado = kw.pop("valor_pactado", 0)
        self.cargas = kw.pop("cargas", 0)
        self.tramo = kw.pop("tramo", "")
        # items: list of dicts(code, value, formula, months=set of (year, month) or None, fecdes, fechas)
        self.items = kw.pop("items", [])
        # absences: {(year, month): [(movement, days, first day)]}
        self.absences = kw.pop("absences", {})
        # savings: list of (institution, value, formula, deductible, switched off)
        self.apv = kw.pop("apv", [])
        # adjustments: {(year, month): [(item code, description, amount)]}
        self.adjust = kw.pop("adjust", {})
        self.note = kw.pop("note", "")
        if kw:
            raise TypeError("unknown worker fields: %s" % ", ".join(kw))

    @property
    def nombre(self):
        return " ".join(x.strip() for x in (self.nombres, self.apepat, self.apemat) if x.strip())

    def months(self, year):
        y = int(year)
        return [m for m in range(1, 13) if self.first <= (y, m) <= self.last]

    def regimen(self):
        if self.tipo == "2":
            return "SIP - Sin Institución Previsional"
        if self.ips.strip():
            return "INP - IPS (Ex-INP)"
        return "AFP - AFP"


def ascii_fold(text):
    table = str.maketrans("ÁÉÍÓÚÜÑáéíóúüñ", "AEIOUUNaeiouun")
    return re.sub(r"[^a-z]", "", text.translate(table).lower())


class People:
    """Deterministic source of names, RUTs and passwords."""

    def __init__(self, seed, used_ruts):
        self.rng = random.Random(seed)
        self.used = used_ruts

    def rut(self, want_k=False):
        while True:
            n = self.rng.randint(6_000_000, 24_999_999)
            if n in self.used:
                continue
            if want_k != (rut_dv(n) == "K"):
                continue
            self.used.add(n)
            return n

    def password(self):
        return "".join(self.rng.choice("ABCDEFGHJKLMNPQRSTUVWXYZ23456789") for _ in range(6))

    def person(self, comunas, female=None):
        female = self.rng.random() < 0.45 if female is None else female
        nombres = self.rng.choice(FEMALE if female else MALE)
        ap, am = self.rng.sample(SURNAMES, 2)
        comuna = self.rng.choice(comunas)
        mail = "" if self.rng.random() < 0.12 else "%s.%s@example.com" % (
            ascii_fold(nombres.split()[0]), ascii_fold(ap))
        return dict(nombres=nombres, apepat=ap, apemat=am, sexo=2 if female else 1,
                    birth=dt.date(self.rng.randint(1956, 1998), self.rng.randint(1, 12), self.rng.randint(1, 28)),
                    direccion="%s %d" % (self.rng.choice(STREETS), self.rng.randint(10, 3999)),
                    comuna=comuna, ciudad=comuna, telefono="+569%08d" % self.rng.randint(0, 99_999_999),
                    correo=mail, estado_civil=self.rng.choice([1, 1, 2, 2, 3]),
                    cuenta="%010d" % self.rng.randint(0, 9_999_999_999), clave=self.password())


def tramo_for(pesos, prm, year="2019", month=3):
    lim = prm.month(year, month)["asignacion_familiar"]["limites_ingreso_hasta"]
    for t in "ABC":
        if pesos <= lim[t]:
            return t
    return "D"


def loan(code, value, start, n, months_on_file=None):
    """An item paid in n monthly instalments from start (day 15): rows while instalments remain."""
    end = dt.date(start.year + (start.month - 1 + n) // 12, (start.month - 1 + n) % 12 + 1, start.day)
    months = set()
    y, m = start.year, start.month
    for _ in range(months_on_file or n):
        months.add((y, m))
        y, m = (y + 1, 1) if m == 12 else (y, m + 1)
    return dict(code=code, value=value, formula="", months=months, fecdes=start, fechas=end)


def item(code, value, formula="", months=None, fijo=1):
    return dict(code=code, value=value, formula=formula, months=months, fecdes=None, fechas=None, fijo=fijo)


ALL_MONTHS = None


def special_workers(company, ppl, prm, shared):
    """The workers every company has, one of each kind the engine tells apart."""
    cd = COMPANY_DATA[company]
    norte = company == "norte"
    W = []
    reserved = {"0001", "0028"} if norte else {"0045", "0007"}
    codes = ("%04d" % n for n in range(1, 10000) if "%04d" % n not in reserved)

    def add(**kw):
        base = ppl.person(cd["comunas"], kw.pop("female", None))
        if "rut" not in kw:
            kw["rut"] = ppl.rut(kw.pop("want_k", False))
        base.update(kw)
        if "code" not in base:
            base["code"] = next(codes)
        W.append(Worker(**base))
        return W[-1]

    # Gratification: 25 % of the month's taxable pay, or the monthly cap where 25 % would exceed it.
    gratif_cap = item("102", 0, "GRAMAX")
    gratif_25 = item("102", 0, "TOTIMP*0.25")

    # The well-known demo worker: as many kinds of line as one slip can show.
    demo = shared["demo"]
    add(code="0001" if norte else "0045", **demo,
        hired=dt.date(2012, 4, 2), cargo="JEFE DE VENTAS", cencosto="VEN", currency=1, amount=650000,
        afp="05", seguro=3, sis=1, isa="01", pactado=2, valor_pactado=2.6, cargas=2, tramo="C",
        items=[gratif_cap, item("101", 6, "SUELDO*0.0077777*VALOR"), item("103", 45000),
               item("106", 120000), item("105", 30000, "VALOR/30*DIATRA"), item("104", 1500000, "VALOR*0.02"),
               item("205", 0.45, "VALOR*VALOUF"), item("201", 100000, fijo=0),
               loan("202", 50000, dt.date(2019, 1, 15), 6), loan("202", 40000, dt.date(2018, 3, 15), 6),
               item("123", 25000, fijo=0)] + ([loan("203", 35000, dt.date(2018, 10, 15), 12)] if norte else []),
        absences={(2019, 3): [("3", 3, 11)], (2018, 9): [("11", 1, 24)]},
        apv=[("005", 50000, "", 1, 0), ("101", 1.5, "VALOR*VALOUF", 0, 0), ("202", 20000, "", 1, 1)],
        adjust={(2019, 3): [("103", "BONO PRODUCCION", 52500)]},
        note="trabajador de demostración")
    # Salary in UF, public health fund.
    add(cargo="CONTADOR", cencosto="ADM", currency=2, amount=48.5, afp="33", isa="07",
        items=[gratif_cap, item("103", 60000), item("204", 0, "SUELDO*0.01")], note="sueldo en UF")
    add(cargo="ANALISTA", cencosto="INF", currency=3, amount=21, afp="08", isa="07", seguro=3,
        items=[gratif_cap, item("110", 2.5, "VALOR*VALOUF")], note="sueldo en UTM")
    add(cargo="GERENTE GENERAL", cencosto="GER", currency=4, amount=0, afp="08", isa="04", pactado=5,
        valor_pactado=4.2, adicional=5000, hired=dt.date(2008, 1, 2), seguro=4,
        items=[gratif_cap, item("107", 0, "SUELDO*0.1")] if norte else [gratif_cap],
        apv=[("033", 2, "VALOR*VALOUF", 1, 0)], note="sueldo tope imponible")
    add(cargo="OPERARIO", cencosto="OPE", currency=5, amount=0, afp="29", isa="07", seguro=2, cargas=3,
        tramo="A", hired=dt.date(2018, 1, 2), items=[gratif_25, item("101", 10, "SUELDO*0.0077777*VALOR")],
        note="sueldo mínimo, plazo fijo, cargas tramo A")
    add(cargo="INGENIERO DE PROYECTOS", cencosto="OPE", currency=6, amount=3200, afp="34", isa="05",
        pactado=3, valor_pactado=180000, nacionalidad=2, items=[gratif_cap], note="sueldo en dólares")
    add(cargo="ASESOR TÉCNICO", cencosto="MAN", currency=7, amount=2500, afp="03", isa="02", pactado=1,
        nacionalidad=2, items=[gratif_cap], note="sueldo en euros")
    add(cargo="CAJERO", cencosto="VEN", currency=1, amount=220000, parcial=20, afp="05", isa="07", cargas=1,
        tramo="A", items=[item("998", 20), gratif_25], note="jornada parcial 20 días")
    add(cargo="GUARDIA", cencosto="ADM", currency=1, amount=180000, parcial=15, afp="33", isa="07",
        items=[item("998", 15), gratif_25], note="jornada parcial 15 días")
    add(cargo="BODEGUERO", cencosto="BOD", currency=1, amount=410000, afp="00", ips="41", afp_cesantia="08",
        sis=0, isa="07", birth=dt.date(1958, 8, 9), hired=dt.date(1984, 6, 1), items=[gratif_25],
        note="régimen antiguo IPS (ex SSS)")
    add(cargo="CHOFER", cencosto="BOD", currency=1, amount=455000, afp="00", ips="42", afp_cesantia="05",
        sis=0, isa="07", birth=dt.date(1957, 2, 3), hired=dt.date(1982, 3, 1), items=[gratif_25],
        note="régimen antiguo IPS (EMPART)")
    add(cargo="ASESOR", cencosto="GER", currency=1, amount=900000, tipo="2", afp="00", seguro=1, sis=0,
        isa="07", birth=dt.date(1950, 1, 20), items=[gratif_cap], note="pensionado que no cotiza (SIP)")
    add(cargo="SUPERVISOR", cencosto="OPE", currency=1, amount=780000, tipo="1", afp="34", seguro=1, sis=0,
        isa="07", birth=dt.date(1952, 11, 2), items=[gratif_cap], note="pensionado que cotiza")
    add(cargo="SECRETARIA", cencosto="ADM", currency=1, amount=520000, tipo="3", afp="29", seguro=1, sis=0,
        isa="07", birth=dt.date(1951, 7, 14), female=True, items=[gratif_cap], note="activo mayor de 65")
    add(cargo="JEFE DE BODEGA", cencosto="BOD", currency=1, amount=1100000, afp="03", seguro=4, isa="03",
        pactado=2, valor_pactado=3.1, hired=dt.date(2004, 9, 1), items=[gratif_cap],
        note="seguro de cesantía más de 11 años")
    add(cargo="GERENTE COMERCIAL", cencosto="GER", currency=1, amount=4800000, afp="33", isa="01", pactado=2,
        valor_pactado=6.5, items=[gratif_cap, item("103", 400000)],
        apv=[("101", 150000, "", 1, 0), ("201", 100000, "", 0, 0)], note="sobre el tope imponible")
    add(cargo="SOCIO ADMINISTRADOR", cencosto="GER", currency=1, amount=2500000, patronal=1, afp="05",
        isa="10", pactado=2, valor_pactado=4.0, items=[gratif_cap], note="sueldo patronal")
    add(cargo="OPERARIO", cencosto="OPE", currency=1, amount=480000, afp="08", isa="07", cargas=1, tramo="B",
        items=[gratif_cap, item("103", 35000)],
        absences={(2019, 3): [("3", 12, 5)], (2018, 7): [("3", 5, 9)], (2019, 8): [("6", 7, 12)]},
        note="licencia médica de 12 días en marzo 2019")
    add(cargo="VENDEDOR", cencosto="VEN", currency=1, amount=430000, afp="29", isa="07",
        items=[gratif_cap, item("106", 90000)],
        absences={(2019, 4): [("3", 30, 1)], (2019, 5): [("3", 10, 1)]},
        note="licencia médica todo abril 2019")
    add(cargo="ADMINISTRATIVO", cencosto="ADM", currency=1, amount=510000, afp="05", isa="07",
        ended=dt.date(2019, 6, 20), items=[gratif_cap],
        absences={(2019, 6): [("2", 10, 21)]}, note="contrato terminado el 20/06/2019 (sigue en el archivo)")
    add(cargo="OPERARIO", cencosto="OPE", currency=1, amount=390000, afp="34", isa="07", seguro=2,
        ended=dt.date(2018, 11, 30), last=(2018, 11), items=[gratif_25], note="contrato terminado en noviembre 2018")
    add(cargo="ANALISTA", cencosto="INF", currency=1, amount=1350000, afp="35", isa="07", seguro=3,
        hired=dt.date(2019, 10, 1), first=(2019, 10), items=[gratif_cap], note="ingreso en octubre 2019 (AFP UNO)")
    add(cargo="TÉCNICO MANTENCIÓN", cencosto="MAN", currency=1, amount=690000, afp="08", isa="11", pactado=1,
        want_k=True, items=[gratif_cap, item("101", 8, "SUELDO*0.0077777*VALOR")], note="RUT con dígito K")
    add(cargo="VENDEDOR", cencosto="VEN", currency=1, amount=560000, apepat="O'HIGGINS", afp="33", isa="07",
        cargas=1, tramo="C", items=[gratif_cap, item("104", 2200000, "VALOR*0.025"), item("106", 70000)],
        note="apellido con apóstrofo")
    add(cargo="ADMINISTRATIVO", cencosto="ADM", currency=1, amount=610000, afp="03", isa="12", pactado=4,
        adicional=12000, items=[gratif_cap], note="isapre con adicional GES en pesos")
    add(cargo="OPERARIO", cencosto="OPE", currency=1, amount=620000, afp="05", isa="02", pactado=2,
        valor_pactado=1.2, items=[gratif_cap], note="plan isapre bajo el 7%")
    add(cargo="VENDEDOR", cencosto="VEN", currency=1, amount=350000, afp="34", isa="07", cargas=2, tramo="A",
        items=[gratif_cap, item("106", 150000), item("104", 3000000, "VALOR*0.02")],
        absences={(2019, 3): [("4", 2, 18)]}, note="comisiones con semana corrida, permiso sin goce")
    add(code="0028" if norte else "0007", **shared["other"], cargo="SUPERVISOR", cencosto="OPE", currency=1,
        amount=870000, afp="08", isa="07", items=[gratif_cap], note="trabaja en ambas empresas")
    add(cargo="BODEGUERO", cencosto="BOD", currency=1, amount=400000, afp="29", isa="07", correo="",
        items=[gratif_25, item("206", 18000)], note="sin correo electrónico")
    add(cargo="ANALISTA", cencosto="ADM", currency=1, amount=950000, afp="33", isa="04", pactado=2,
        valor_pactado=3.4, items=[gratif_cap],
        apv=[("003", 1.2, "VALOR*VALOUF", 0, 0), ("005", 60000, "", 1, 1)],
        adjust={(2019, 3): [("UNI", "IMP.UNICO", 15000)], (2018, 6): [("TIM", "TOTAL IMPONIBLE", 1150000)]},
        note="APV en UF, contrato APV desactivado, ajustes")
    return W


def ordinary_worker(ppl, prm, cd, code, rng, company):
    norte = company == "norte"
    p = ppl.person(cd["comunas"])
    amount = rng.choice([301000, 350000, 380000, 420000, 460000, 520000, 580000, 650000, 720000, 850000,
                         980000, 1200000, 1500000, 1900000])
    afp = rng.choice(["03", "05", "08", "29", "33", "34"])
    isa = rng.choice(["07", "07", "07", "01", "02", "03", "04", "05", "10"])
    pactado, valor = 1, 0
    if isa != "07":
        pactado = rng.choice([1, 2, 2, 3, 5])
        valor = {1: 0, 2: round(rng.uniform(1.5, 5.5), 2), 3: rng.choice([90000, 120000, 160000]),
                 5: round(rng.uniform(2.0, 4.5), 2)}[pactado]
    cargas = rng.choice([0, 0, 0, 1, 2])
    items = [item("102", 0, "GRAMAX" if amount > 420000 else "TOTIMP*0.25")]
    if rng.random() < 0.4:
        items.append(item("103", rng.choice([20000, 35000, 50000, 80000])))
    if rng.random() < 0.3:
        items.append(item("101", rng.randint(2, 16), "SUELDO*0.0077777*VALOR", fijo=0))
    if rng.random() < 0.2:
        items.append(item("204", 0, "SUELDO*0.01"))
    if rng.random() < 0.25:
        items.append(item("201", rng.choice([50000, 80000, 100000]), fijo=0))
    if rng.random() < 0.15:
        start = dt.date(rng.choice([2018, 2019]), rng.randint(1, 9), 15)
        items.append(loan("202", rng.choice([30000, 45000, 60000]), start, rng.choice([4, 6, 10])))
    if norte and rng.random() < 0.1:
        items.append(loan("203", 28000, dt.date(2018, rng.randint(2, 12), 15), 12))
    absences = {}
    for y in (2018, 2019):
        for m in range(1, 13):
            r = rng.random()
            if r < 0.05:
                absences[(y, m)] = [("3", rng.randint(3, 14), rng.randint(1, 10))]
            elif r < 0.07:
                absences[(y, m)] = [("11", rng.randint(1, 3), rng.randint(1, 25))]
    apv = [(rng.choice(APV_INSTITUTIONS)[0], rng.choice([30000, 50000]), "", rng.choice([0, 1]), 0)] \
        if amount > 900000 and rng.random() < 0.5 else []
    p.update(code=code, rut=ppl.rut(), cargo=rng.choice(CARGOS), cencosto=rng.choice(COST_CENTRES)[0],
             currency=1, amount=amount, afp=afp, isa=isa, pactado=pactado, valor_pactado=valor,
             cargas=cargas, tramo=tramo_for(amount, prm) if cargas else "",
             seguro=rng.choice([3, 3, 3, 2]), hired=dt.date(rng.randint(2000, 2017), rng.randint(1, 12), 1),
             items=items, absences=absences, apv=apv)
    return Worker(**p)


# ---------------------------------------------------------------- company database

PERSONAL_COLS = [
    "mes_per", "codigo_per", "rut_per", "clave_per", "nombre_per", "nombres_per", "apepat_per", "apemat_per",
    "anomes_termino_per", "fecha_contrato_per", "fecha_ini_lab_per", "fecha_termino_per", "fecha_nacimiento_per",
    "cargo_per", "cencosto_per", "direccion_per", "comuna_per", "ciudad_per", "telefono_per", "correo_per",
    "sexo_per", "estado_civil_per", "nacionalidad_per", "dir_foto_per", "sueldo_base_per", "moneda_sueldo_per",
    "moneda_sueldo_valor_per", "adicional_pesos_per", "sueldo_patronal_per", "forma_pago_sueldo_per",
    "codigo_banco_per", "cuenta_banco_per", "comprobante_pago", "tipo_trabajador_per", "tipo_jornada_per",
    "dias_jornada_parcial_per", "nombre_regimen_previsional", "codigo_afp_per", "codigo_ips_per",
    "afp_seguro_cesantia_per", "seguro_cesantia_per", "sis_per", "codigo_isa_per", "pactado_isapre_per",
    "valor_pactado_per", "cargas_simples_per", "tramo_carga_per", "total_imponible_per", "dias_trabajados_per"]
HABDES_REMU_COLS = [
    "mes_hd_remu", "codigo_per_remu", "nombre_per_remu", "cencos_per_remu", "codigo_hd_remu", "nombre_hd_remu",
    "tipo_hd_remu", "imponi_hd_remu", "valor_hd_remu", "formula_hd_remu", "fijo_remu", "cencos_hd_remu",
    "codigo_mov_remu", "nombre_mov_remu", "fecdes_remu", "fechas_remu"]
APV_COLS = ["mes_apv", "codper_apv", "nomper_apv", "codigo_inst_apv", "nominst_apv", "valor_apv", "formula_apv",
            "rebaja_tributable", "desactivado"]
AJUSTE_COLS = ["mes_rem", "person_rem", "nombre_rem", "habdes_rem", "tipo_rem", "descri_rem", "valfin_rem"]
VAC_COLS = ["codigo_per_vac", "rut_per_vac", "nombre_per_vac", "fecini_vac", "fechas_vac", "dias_vac", "numcom_vac"]


class CompanyWriter:
    def __init__(self, out, prm, company, workers, common, data):
        self.out, self.prm, self.company, self.workers, self.common = out, prm, company, workers, common
        self.data = data
        self.movements = prm.codes["movimiento_personal"]
        self.inst = dict(APV_INSTITUTIONS)

    def personal_row(self, w, year, m):
        p = self.prm.month(year, m)
        pesos = self.prm.pesos(year, m, w.currency, w.amount)
        absent = sum(d for _, d, _ in w.absences.get((int(year), m), []))
        days = 30 - absent
        taxable = pesos / 30 * days if not w.parcial else pesos
        taxable += sum(i["value"] for i in w.items if i["code"] in ("103", "106") and self.has(i, year, m))
        taxable += min(taxable * 0.25, p["tope_gratificacion_mensual"])
        end = w.ended
        return [
            "%02d" % m, w.code, rut_stored(w.rut), w.clave, w.nombre, w.nombres, w.apepat, w.apemat,
            end.year * 100 + end.month if end else 0, w.hired, w.hired, end, w.birth,
            w.cargo, w.cencosto, w.direccion, w.comuna, w.ciudad, w.telefono, w.correo,
            w.sexo, w.estado_civil, w.nacionalidad, "", pesos, w.currency,
            w.amount if w.currency in (2, 3, 6, 7) else pesos, w.adicional, w.patronal, w.forma_pago,
            w.banco if w.forma_pago == 3 else "", w.cuenta if w.forma_pago == 3 else "", 1, w.tipo,
            "Parcial" if w.parcial else "Completa", w.parcial, w.regimen(), w.afp, w.ips, w.afp_cesantia,
            w.seguro, w.sis, w.isa, w.pactado, w.valor_pactado, w.cargas, w.tramo,
            round(taxable), max(days, 0)]

    @staticmethod
    def has(it, year, m):
        return it["months"] is None or (int(year), m) in it["months"]

    def active(self, w, year, m):
        return not w.ended or (w.ended.year * 100 + w.ended.month) >= ym(year, m)

    def write(self, years, months_of=None, vacations=True):
        out, cd = self.out, self.data
        create_db(out, self.company)
        out.sql(ddl("company.sql"))
        out.insert("anos", ["ano"], [[y] for y in years])
        vac = []
        for year in years:
            out.sql(ddl("company_year.sql", year))
            months = months_of(year) if months_of else list(range(1, 13))
            out.insert("`%s_meses`" % year, ["mes"], [["%02d" % m] for m in months])
            out.insert("`%s_datos_empresa`" % year,
                       ["mes_datemp", "nombre_datemp", "Rut_datemp", "direccion_datemp", "comuna_datemp",
                        "ciudad_datemp", "rep_legal_datemp", "rut_rep_Legal_datemp", "dir_logotipo_datemp",
                        "dir_logotipo_datemp_jpg", "dir_firma_datemp", "dir_firma_datemp_jpg",
                        "codigo_mutual_datemp", "porcentaje_mutual_datemp", "codigo_ccaf_datemp",
                        "porcentaje_ccaf_datemp", "id_cliente_cont_datemp"],
                       [["%02d" % m, cd["nombre"], rut_dotted(cd["rut"]), cd["direccion"], cd["comuna"],
                         cd["ciudad"], cd["rep"], rut_dotted(cd["rep_rut"]), "", "", "", "",
                         cd["mutual"], cd["mutual_pct"], cd["ccaf"], cd["ccaf_pct"], CONT_DB] for m in range(1, 13)])
            out.insert("`%s_habdes`" % year, ["codigo_had", "nombre_had", "tipo_had", "semcor_had"],
                       [list(c) for c in CATALOGUE])
            pers, hd, apv, adj = [], [], [], []
            for m in months:
                mes = "%02d" % m
                for code, value, formula in self.common:
                    name, tipo = ITEM[code]
                    hd.append([mes, "    ", "", "", code, name, tipo, 0 if tipo == 3 else 1 if code in TAXABLE else 2,
                               value, formula, 1, "", "", "", None, None])
                for w in self.workers:
                    if (int(year), m) < w.first or (int(year), m) > w.last:
                        continue
                    pers.append(self.personal_row(w, year, m))
                    if not self.active(w, year, m):
                        continue  # the file keeps him, the administration no longer pays him
                    for it in w.items:
                        if not self.has(it, year, m):
                            continue
                        name, tipo = ITEM[it["code"]]
                        imponi = 0 if tipo == 3 else 1 if it["code"] in TAXABLE else 2
                        hd.append([mes, w.code, w.nombre, w.cencosto, it["code"], name, tipo, imponi, it["value"],
                                   it["formula"], it.get("fijo", 1), w.cencosto, "", "", it["fecdes"], it["fechas"]])
                    for mov, days, first in w.absences.get((int(year), m), []):
                        start = dt.date(int(year), m, first)
                        stop = min(start + dt.timedelta(days=days - 1), last_day(year, m))
                        hd.append([mes, w.code, w.nombre, w.cencosto, "999", "DIAS NO TRABAJADOS", 3, 0, days, "",
                                   0, w.cencosto, mov, self.movements.get(mov, "").upper(), start, stop])
                    for inst, value, formula, deductible, off in w.apv:
                        apv.append([mes, w.code, w.nombre, inst, self.inst.get(inst, ""), value, formula,
                                    deductible, off])
                    for code, descri, value in w.adjust.get((int(year), m), []):
                        tipo = ITEM[code][1] if code in ITEM else (1 if code in ("TIM", "THA", "NIM") else 2)
                        adj.append([mes, w.code, w.nombre, code, tipo, descri, value])
            out.insert("`%s_personal`" % year, PERSONAL_COLS, pers)
            out.insert("`%s_habdes_remu`" % year, HABDES_REMU_COLS, hd)
            if apv:
                out.insert("`%s_apv`" % year, APV_COLS, apv)
            if adj:
                out.insert("`%s_ajuste`" % year, AJUSTE_COLS, adj)
        if vacations:
            n = 0
            for w in self.workers:
                if w.first > (2018, 12) or w.hired.year > 2017:
                    continue
                for y, (mm, dd, days) in ((2018, (2, 5, 15)), (2019, (1, 14, 10))):
                    if (y, mm) > w.last:
                        continue
                    n += 1
                    start = dt.date(y, mm, dd)
                    stop = start + dt.timedelta(days=days + days // 5 * 2 - 1)
                    vac.append([w.code, rut_stored(w.rut), w.nombre, start, stop, days, "%06d" % n])
            out.insert("vacaciones", VAC_COLS, vac)
        out.sql("COMMIT;")


def demo_companies(prm):
    used = set()
    demo_rut = 12345678
    used.add(demo_rut)
    shared_ppl = People(1800, used)
    demo = shared_ppl.person(["ANTOFAGASTA"], female=False)
    demo.update(nombres="JUAN CARLOS", apepat="PÉREZ", apemat="NÚÑEZ", rut=demo_rut, clave="DEMO01",
                correo="juan.perez@example.com", birth=dt.date(1979, 10, 12))
    other = shared_ppl.person(["ANTOFAGASTA"], female=True)
    other.update(rut=shared_ppl.rut(), clave="AMBAS2")
    shared = {"demo": demo, "other": other}
    result = {}
    for company in COMPANIES:
        cd = COMPANY_DATA[company]
        ppl = People(cd["seed"], used)
        rng = random.Random(cd["seed"] * 7)
        workers = special_workers(company, ppl, prm, {k: dict(v) for k, v in shared.items()})
        taken = {w.code for w in workers}
        n = 1
        while len(workers) < 60:
            code = "%04d" % n
            n += 1
            if code in taken:
                continue
            workers.append(ordinary_worker(ppl, prm, cd, code, rng, company))
        workers.sort(key=lambda w: w.code)
        result[company] = workers
    return result


def common_items(company):
    cd = COMPANY_DATA[company]
    items = [("998", 30, ""), ("120", cd["movil"], ""), ("121", cd["colacion"], "VALOR*DIATRA")]
    if company == "sur":
        items.append(("122", 15000, ""))
    return items


def write_demo(out, prm):
    out.sql("SET NAMES utf8mb4;")
    out.sql("SET autocommit=0, unique_checks=0, foreign_key_checks=0;")
    write_parameter_db(out, prm)
    out.sql("COMMIT;")
    write_accounting_db(out)
    write_mail_db(out)
    out.sql("COMMIT;")
    for company, workers in demo_companies(prm).items():
        CompanyWriter(out, prm, company_db(company), workers, common_items(company),
                      COMPANY_DATA[company]).write(YEARS)


def listing(prm):
    rows = []
    for company, workers in demo_companies(prm).items():
        for w in workers:
            if w.note:
                rows.append((company_db(company), w.code, "%d-%s" % (w.rut, rut_dv(w.rut)), w.clave, w.nombre, w.note))
    return rows


# ---------------------------------------------------------------- benchmark company

BENCH_LETTERS = "ABCDEFGHJKLMNPQRSTUVWXYZ"
BENCH_MAX_WORKERS = 9999 + 24 * 1000 + 24 * 24 * 100 + 24 * 24 * 24 * 10


def bench_code(i):
    """Worker codes are four characters: 0001..9999, then A000 .. Z999, AA00 .. ZZ99, AAA0 .. ZZZ9."""
    L = BENCH_LETTERS
    if i < 9999:
        return "%04d" % (i + 1)
    i -= 9999
    if i < 24 * 1000:
        return "%s%03d" % (L[i // 1000], i % 1000)
    i -= 24 * 1000
    if i < 24 * 24 * 100:
        return "%s%s%02d" % (L[i // 2400], L[i // 100 % 24], i % 100)
    i -= 24 * 24 * 100
    return "%s%s%s%d" % (L[i // 5760], L[i // 240 % 24], L[i // 10 % 24], i % 10)


def bench_periods(year, month, months):
    """The `months` months on record that end with year-month, oldest first."""
    y, m = int(year), month
    out = []
    for _ in range(months):
        out.append((y, m))
        y, m = (y - 1, 12) if m == 1 else (y, m - 1)
    return out[::-1]


def write_bench(out, prm, company, n, year, month, months=1):
    rng = random.Random(4242)
    ppl = People(4243, {12345678})
    cd = COMPANY_DATA["norte"]
    workers = []
    earlier = (int(year), month - 2) if month > 2 else (int(year), 1)
    # With more than one month on record every worker is on file from the first of them.
    start = bench_periods(year, month, months)[0]
    for i in range(n):
        p = ppl.person(cd["comunas"])
        kind = i % 20
        amount = rng.choice([301000, 380000, 450000, 520000, 650000, 800000, 1000000, 1400000, 2100000, 3800000])
        currency = {3: 2, 7: 5, 11: 3, 15: 6, 19: 7}.get(kind, 1)
        amount = {2: round(amount / 27500, 1), 3: round(amount / 48000, 1), 6: round(amount / 670, 0),
                  7: round(amount / 760, 0), 5: 0}.get(currency, amount)
        isa = ["07", "07", "01", "02", "03", "04", "05", "10"][i % 8]
        pactado = 1 if isa == "07" else [1, 2, 3, 4, 5][i % 5]
        valor = {1: 0, 2: 3.2, 3: 140000, 4: 0, 5: 2.8}[pactado]
        ips = "41" if kind == 9 else ""
        items = [item("103", rng.choice([25000, 40000, 60000])),
                 item("101", rng.randint(2, 14), "SUELDO*0.0077777*VALOR"),
                 item("105", 30000, "VALOR/30*DIATRA"),
                 item("104", rng.choice([800000, 1500000, 2500000]), "VALOR*0.02"),
                 item("106", rng.choice([40000, 90000])),
                 item("201", rng.choice([50000, 100000])),
                 item("204", 0, "SUELDO*0.01"),
                 item("205", 0.45, "VALOR*VALOUF")]
        if i % 2 == 0:
            items.append(loan("202", 45000, dt.date(int(year), 1, 15), 10))
        absences = {}
        first = (int(year), month)
        if i % 10 == 0:
            absences[(int(year), month)] = [("3", 3 + i % 12, 2), ("11", 1, 27)]
            first = earlier
        elif i % 50 == 5:
            absences[(int(year), month)] = [("3", 30, 1)]
            first = earlier
        apv = []
        if i % 7 == 0 and not ips:
            apv = [("005", 40000, "", 1, 0), ("101", 1.0, "VALOR*VALOUF", 0, 0)]
        adjust = {}
        if i % 50 == 1:
            adjust[(int(year), month)] = [("103", "BONO PRODUCCION", 33333)]
        p.update(code=bench_code(i), rut=ppl.rut(), cargo=rng.choice(CARGOS), cencosto=COST_CENTRES[i % 7][0],
                 currency=currency, amount=amount, afp="00" if ips else ["03", "05", "08", "29", "33", "34"][i % 6],
                 ips=ips, afp_cesantia="08" if ips else "", sis=0 if ips else 1, isa=isa, pactado=pactado,
                 valor_pactado=valor, cargas=i % 3, tramo="ABCD"[i % 4] if i % 3 else "",
                 seguro=[3, 3, 2, 4, 1][i % 5], parcial=20 if kind == 13 else 0,
                 first=min(first, start), last=(int(year), month), items=items, absences=absences, apv=apv,
                 adjust=adjust)
        if kind == 13:
            p["items"].append(item("998", 20))
        if i % 100 == 99 and month > 1:
            # contract ended last month: still on file, no longer paid
            p["ended"] = last_day(year, month - 1)
        workers.append(Worker(**p))
    common = [("998", 30, ""), ("102", 0, "GRAMAX"), ("120", 35000, ""), ("121", 2500, "VALOR*DIATRA"),
              ("122", 15000, "")]
    out.sql("SET NAMES utf8mb4;")
    out.sql("SET autocommit=0, unique_checks=0, foreign_key_checks=0;")
    w = CompanyWriter(out, prm, company, workers, common, cd)
    if months == 1:
        w.write([year], months_of=lambda y: list(range(1, month + 1)), vacations=False)
    else:
        periods = bench_periods(year, month, months)
        years = sorted({str(y) for y, _ in periods})
        w.write(years, months_of=lambda y: [m for yy, m in periods if yy == int(y)], vacations=False)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--params", default=os.environ.get("REMU_PARAMS_JSON", DEFAULT_PARAMS))
    ap.add_argument("--workers", type=int, default=0, help="benchmark company with N workers in one month")
    ap.add_argument("--company", default="demo_remu_bench", help="database name of the benchmark company")
    ap.add_argument("--month", default="2019-03", help="month of the benchmark company (yyyy-mm)")
    ap.add_argument("--months", type=int, default=1,
                    help="months on record of the benchmark company, ending with --month (1-24)")
    ap.add_argument("--list", action="store_true", help="list the demo workers and passwords")
    ap.add_argument("--client", default="DEMO", help="client identifier (names of the databases)")
    args = ap.parse_args(argv)
    if not re.fullmatch(r"[A-Za-z][A-Za-z0-9]{0,20}", args.client):
        ap.error("identificador de cliente inválido: %r" % args.client)
    configure(args.client)

    if not re.fullmatch(r"[A-Za-z0-9_]{1,64}", args.company):
        ap.error("nombre de empresa inválido: %r (sólo letras, dígitos y _)" % args.company)
    m = re.fullmatch(r"(2018|2019)-(0[1-9]|1[0-2])", args.month)
    if not m:
        ap.error("mes inválido: %r (2018-01 .. 2019-12)" % args.month)
    if args.workers < 0 or args.workers > BENCH_MAX_WORKERS:
        ap.error("cantidad de trabajadores fuera de rango: %d" % args.workers)
    if args.months < 1 or bench_periods(m.group(1), int(m.group(2)), args.months)[0] < (2018, 1):
        ap.error("--months fuera de rango: %d (los meses deben caer entre 2018-01 y %s)" % (args.months, args.month))
    try:
        prm = Params(args.params)
    except OSError as e:
        sys.exit("gen_demo: no se pudo leer %s: %s" % (args.params, e.strerror))

    out = Out(sys.stdout)
    if args.list:
        print("%-16s %-6s %-12s %-7s %s" % ("EMPRESA", "CÓDIGO", "RUT", "CLAVE", "TRABAJADOR"))
        for row in listing(prm):
            print("%-16s %-6s %-12s %-7s %s (%s)" % row)
    elif args.workers:
        write_bench(out, prm, args.company.lower(), args.workers, m.group(1), int(m.group(2)), args.months)
    else:
        write_demo(out, prm)


if __name__ == "__main__":
    main()
