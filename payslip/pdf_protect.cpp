#include "payslip/pdf_protect.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDFWriter.hh>

#include <fstream>
#include <random>

#include "core/work_folder.h"
#include "format/text.h"

namespace remu {

namespace {

// Nobody needs the owner's rights (the worker may print and copy), but an empty
// owner password would open the file for anyone: a random one that nobody keeps.
std::string randomOwnerPassword() {
    std::random_device rd;
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 32; ++i) out += hex[rd() % 16];
    return out;
}

}  // namespace

std::optional<SlipProtection> readSlipProtection(const std::string& dir, std::string& problem) {
    auto path = WorkFolder(dir).find(Marker::Protege);
    if (!path) return SlipProtection{};
    const std::string usage = "El archivo " + std::string(markerFile(Marker::Protege)) +
                              " debe estar vacío o indicar cuántos dígitos del RUT forman la clave de las "
                              "liquidaciones PDF (de " + std::to_string(kMinPasswordDigits) + " a " +
                              std::to_string(kMaxPasswordDigits) + ")";
    std::ifstream in(*path, std::ios::binary);
    if (!in) {
        problem = "No se puede leer el archivo " + std::string(markerFile(Marker::Protege));
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // as Notepad saves it
    text = trim(text);

    SlipProtection p{true, kDefaultPasswordDigits};
    if (text.empty()) return p;
    if (text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) {
        problem = usage;
        return std::nullopt;
    }
    p.digits = std::stoi(text);
    if (p.digits < kMinPasswordDigits || p.digits > kMaxPasswordDigits) {
        problem = usage;
        return std::nullopt;
    }
    return p;
}

std::optional<std::string> slipPassword(const std::string& rut, int digits) {
    auto dash = rut.find('-');
    if (dash == std::string::npos || digits <= 0) return std::nullopt;
    std::string number;
    for (char c : rut.substr(0, dash)) {
        if (c == '.' || c == ' ') continue;
        if (c < '0' || c > '9') return std::nullopt;
        if (number.empty() && c == '0') continue;  // stored zero-filled; nobody types those zeros
        number += c;
    }
    if (number.size() < static_cast<size_t>(digits)) return std::nullopt;
    return number.substr(0, static_cast<size_t>(digits));
}

std::string slipPasswordRule(int digits) { return "los " + std::to_string(digits) + " primeros dígitos de su RUT"; }

std::optional<std::string> protectPdf(const std::string& plainPdf, const std::string& password, std::string& error) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processMemoryFile("liquidacion", plainPdf.data(), plainPdf.size());
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.setR6EncryptionParameters(password.c_str(), randomOwnerPassword().c_str(), true, true, true, true, true,
                                         true, qpdf_r3p_full, true);
        writer.write();
        auto buffer = writer.getBufferSharedPointer();
        return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const std::exception& e) {
        error = e.what();
    }
    return std::nullopt;
}

PdfLock pdfLock(const std::string& path, const std::string& password) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processFile(path.c_str(), password.c_str());
        return pdf.isEncrypted() ? PdfLock::Opens : PdfLock::Plain;
    } catch (const QPDFExc& e) {
        return e.getErrorCode() == qpdf_e_password ? PdfLock::WrongPassword : PdfLock::Unreadable;
    } catch (const std::exception&) {
        return PdfLock::Unreadable;
    }
}

}  // namespace remu
