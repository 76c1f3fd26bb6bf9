#!/usr/bin/env python3
"""Runs the command-line session of the README, as written there, and checks what it did.

The session starts with "./run demo --servidor" and ends with "./run demo --detener". Here the
demo's server is the test run's private server (REMU_DBSERVER_DIR), so a stand-in ./run points
scripts/demo at it and leaves stopping it to the test run; every other line runs as written, in a
scratch copy of the top folder whose build/ and sender/ are those of this checkout.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
BUILD = os.environ.get("REMU_BUILD_DIR", os.path.join(ROOT, "build"))
SERVER_DIR = os.environ.get("REMU_DBSERVER_DIR", os.path.join(BUILD, "dbserver"))

STAND_IN_RUN = """#!/usr/bin/env bash
# ./run of the README session test: the demo server is the test run's private server.
set -euo pipefail
case "$*" in
  "demo --servidor")
    exec env REMU_DEMO_WORK="{work}" REMU_DEMO_SERVER="{server}" REMU_BUILD_DIR="{build}" "{root}/scripts/demo" --servidor ;;
  "demo --detener") echo "(el servidor de la prueba lo detiene la corrida de pruebas)" ;;
  *) echo "./run $*: no esperado en la sesión" >&2; exit 2 ;;
esac
"""


def readme_session():
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        text = f.read()
    block = re.search(r"<!-- sesion -->\s*```sh\n(.*?)```\s*<!-- /sesion -->", text, re.S)
    if not block:
        raise AssertionError("README.md has no session block between <!-- sesion --> and <!-- /sesion -->")
    return block.group(1)


def sql(query):
    def read(name):
        with open(os.path.join(SERVER_DIR, name)) as f:
            return f.read().strip()
    env = dict(os.environ, MYSQL_PWD=read("password"))
    out = subprocess.run(["mariadb", "--no-defaults", "--socket=" + read("socket"), "-uroot", "-N", "-B",
                          "--default-character-set=utf8mb4", "-e", query],
                         env=env, capture_output=True, text=True, check=True).stdout
    return [line.split("\t") for line in out.splitlines()]


class ReadmeSession(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The demo data as a fresh load leaves it (other tests load and change it too).
        subprocess.run([os.path.join(ROOT, "scripts", "demo-data"), "load", SERVER_DIR],
                       check=True, capture_output=True)
        cls.top = tempfile.mkdtemp(prefix="remu_readme_")
        os.symlink(BUILD, os.path.join(cls.top, "build"))
        os.symlink(os.path.join(ROOT, "sender"), os.path.join(cls.top, "sender"))
        run = os.path.join(cls.top, "run")
        with open(run, "w") as f:
            f.write(STAND_IN_RUN.format(work=os.path.join(cls.top, "demo-work"), server=SERVER_DIR, build=BUILD,
                                        root=ROOT))
        os.chmod(run, 0o755)
        cls.work = os.path.join(cls.top, "demo-work")
        # No display: the mailing runs in this process's terminal rather than a window of its own.
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        # Output into files, not pipes: a mailbox the session failed to stop would hold a pipe open.
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            p = subprocess.Popen(["bash", "-e", "-o", "pipefail", "-c", readme_session()], cwd=cls.top, env=env,
                                 stdout=out, stderr=err, text=True, start_new_session=True)
            try:
                code = p.wait(timeout=600)
            except subprocess.TimeoutExpired:
                code = -1
            finally:
                try:
                    os.killpg(p.pid, signal.SIGKILL)  # whatever the session left running
                except ProcessLookupError:
                    pass
            out.seek(0)
            err.seek(0)
            cls.result = subprocess.CompletedProcess(p.args, code, out.read(), err.read())
        cls.mailbox = os.path.join(cls.work, "buzon")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.top, ignore_errors=True)

    def test_the_session_runs_to_its_end(self):
        r = self.result
        self.assertEqual(r.returncode, 0, "stdout:\n%s\nstderr:\n%s" % (r.stdout[-4000:], r.stderr[-4000:]))

    def test_settings_were_written_by_remu_cli_and_never_show_the_password(self):
        self.assertIn("CONEXION.DBF en ", self.result.stdout)
        self.assertRegex(self.result.stdout, r"HOST\s+servidor\s+127\.0\.0\.1:\d+")
        self.assertNotIn("demo2019", self.result.stdout)
        self.assertIn("CORREO.DBF en ", self.result.stdout)

    def test_the_slip_reads_as_on_paper(self):
        out = self.result.stdout
        self.assertIn("LIQUIDACION DE SUELDO  MARZO 2019", out)
        self.assertIn("TRABAJADOR      : 0001  PÉREZ NÚÑEZ JUAN CARLOS", out)
        self.assertLess(out.index("TOTAL HABERES"), out.index("TOTAL DESCUENTOS"))
        self.assertLess(out.index("TOTAL DESCUENTOS"), out.index("ALCANCE LIQUIDO"))

    def mails(self):
        """(recipient, attachment name, attachment bytes) of every message the mailbox received."""
        out = []
        n = 1
        while os.path.exists(os.path.join(self.mailbox, "%d.info" % n)):
            base = os.path.join(self.mailbox, str(n))
            with open(base + ".info", encoding="utf-8") as f:
                info = dict(line.rstrip("\n").split(": ", 1) for line in f if ": " in line)
            with open(base + ".attname", encoding="utf-8") as f:
                name = f.read()
            with open(base + ".att", "rb") as f:
                data = f.read()
            out.append((info["to"].strip("<>"), name, data))
            n += 1
        return out

    def test_every_mail_carries_its_workers_pdf_byte_for_byte(self):
        mails = self.mails()
        self.assertGreater(len(mails), 0)
        pdfs = os.path.join(self.work, "PDFS")
        for _, name, data in mails:
            with open(os.path.join(pdfs, name), "rb") as f:
                self.assertEqual(data, f.read(), name)

    def test_the_workers_with_an_address_get_their_own_slip(self):
        rows = sql("SELECT rut_per, TRIM(correo_per) FROM demo_remu_norte.2019_personal WHERE mes_per = '03'")
        address = {rut: mail for rut, mail in rows}
        with_address = sorted(rut for rut, mail in rows if mail)
        mails = self.mails()
        shared = {mail.lower() for mail in address.values() if mail and
                  sum(1 for m in address.values() if m.lower() == mail.lower()) > 1}
        # Each slip's file name starts with its worker's RUT; it went to that worker's address.
        for to, name, _ in mails:
            self.assertEqual(to, address[name[:11]], name)
        # An address two workers share gets neither slip unless the user allows it.
        expected = sorted(rut for rut in with_address if address[rut].lower() not in shared)
        self.assertEqual(sorted(name[:11] for _, name, _ in mails), expected)
        self.assertEqual(len(mails), 49)
        self.assertRegex(self.result.stdout, r"(?m)^\s*49$")  # the README's count of the mailbox

    def test_the_account_names_every_worker_as_the_readme_says(self):
        out = self.result.stdout
        self.assertIn("envio terminó con 1", out)  # something asked for was not done: two withheld
        self.assertRegex(out, r"49 enviados, 2 retenidos por dirección compartida, 7 sin dirección")
        for code in ("0026", "0049"):
            self.assertRegex(out, r"(?m)^%s .*<pia\.saez@example\.com>: retenido \(dirección compartida\)" % code)
        for code in ("0010", "0015", "0016", "0029", "0038", "0043", "0060"):
            self.assertRegex(out, r"(?m)^%s .*: sin dirección$" % code)


if __name__ == "__main__":
    unittest.main(verbosity=2)
