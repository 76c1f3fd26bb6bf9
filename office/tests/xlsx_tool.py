#!/usr/bin/python3
"""Reads a .xlsx back with openpyxl (an independent reader) for the tests.

  xlsx_tool.py dump FILE       one line per cell and column of the first sheet
  xlsx_tool.py recalc FILE     the same after LibreOffice recalculated every formula
                               (the stored results are removed first, so nothing is
                               taken from the writer)

Cell lines: "cell<TAB>B4<TAB>type=s<TAB>value=...<TAB>bold=1<TAB>size=11<TAB>font=verdana
<TAB>align=left<TAB>format=$#,##0<TAB>borders=LRTB<TAB>fill=F5F5F5"; column lines:
"column<TAB>B<TAB>width=12.5"; row lines "row<TAB>2<TAB>height=22.5"; and
"sheet<TAB>title=Hoja1<TAB>selection=A1<TAB>styles=N<TAB>normal=FONT".
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

import openpyxl


def esc(v):
    return str(v).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def dump(path, data_only=False):
    wb = openpyxl.load_workbook(path, data_only=data_only)
    ws = wb.worksheets[0]
    sel = ws.sheet_view.selection[0].activeCell if ws.sheet_view.selection else ""
    print("sheet\ttitle=%s\tselection=%s\tstyles=%d\tnormal=%s" % (esc(ws.title), sel, len(wb._cell_styles),
                                                                   esc(wb._fonts[0].name)))
    for letter, dim in sorted(ws.column_dimensions.items()):
        if dim.width:
            # openpyxl groups equal columns (min..max); list each.
            for idx in range(dim.min or 0, (dim.max or 0) + 1):
                if idx:
                    print("column\t%s\twidth=%s" % (openpyxl.utils.get_column_letter(idx), dim.width))
    for idx, dim in sorted(ws.row_dimensions.items()):
        if dim.ht:
            print("row\t%d\theight=%s" % (idx, dim.ht))
    for row in ws.iter_rows():
        for c in row:
            if c.value is None and not c.has_style:
                continue
            borders = "".join(k for k, side in (("L", c.border.left), ("R", c.border.right),
                                                ("T", c.border.top), ("B", c.border.bottom))
                              if side is not None and side.style)
            fill = ""
            if c.fill is not None and c.fill.fill_type == "solid":
                rgb = c.fill.fgColor.rgb if c.fill.fgColor is not None else ""
                fill = rgb[-6:] if isinstance(rgb, str) else ""
            print("\t".join([
                "cell", c.coordinate, "type=%s" % c.data_type, "value=%s" % esc("" if c.value is None else c.value),
                "bold=%d" % (1 if c.font.b else 0), "size=%s" % (c.font.sz or ""),
                "font=%s" % esc(c.font.name or ""), "align=%s" % (c.alignment.horizontal or "general"),
                "format=%s" % esc(c.number_format), "borders=%s" % borders, "fill=%s" % fill]))


def strip_results(src, dst):
    """Copy of the workbook without the stored results of its formulas."""
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename.startswith("xl/worksheets/"):
                text = data.decode("utf-8")
                text = re.sub(r"(<f>[^<]*</f>)<v>[^<]*</v>", r"\1", text)
                data = text.encode("utf-8")
            zout.writestr(item, data)


def recalc(path):
    work = tempfile.mkdtemp(prefix="remu_recalc_")
    try:
        src = os.path.join(work, "in", "libro.xlsx")
        os.makedirs(os.path.dirname(src))
        strip_results(path, src)
        out = os.path.join(work, "out")
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--norestore",
                        "--convert-to", "xlsx", "--outdir", out, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
        dump(os.path.join(out, "libro.xlsx"), data_only=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("dump", "recalc"):
        sys.stderr.write(__doc__)
        return 2
    if sys.argv[1] == "dump":
        dump(sys.argv[2])
    else:
        recalc(sys.argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main())
