#pragma once
// Password-protected PDF slips. With the marker file "PROTEGE.TXT" in the working
// folder the PDF run encrypts every slip (AES-256) before it reaches the disk,
// with a password the worker knows: the first digits of his RUT, four unless the
// marker says how many. The mailing then tells the rule, never the password.

#include <optional>
#include <string>

namespace remu {

inline constexpr int kDefaultPasswordDigits = 4;
// Fewer than four digits guard nothing; more than eight leave out many workers
// whose RUT has seven.
inline constexpr int kMinPasswordDigits = 4;
inline constexpr int kMaxPasswordDigits = 8;

struct SlipProtection {
    bool on = false;
    int digits = kDefaultPasswordDigits;
};

// Reads the marker of `dir` (any case of its name). Off without it; nullopt, with
// the reason in `problem`, when its content is not a number of digits allowed.
std::optional<SlipProtection> readSlipProtection(const std::string& dir, std::string& problem);

// The first `digits` digits of the RUT's number ("012345678-5" and "12.345.678-5"
// give "1234" for 4); nullopt when the number has fewer.
std::optional<std::string> slipPassword(const std::string& rut, int digits);

// "los 4 primeros dígitos de su RUT"
std::string slipPasswordRule(int digits);

// A PDF held in memory, encrypted with AES-256 under `password` (the reader may
// print and copy); nullopt, with the reason, when it could not be.
std::optional<std::string> protectPdf(const std::string& plainPdf, const std::string& password, std::string& error);

enum class PdfLock {
    Plain,          // not encrypted
    Opens,          // encrypted, and the password opens it
    WrongPassword,  // encrypted, and the password does not open it
    Unreadable,     // not a PDF that can be read
};

// How the file at `path` stands with `password` (empty: only whether it is encrypted).
PdfLock pdfLock(const std::string& path, const std::string& password);

}  // namespace remu
