#pragma once
// Word documents for the tests of the contract documents: a minimal .docx written
// part by part (so a test decides exactly how the runs are split, as Word splits them
// around spell-check marks and revision ids), and reading parts and run formatting back.
// Header-only; the test links libzip and pugixml.

#include <zip.h>

#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace remu::testdocx {

inline constexpr const char* kNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// A .docx whose body holds `bodyXml` (w:p and w:tbl elements) and, when given, a
// default page header holding `headerXml` (w:p elements).
inline void writeDocx(const std::string& path, const std::string& bodyXml, const std::string& headerXml = {}) {
    const bool header = !headerXml.empty();
    std::vector<std::pair<std::string, std::string>> parts;
    parts.emplace_back("[Content_Types].xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                       "<Default Extension=\"rels\" "
                       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                       "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
                       "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>" +
                           std::string(header ? "<Override PartName=\"/word/header1.xml\" ContentType=\"application/"
                                                "vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>"
                                              : "") +
                           "</Types>");
    parts.emplace_back("_rels/.rels",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                       "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    std::string sect = header ? "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rIdH\"/></w:sectPr>" : "";
    parts.emplace_back("word/document.xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document " +
                           std::string(kNamespaces) + "><w:body>" + bodyXml + sect + "</w:body></w:document>");
    if (header) {
        parts.emplace_back("word/_rels/document.xml.rels",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rIdH\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                           "relationships/header\" Target=\"header1.xml\"/></Relationships>");
        parts.emplace_back("word/header1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:hdr " +
                                                   std::string(kNamespaces) + ">" + headerXml + "</w:hdr>");
    }
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) throw std::runtime_error("cannot create " + path);
    for (auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(z);
            throw std::runtime_error("cannot write " + name);
        }
    }
    if (zip_close(z) != 0) throw std::runtime_error("cannot close " + path);
}

// One part of a .docx ("word/document.xml"); empty when absent.
inline std::string readPart(const std::string& path, const std::string& part) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!z) return {};
    std::string out;
    if (zip_file_t* f = zip_fopen(z, part.c_str(), 0)) {
        char buf[8192];
        for (zip_int64_t n; (n = zip_fread(f, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        zip_fclose(f);
    }
    zip_close(z);
    return out;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// How the run holding `text` in a document.xml is formatted.
struct RunFormat {
    bool found = false;
    bool bold = false;
    bool italic = false;
};

inline RunFormat formatOf(const std::string& documentXml, const std::string& text) {
    pugi::xml_document doc;
    if (!doc.load_string(documentXml.c_str())) return {};
    auto on = [](pugi::xml_node n) {
        if (!n) return false;
        std::string v = n.attribute("w:val").value();
        return v.empty() || (v != "false" && v != "0");
    };
    for (auto r : doc.select_nodes("//w:r")) {
        std::string t;
        for (auto w : r.node().children("w:t")) t += w.text().get();
        if (t.find(text) == std::string::npos) continue;
        auto props = r.node().child("w:rPr");
        return {true, on(props.child("w:b")), on(props.child("w:i"))};
    }
    return {};
}

}  // namespace remu::testdocx
