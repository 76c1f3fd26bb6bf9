#!/usr/bin/env python3
"""Counts the statements one calculation run sends to the server, and the server's own time
for the run's write-back of the workers' figures, by company size.

  statements_bench --servidor DIR --cli [NAME=]PATH [--cli ...] --empresa DB [--empresa ...]
                   [--cliente DEMO] [--ano 2019] [--mes 03] [--veces 3]

DIR is a private server of scripts/dbserver holding the companies (scripts/demo-data load DIR
--workers N --company DB). Every remu-cli given runs "calcula" on every company, the programs
taken in turns and back to back, so that the machine's load falls on all alike. The server's
general log (statements, by the run's own account) and its slow log with a zero threshold (each
statement's time on the server) are kept in tables for the length of the benchmark and put back
as they were at the end.

The write-back is every statement that carries figures to the month's personnel rows: the
UPDATEs, the INSERTs into the temporary table of figures, its creation, the transaction's start
and end, and the question for the server's packet size.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ACCOUNT, PASSWORD = "remubench", "cuenta"


def main():
    ap = argparse.ArgumentParser(prog="statements_bench", description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--servidor", required=True)
    ap.add_argument("--cli", action="append", required=True)
    ap.add_argument("--empresa", action="append", required=True)
    ap.add_argument("--cliente", default="DEMO")
    ap.add_argument("--ano", default="2019")
    ap.add_argument("--mes", default="03")
    ap.add_argument("--veces", type=int, default=3)
    a = ap.parse_args()

    server = a.servidor
    sock = open(os.path.join(server, "socket")).read().strip()
    port = open(os.path.join(server, "port")).read().strip()
    root_pw = open(os.path.join(server, "password")).read().strip()

    def sql(text):
        env = dict(os.environ, MYSQL_PWD=root_pw)
        out = subprocess.run(["mariadb", "--no-defaults", "--socket=" + sock, "-uroot", "-N", "-B", "-e", text],
                             env=env, check=True, capture_output=True, text=True).stdout
        return [line.split("\t") for line in out.splitlines()]

    clis = []
    for item in a.cli:
        name, _, path = item.rpartition("=")
        clis.append((name or path, path))

    before = sql("SELECT @@GLOBAL.general_log, @@GLOBAL.slow_query_log, @@GLOBAL.log_output, "
                 "@@GLOBAL.long_query_time")[0]
    work = tempfile.mkdtemp(prefix="remu_statements_bench_")
    try:
        sql("CREATE USER IF NOT EXISTS '%s'@'127.0.0.1' IDENTIFIED BY '%s'; "
            "GRANT ALL PRIVILEGES ON *.* TO '%s'@'127.0.0.1'" % (ACCOUNT, PASSWORD, ACCOUNT))
        for _, path in clis:
            folder = os.path.join(work, str(abs(hash(path))))
            os.makedirs(folder, exist_ok=True)
            subprocess.run([path, "conexion", "--dir", folder, "--servidor", "127.0.0.1:" + port, "--nombre", "bench",
                            "--usuario", ACCOUNT, "--cliente", a.cliente], input=PASSWORD + "\n", text=True,
                           check=True, capture_output=True)
        sql("SET GLOBAL log_output = 'TABLE'; SET GLOBAL long_query_time = 0; "
            "SET GLOBAL general_log = 1; SET GLOBAL slow_query_log = 1")

        def run(path, company):
            folder = os.path.join(work, str(abs(hash(path))))
            sql("TRUNCATE mysql.general_log; TRUNCATE mysql.slow_log")
            start = time.monotonic()
            done = subprocess.run([path, "calcula", "--empresa", company, "--ano", a.ano, "--mes", a.mes, "--dir",
                                   folder], capture_output=True, text=True)
            elapsed = time.monotonic() - start
            if done.returncode != 0:
                sys.exit("statements_bench: %s calcula %s: %s" % (path, company, done.stderr.strip()))
            # The slow log is written once the statement ends; the general log as it begins.
            who = "user_host LIKE '%s[%s]%%'" % (ACCOUNT, ACCOUNT)
            kinds = sql("SELECT UPPER(SUBSTRING_INDEX(TRIM(argument), ' ', 1)), COUNT(*) FROM mysql.general_log "
                        "WHERE command_type = 'Query' AND %s GROUP BY 1 ORDER BY 1" % who)
            connects = int(sql("SELECT COUNT(*) FROM mysql.general_log WHERE command_type = 'Connect' AND "
                               "argument LIKE '%s@%%'" % ACCOUNT)[0][0])
            wb = sql("SELECT COUNT(*), COALESCE(SUM(TIME_TO_SEC(query_time)), 0) FROM mysql.slow_log WHERE %s AND ("
                     "sql_text LIKE 'UPDATE%%' OR sql_text LIKE 'INSERT INTO `remu_cifras`%%' OR "
                     "sql_text LIKE 'CREATE OR REPLACE TEMPORARY%%' OR sql_text IN ('START TRANSACTION', 'COMMIT', "
                     "'SELECT @@SESSION.max_allowed_packet'))" % who)[0]
            server_all = float(sql("SELECT COALESCE(SUM(TIME_TO_SEC(query_time)), 0) FROM mysql.slow_log WHERE %s"
                                   % who)[0][0])
            return {
                "kinds": {k: int(n) for k, n in kinds},
                "connects": connects,
                "wb_statements": int(wb[0]),
                "wb_server": float(wb[1]),
                "server": server_all,
                "elapsed": elapsed,
            }

        print("statements of one calculation run (%s-%s), by company; median of %d runs each, programs in turns"
              % (a.ano, a.mes, a.veces))
        for company in a.empresa:
            workers = sql("SELECT COUNT(*) FROM `%s`.`%s_personal` WHERE mes_per = '%s'" % (company, a.ano, a.mes))
            print("\n%s: %s workers" % (company, workers[0][0]))
            results = {name: [] for name, _ in clis}
            for i in range(a.veces):
                order = clis if i % 2 == 0 else list(reversed(clis))
                for name, path in order:
                    results[name].append(run(path, company))
            first_wb = None
            for name, _ in clis:
                rs = results[name]
                last = rs[-1]
                total = sum(last["kinds"].values())
                wb = statistics.median(r["wb_server"] for r in rs)
                first_wb = first_wb if first_wb is not None else wb
                print("  %-10s %3d statements (%s), %d connection(s)" % (
                    name, total, ", ".join("%s %d" % kv for kv in sorted(last["kinds"].items())), last["connects"]))
                print("  %-10s write-back: %d statements, %.4f s on the server (%.2f of the first); "
                      "all statements %.3f s on the server; whole run %.2f s" % (
                          "", last["wb_statements"], wb, wb / first_wb if first_wb else 0,
                          statistics.median(r["server"] for r in rs), statistics.median(r["elapsed"] for r in rs)))
    finally:
        sql("SET GLOBAL general_log = %s; SET GLOBAL slow_query_log = %s; SET GLOBAL log_output = '%s'; "
            "SET GLOBAL long_query_time = %s; TRUNCATE mysql.general_log; TRUNCATE mysql.slow_log"
            % (before[0], before[1], before[2], before[3]))
        sql("DROP USER IF EXISTS '%s'@'127.0.0.1'" % ACCOUNT)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
