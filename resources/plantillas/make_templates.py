#!/usr/bin/env python3
"""Writes the contract and settlement templates of remu (contrato_tipo, finiquito_tipo)
as .docx and, through LibreOffice, as legacy Word 97 .doc. The files are committed; run
this only to change them:  resources/plantillas/make_templates.py

The bracketed markers ([NOMEMP], [NOMPER], ...) are replaced by the worker's and the
company's data when a document is produced (remu-cli documento, worker file page 1)."""

import os
import shutil
import subprocess
import sys
import tempfile
import zipfile
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
W = ('xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"')
FONT = "Times New Roman"


def runs(text, size=24):
    """**bold** segments; everything else plain."""
    out = []
    for i, part in enumerate(text.split("**")):
        if not part:
            continue
        props = '<w:rFonts w:ascii="%s" w:hAnsi="%s" w:cs="%s"/>' % (FONT, FONT, FONT)
        if i % 2:
            props += "<w:b/><w:bCs/>"
        props += '<w:sz w:val="%d"/><w:szCs w:val="%d"/>' % (size, size)
        out.append('<w:r><w:rPr>%s</w:rPr><w:t xml:space="preserve">%s</w:t></w:r>' % (props, escape(part)))
    return "".join(out)


def para(text="", align="both", size=24, after=160, indent=0):
    ind = '<w:ind w:firstLine="%d"/>' % indent if indent else ""
    return ('<w:p><w:pPr><w:spacing w:after="%d" w:line="300" w:lineRule="auto"/>%s<w:jc w:val="%s"/></w:pPr>%s</w:p>'
            % (after, ind, align, runs(text, size)))


def table(rows, widths, borders=True):
    border = ('<w:tblBorders>' + "".join('<w:%s w:val="single" w:sz="4" w:space="0" w:color="000000"/>' % s
                                          for s in ("top", "left", "bottom", "right", "insideH", "insideV"))
              + '</w:tblBorders>') if borders else ""
    grid = "".join('<w:gridCol w:w="%d"/>' % w for w in widths)
    body = ""
    for row in rows:
        cells = ""
        for text, w in zip(row, widths):
            align = "right" if text.startswith("$") else "left"
            lines = text.split("\n")
            cells += ('<w:tc><w:tcPr><w:tcW w:w="%d" w:type="dxa"/></w:tcPr>%s</w:tc>'
                      % (w, "".join(para(t, align=align, after=40) for t in lines)))
        body += "<w:tr>%s</w:tr>" % cells
    return ('<w:tbl><w:tblPr><w:tblW w:w="%d" w:type="dxa"/>%s<w:tblLayout w:type="fixed"/></w:tblPr>'
            '<w:tblGrid>%s</w:tblGrid>%s</w:tbl>' % (sum(widths), border, grid, body))


def signatures(left, right):
    cell = lambda lines: "\n".join(lines)
    return table([[cell(["", "", "_______________________________"] + left),
                   cell(["", "", "_______________________________"] + right)]], [4600, 4600], borders=False)


def docx(path, body):
    # Letter size, 2.5 cm margins.
    sect = ('<w:sectPr><w:pgSz w:w="12240" w:h="15840"/>'
            '<w:pgMar w:top="1418" w:right="1418" w:bottom="1418" w:left="1418" w:header="709" w:footer="709" '
            'w:gutter="0"/></w:sectPr>')
    document = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:document %s><w:body>%s%s</w:body>'
                '</w:document>' % (W, body, sect))
    styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:styles %s><w:docDefaults><w:rPrDefault>'
              '<w:rPr><w:rFonts w:ascii="%s" w:hAnsi="%s" w:cs="%s"/><w:sz w:val="24"/><w:lang w:val="es-CL"/>'
              '</w:rPr></w:rPrDefault></w:docDefaults></w:styles>' % (W, FONT, FONT, FONT))
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Override PartName="/word/document.xml" ContentType="application/'
             'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
             '<Override PartName="/word/styles.xml" ContentType="application/'
             'vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/></Types>')
    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'officeDocument" Target="word/document.xml"/></Relationships>')
    doc_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
                'styles" Target="styles.xml"/></Relationships>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", rels)
        z.writestr("word/document.xml", document)
        z.writestr("word/styles.xml", styles)
        z.writestr("word/_rels/document.xml.rels", doc_rels)


def contrato():
    c = [para("**CONTRATO INDIVIDUAL DE TRABAJO**", align="center", size=28, after=360)]
    c.append(para(
        "En [COMUEMP], a [FECCON], entre **[NOMEMP]**, RUT [RUTEMP], representada legalmente por[REPLEG], "
        "cédula de identidad N° [RUTREP], ambos con domicilio en [DIREMP], comuna de [COMUEMP], en adelante "
        "\u201cel Empleador\u201d, y don(ña) **[NOMPER]**, cédula de identidad N° [RUTPER], de nacionalidad chilena, "
        "de estado civil [ESTCIV], nacido(a) el [FECNAC], domiciliado(a) en [DIRPER], comuna de [COMUPER], en "
        "adelante \u201cel Trabajador\u201d, se ha convenido el siguiente contrato individual de trabajo:"))
    clauses = [
        ("PRIMERO", "El Trabajador se compromete a desempeñar el cargo de **[ACTPER]** y las labores "
                    "inherentes a él que le encomiende el Empleador, en el establecimiento ubicado en [DIREMP], "
                    "comuna de [COMUEMP], sin perjuicio de que el Empleador pueda destinarlo a otras funciones o "
                    "lugares en los términos del artículo 12 del Código del Trabajo."),
        ("SEGUNDO", "La jornada ordinaria de trabajo será de cuarenta y cinco horas semanales, distribuidas de "
                    "lunes a viernes, con los descansos que establece la ley. El tiempo de colación no se "
                    "considerará trabajado para computar la duración de la jornada."),
        ("TERCERO", "El Empleador pagará al Trabajador un sueldo base mensual de $[SUEBAS] ([SUEBME]PESOS), "
                    "que se liquidará y pagará por mes vencido, el último día hábil de cada mes, en dinero "
                    "efectivo, cheque o depósito en la cuenta bancaria que el Trabajador indique. De las "
                    "remuneraciones se deducirán los impuestos, las cotizaciones de previsión y seguridad social "
                    "y las demás deducciones que autoriza el artículo 58 del Código del Trabajo."),
        ("CUARTO", "El Empleador pagará la gratificación legal en la forma que establece el artículo 50 del "
                   "Código del Trabajo, con el tope de cuatro coma setenta y cinco ingresos mínimos mensuales."),
        ("QUINTO", "El Trabajador se obliga a cumplir fielmente las instrucciones que le imparta el Empleador, "
                   "el Reglamento Interno de Orden, Higiene y Seguridad de la empresa y a guardar reserva de la "
                   "información a la que tenga acceso con motivo de sus funciones."),
        ("SEXTO", "El presente contrato [FECTER]. Las partes dejan constancia de que el Trabajador ingresó al "
                  "servicio del Empleador el [FECCON]."),
        ("SÉPTIMO", "Para todos los efectos de este contrato las partes fijan su domicilio en la comuna de "
                    "[COMUEMP] y se someten a la jurisdicción de sus tribunales."),
        ("OCTAVO", "El presente contrato se firma en dos ejemplares del mismo tenor, quedando uno en poder de "
                   "cada parte. El Trabajador declara recibir en este acto su ejemplar y un ejemplar del "
                   "Reglamento Interno de la empresa."),
    ]
    for head, text in clauses:
        c.append(para("**%s:** %s" % (head, text)))
    c.append(para("", after=480))
    c.append(signatures(["[NOMEMP]", "RUT [RUTEMP]", "p.p.[REPLEG]", "EMPLEADOR"],
                        ["[NOMPER]", "RUT [RUTPER]", "TRABAJADOR"]))
    c.append(para(""))  # a table may not close the document
    return "".join(c)


def finiquito():
    c = [para("**FINIQUITO DE CONTRATO DE TRABAJO**", align="center", size=28, after=360)]
    c.append(para(
        "En [COMUEMP], a ____ de ______________ de ______, entre **[NOMEMP]**, RUT [RUTEMP], representada "
        "legalmente por[REPLEG], cédula de identidad N° [RUTREP], ambos domiciliados en [DIREMP], comuna de "
        "[COMUEMP], en adelante \u201cel Empleador\u201d, y don(ña) **[NOMPER]**, cédula de identidad N° [RUTPER], "
        "domiciliado(a) en [DIRPER], comuna de [COMUPER], en adelante \u201cel Trabajador\u201d, se deja "
        "constancia de lo siguiente:"))
    c.append(para(
        "**PRIMERO:** El Trabajador prestó servicios al Empleador en el cargo de **[ACTPER]** desde el "
        "[FECCON] hasta el ____ de ______________ de ______, fecha en que terminó su contrato de trabajo por la "
        "causal del artículo _______ N° ____ del Código del Trabajo: "
        "________________________________________________."))
    c.append(para(
        "**SEGUNDO:** Su última remuneración mensual fue un sueldo base de $[SUEBAS] ([SUEBME]PESOS). El "
        "Trabajador recibe en este acto, a su entera satisfacción, la suma que resulta de la siguiente "
        "liquidación:"))
    c.append(table([["Concepto", "Monto"],
                    ["Remuneraciones pendientes", "$"],
                    ["Feriado legal y proporcional", "$"],
                    ["Indemnización sustitutiva del aviso previo", "$"],
                    ["Indemnización por años de servicio", "$"],
                    ["Menos: descuentos legales y anticipos", "$"],
                    ["**TOTAL A PAGAR**", "$"]], [6600, 2600]))
    c.append(para("", after=120))
    c.append(para(
        "**TERCERO:** El Trabajador declara que durante todo el tiempo que prestó servicios recibió "
        "oportunamente el total de sus remuneraciones, beneficios y demás prestaciones convenidas, y que el "
        "Empleador enteró las cotizaciones previsionales y de seguridad social que le correspondían, por lo "
        "que otorga al Empleador el más amplio, completo y total finiquito, declarando que nada se le adeuda "
        "por concepto alguno relacionado con el contrato de trabajo que los vinculó."))
    c.append(para(
        "**CUARTO:** El presente finiquito se firma en tres ejemplares, quedando uno en poder de cada parte y "
        "el tercero en poder del ministro de fe ante quien se ratifica, conforme al artículo 177 del Código "
        "del Trabajo."))
    c.append(para("", after=480))
    c.append(signatures(["[NOMEMP]", "RUT [RUTEMP]", "p.p.[REPLEG]", "EMPLEADOR"],
                        ["[NOMPER]", "RUT [RUTPER]", "TRABAJADOR"]))
    c.append(para("", after=240))
    c.append(para("Ratificado ante: _____________________________   Firma y timbre: ____________________",
                  align="left", size=20))
    return "".join(c)


def main():
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        sys.exit("make_templates: LibreOffice (soffice) is needed to write the .doc templates")
    made = []
    for name, body in (("contrato_tipo", contrato()), ("finiquito_tipo", finiquito())):
        path = os.path.join(HERE, name + ".docx")
        docx(path, body)
        made.append(path)
    with tempfile.TemporaryDirectory() as profile:
        # A private profile that skips the office's graphics self-test at start.
        os.makedirs(os.path.join(profile, "user"))
        with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?><oor:items xmlns:oor="http://openoffice.org/2001/registry">'
                    '<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" '
                    'oor:op="fuse"><value>99.0</value></prop></item></oor:items>')
        subprocess.run([soffice, "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
                        "--convert-to", "doc:MS Word 97", "--outdir", HERE] + made, check=True,
                       stdout=subprocess.DEVNULL)
    for path in made:
        print(path, os.path.splitext(path)[0] + ".doc")


if __name__ == "__main__":
    main()
