#include "widgets/docx_pages.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <cmath>
#include <string>
#include <zip.h>

namespace remu {

namespace {

const char* kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Default Extension="png" ContentType="image/png"/>)"
    R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
    R"(</Types>)";

const char* kRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
    R"(</Relationships>)";

std::string documentXml(std::size_t pages, double wMm, double hMm) {
    // A hair smaller than the page, so the word processor does not push a blank page after each image.
    long cx = std::lround(wMm * 36000 * 0.995);
    long cy = std::lround(hMm * 36000 * 0.995);
    std::string x =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")"
        R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")"
        R"( xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing")"
        R"( xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main")"
        R"( xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"><w:body>)";
    for (std::size_t i = 1; i <= pages; ++i) {
        std::string n = std::to_string(i);
        std::string ext = R"(cx=")" + std::to_string(cx) + R"(" cy=")" + std::to_string(cy) + R"(")";
        x += "<w:p><w:pPr>";
        if (i > 1) x += "<w:pageBreakBefore/>";
        x += R"(<w:spacing w:before="0" w:after="0" w:line="240" w:lineRule="auto"/></w:pPr><w:r><w:drawing>)";
        x += R"(<wp:inline distT="0" distB="0" distL="0" distR="0"><wp:extent )" + ext + "/>";
        x += R"(<wp:docPr id=")" + n + R"(" name="Pagina )" + n + R"("/>)";
        x += R"(<a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic>)";
        x += R"(<pic:nvPicPr><pic:cNvPr id=")" + n + R"(" name="page)" + n + R"(.png"/><pic:cNvPicPr/></pic:nvPicPr>)";
        x += R"(<pic:blipFill><a:blip r:embed="rIdP)" + n + R"("/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>)";
        x += R"(<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext )" + ext + "/></a:xfrm>";
        x += R"(<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic>)";
        x += "</wp:inline></w:drawing></w:r></w:p>";
    }
    long tw = std::lround(wMm * 1440 / 25.4);
    long th = std::lround(hMm * 1440 / 25.4);
    x += R"(<w:sectPr><w:pgSz w:w=")" + std::to_string(tw) + R"(" w:h=")" + std::to_string(th) + R"("/>)";
    x += R"(<w:pgMar w:top="0" w:right="0" w:bottom="0" w:left="0" w:header="0" w:footer="0" w:gutter="0"/>)";
    x += "</w:sectPr></w:body></w:document>";
    return x;
}

std::string documentRels(std::size_t pages) {
    std::string x =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    for (std::size_t i = 1; i <= pages; ++i) {
        std::string n = std::to_string(i);
        x += R"(<Relationship Id="rIdP)" + n +
             R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/page)" +
             n + R"(.png"/>)";
    }
    return x + "</Relationships>";
}

}  // namespace

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "PNG");
    return bytes;
}

bool writePageImagesDocx(const QString& path, const std::vector<QByteArray>& pngs, double pageWidthMm,
                         double pageHeightMm, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (pngs.empty()) return fail(QStringLiteral("sin páginas"));

    // Build the archive in memory, then replace the file in one step.
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* mem = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    if (!mem) return fail(QString::fromUtf8(zip_error_strerror(&zerr)));
    zip_source_keep(mem);
    zip_t* z = zip_open_from_source(mem, ZIP_TRUNCATE, &zerr);
    if (!z) {
        zip_source_free(mem);
        return fail(QString::fromUtf8(zip_error_strerror(&zerr)));
    }
    std::vector<std::string> texts;
    texts.reserve(4);
    auto addText = [&](const char* name, std::string body) {
        texts.push_back(std::move(body));
        zip_source_t* s = zip_source_buffer(z, texts.back().data(), texts.back().size(), 0);
        return s && zip_file_add(z, name, s, ZIP_FL_ENC_UTF_8) >= 0;
    };
    bool ok = addText("[Content_Types].xml", kContentTypes) && addText("_rels/.rels", kRootRels) &&
              addText("word/document.xml", documentXml(pngs.size(), pageWidthMm, pageHeightMm)) &&
              addText("word/_rels/document.xml.rels", documentRels(pngs.size()));
    std::vector<std::string> names;
    for (std::size_t i = 0; ok && i < pngs.size(); ++i) {
        names.push_back("word/media/page" + std::to_string(i + 1) + ".png");
        zip_source_t* s = zip_source_buffer(z, pngs[i].constData(), pngs[i].size(), 0);
        zip_int64_t idx = s ? zip_file_add(z, names.back().c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
        ok = idx >= 0;
        // PNG is compressed already.
        if (ok) zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
    }
    if (!ok) {
        QString why = QString::fromUtf8(zip_strerror(z));
        zip_discard(z);
        zip_source_free(mem);
        return fail(why);
    }
    if (zip_close(z) < 0) {
        QString why = QString::fromUtf8(zip_strerror(z));
        zip_discard(z);
        zip_source_free(mem);
        return fail(why);
    }

    QByteArray bytes;
    if (zip_source_open(mem) == 0) {
        zip_source_seek(mem, 0, SEEK_END);
        zip_int64_t size = zip_source_tell(mem);
        zip_source_seek(mem, 0, SEEK_SET);
        bytes.resize(size);
        if (zip_source_read(mem, bytes.data(), size) != size) bytes.clear();
        zip_source_close(mem);
    }
    zip_source_free(mem);
    if (bytes.isEmpty()) return fail(QStringLiteral("no se pudo armar el documento"));

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(out.errorString());
    return true;
}

}  // namespace remu
