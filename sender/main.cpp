// ZovorIzaridAVO: sends one pay slip PDF as a mail attachment over SMTP.
// Called once per slip by the mass-mailing batch with nine arguments:
//   account password server port "pdf path" recipient "subject" "text" "sender name"
// Exit status: 0 the server accepted the mail; 1 this mail was not sent (refused,
// bad recipient, missing file); 2 wrong arguments; 3 the mail server cannot be
// used at all (unreachable, unknown, login refused, bad settings), so a batch
// had better stop. The reason goes to stderr in one line.

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>

#include "format/mail_address.h"

namespace {

std::string base64(const std::string& in) {
    static const char* const table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        unsigned v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8) |
                     static_cast<unsigned char>(in[i + 2]);
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    if (i < in.size()) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += i + 1 < in.size() ? table[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool plainAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
    return true;
}

// Header text: as is when plain ASCII, otherwise a UTF-8 encoded word.
std::string headerText(const std::string& s) { return plainAscii(s) ? s : "=?UTF-8?B?" + base64(s) + "?="; }

std::string percentEncode(const std::string& s) {
    std::string out;
    char buf[4];
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string rfc2822Date() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64];
    std::strftime(buf, sizeof buf, "Date: %a, %d %b %Y %H:%M:%S %z", &local);
    return buf;
}

struct Attempt {
    CURLcode code = CURLE_OK;
    long response = 0;
    std::string error;
};

struct Mail {
    std::string account, password, server, port, pdf, recipient, subject, text, senderName;
};

Attempt sendOnce(const Mail& m) {
    Attempt a;
    CURL* curl = curl_easy_init();
    if (!curl) {
        a.code = CURLE_FAILED_INIT;
        a.error = "no se pudo iniciar libcurl";
        return a;
    }
    char errbuf[CURL_ERROR_SIZE] = {};
    std::string scheme = m.port == "465" ? "smtps://" : "smtp://";
    std::string url = scheme + m.server + ":" + m.port;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    // STARTTLS whenever the server offers it.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!m.password.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, m.account.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m.password.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 600L);
    std::string from = "<" + m.account + ">";
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
    curl_slist* rcpt = curl_slist_append(nullptr, ("<" + m.recipient + ">").c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);

    std::mt19937_64 rng(std::random_device{}());
    curl_slist* headers = nullptr;
    std::string fromHeader = plainAscii(m.senderName) ? "\"" + m.senderName + "\"" : headerText(m.senderName);
    headers = curl_slist_append(headers, rfc2822Date().c_str());
    headers = curl_slist_append(headers, ("From: " + fromHeader + " <" + m.account + ">").c_str());
    headers = curl_slist_append(headers, ("To: <" + m.recipient + ">").c_str());
    headers = curl_slist_append(headers, ("Subject: " + headerText(m.subject)).c_str());
    headers = curl_slist_append(
        headers, ("Message-ID: <" + std::to_string(rng()) + "." + std::to_string(std::time(nullptr)) + "@remu>").c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    curl_mime* mime = curl_mime_init(curl);
    curl_mimepart* body = curl_mime_addpart(mime);
    curl_mime_data(body, m.text.c_str(), CURL_ZERO_TERMINATED);
    curl_mime_type(body, "text/plain; charset=UTF-8");
    curl_mime_encoder(body, "quoted-printable");

    curl_mimepart* file = curl_mime_addpart(mime);
    curl_mime_filedata(file, m.pdf.c_str());
    curl_mime_type(file, "application/pdf");
    curl_mime_encoder(file, "base64");
    // Worker names carry accents: give the file name in RFC 2231 form as well.
    std::string name = std::filesystem::path(m.pdf).filename().string();
    curl_mime_filename(file, nullptr);
    curl_slist* partHeaders = curl_slist_append(
        nullptr, (plainAscii(name) ? "Content-Disposition: attachment; filename=\"" + name + "\""
                         : "Content-Disposition: attachment; filename*=UTF-8''" + percentEncode(name))
                     .c_str());
    curl_mime_headers(file, partHeaders, 1);
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);

    a.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &a.response);
    a.error = errbuf[0] ? errbuf : curl_easy_strerror(a.code);

    curl_mime_free(mime);
    curl_slist_free_all(headers);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    return a;
}

// Only the server's own "try again later" is worth waiting for; a refused
// connection, an unknown host or a wrong password do not mend in a minute.
bool transient(const Attempt& a) { return a.code != CURLE_OK && a.response >= 400 && a.response < 500; }

constexpr int kNotSent = 1;
constexpr int kServerUnusable = 3;

// Status and message of a failed attempt.
std::pair<int, std::string> classify(const Attempt& a, const Mail& m) {
    const std::string server = m.server + ":" + m.port;
    switch (a.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return {kServerUnusable, "no se encontró el servidor de correo " + m.server};
    case CURLE_COULDNT_CONNECT:
        return {kServerUnusable, "no se pudo conectar con el servidor de correo " + server + " (" + a.error + ")"};
    case CURLE_OPERATION_TIMEDOUT:
        return {kServerUnusable, "el servidor de correo " + server + " no respondió a tiempo"};
    case CURLE_LOGIN_DENIED:
        return {kServerUnusable, "el servidor de correo rechazó la cuenta o la clave de " + m.account};
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return {kServerUnusable, "no se pudo establecer la conexión segura con " + server + " (" + a.error + ")"};
    default:
        break;
    }
    std::string text = a.error;
    if (a.response) text += " (respuesta del servidor " + std::to_string(a.response) + ")";
    if (a.response >= 400 && a.response < 500) text = "el servidor siguió rechazando el envío por ahora: " + text;
    return {kNotSent, text};
}

bool plausibleServer(const std::string& s) {
    if (s.empty() || s.size() > 253 || s.front() == '-') return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-')) return false;
    return true;
}

bool plausiblePort(const std::string& p) {
    if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    int n = std::atoi(p.c_str());
    return n >= 1 && n <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 10) {
        std::cerr << "Uso: ZovorIzaridAVO cuenta clave servidor puerto \"archivo pdf\" destinatario \"asunto\" "
                     "\"mensaje\" \"nombre remitente\"\n";
        return 2;
    }
    // Texts of the headers and the body cannot carry a line break of their own.
    Mail m{argv[1], argv[2], argv[3], argv[4], argv[5], argv[6],
           remu::blankControls(argv[7]), remu::blankControls(argv[8]), remu::blankControls(argv[9])};
    const std::string file = std::filesystem::path(remu::blankControls(m.pdf)).filename().string();
    // Every address goes into an SMTP command: anything but a plain one is refused here too.
    if (auto problem = remu::mailAddressProblem(m.account); !problem.empty()) {
        std::cerr << "No se envió " << file << ": la cuenta del remitente " << problem << "\n";
        return kServerUnusable;
    }
    if (!plausibleServer(m.server) || !plausiblePort(m.port)) {
        std::cerr << "No se envió " << file << ": el servidor de correo \"" << remu::blankControls(m.server) << ":"
                  << remu::blankControls(m.port) << "\" no es válido\n";
        return kServerUnusable;
    }
    if (remu::hasControlChar(m.password)) {
        std::cerr << "No se envió " << file << ": la clave del remitente contiene caracteres de control\n";
        return kServerUnusable;
    }
    if (auto problem = remu::mailAddressProblem(m.recipient); !problem.empty()) {
        std::cerr << "No se envió " << file << ": la dirección " << remu::blankControls(m.recipient) << " " << problem
                  << "\n";
        return kNotSent;
    }
    std::error_code ec;
    if (remu::hasControlChar(m.pdf) || !std::filesystem::is_regular_file(m.pdf, ec)) {
        std::cerr << "No se envió a " << m.recipient << ": no existe el archivo " << remu::blankControls(m.pdf) << "\n";
        return kNotSent;
    }

    // Providers refuse for a while when their sending limit is reached: wait and retry,
    // 10 + 20 + 40 seconds at most.
    double wait = 10;
    if (const char* w = std::getenv("REMU_SENDER_WAIT")) wait = std::atof(w);
    const int attempts = 4;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Attempt a;
    for (int i = 0; i < attempts; ++i) {
        a = sendOnce(m);
        if (a.code == CURLE_OK) break;
        if (!transient(a) || i + 1 == attempts) break;
        double seconds = wait * (1 << i);
        std::cerr << "Servidor ocupado (" << a.response << "), reintento en " << seconds << " s\n";
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
    curl_global_cleanup();

    if (a.code != CURLE_OK) {
        auto [status, why] = classify(a, m);
        std::cerr << "No se envió " << file << " a " << m.recipient << ": " << why << "\n";
        return status;
    }
    std::cout << "Enviado " << file << " a " << m.recipient << "\n";
    return 0;
}
