#pragma once
// The session's own word processor: a headless LibreOffice started with a private
// profile and a private pipe, so it never meets the user's own office (his open
// documents, his settings). It is started on first use, kept for the next
// documents of the session and ended when the program ends.
//
// Internal to office/: this header brings the UNO headers with it.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <rtl/ustring.hxx>

namespace remu::office {

namespace uno = com::sun::star::uno;

// A LibreOffice installation: its program folder, holding soffice.bin and fundamentalrc.
struct Installation {
    std::filesystem::path program;
    std::filesystem::path binary;  // soffice.bin
};

// REMU_SOFFICE when set (the office's soffice or soffice.bin; nothing else is tried),
// otherwise soffice / libreoffice on PATH and the usual install folders.
std::optional<Installation> locateInstallation();

// The desktop of the running private instance, started when needed. Empty (with the
// reason in `why`, for the log of a developer) when no office can be started.
uno::Reference<com::sun::star::frame::XDesktop2> desktop(std::string& why);

// Ends the private instance (if any) and removes its profile.
void shutdown();

// Seconds the last start took, from launch to the first answer (0 before any start).
double lastStartSeconds();

// UTF-8 <-> UNO strings, and file URLs.
rtl::OUString ou(std::string_view utf8);
std::string utf8(const rtl::OUString& s);
rtl::OUString fileUrl(const std::filesystem::path& path);

}  // namespace remu::office
