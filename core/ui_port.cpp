#include "core/ui_port.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>

namespace remu {

const char* boxKindName(BoxKind kind) {
    switch (kind) {
    case BoxKind::Stop: return "Stop";
    case BoxKind::Alert: return "Alert";
    case BoxKind::Info: return "Info";
    case BoxKind::YesNo: return "YesNo";
    }
    return "?";
}

std::string standardTitle(BoxKind kind) {
    switch (kind) {
    case BoxKind::Stop: return "Alto";
    case BoxKind::Alert: return "Atención";
    case BoxKind::Info: return "Información";
    case BoxKind::YesNo: return "Seleccione";
    }
    return {};
}

static std::string titleOr(BoxKind kind, std::string_view title) {
    return title.empty() ? standardTitle(kind) : std::string(title);
}

void RecordingPort::stop(std::string_view text, std::string_view title) {
    boxes.push_back({BoxKind::Stop, titleOr(BoxKind::Stop, title), std::string(text)});
}
void RecordingPort::alert(std::string_view text, std::string_view title) {
    boxes.push_back({BoxKind::Alert, titleOr(BoxKind::Alert, title), std::string(text)});
}
void RecordingPort::info(std::string_view text, std::string_view title) {
    boxes.push_back({BoxKind::Info, titleOr(BoxKind::Info, title), std::string(text)});
}
bool RecordingPort::yesNo(std::string_view text, std::string_view title) {
    boxes.push_back({BoxKind::YesNo, titleOr(BoxKind::YesNo, title), std::string(text)});
    if (answers.empty()) return defaultAnswer;
    bool a = answers.front();
    answers.pop_front();
    return a;
}
void RecordingPort::progress(std::string_view text) { progressTexts.emplace_back(text); }
void RecordingPort::openFile(const std::string& path) { openedFiles.push_back(path); }

void RecordingPort::clear() {
    boxes.clear();
    progressTexts.clear();
    openedFiles.clear();
}

std::vector<std::string> RecordingPort::lines() const {
    std::vector<std::string> out;
    for (const auto& b : boxes) out.push_back(std::string(boxKindName(b.kind)) + "|" + b.title + "|" + b.text);
    return out;
}

std::string progressLine(std::string_view text) {
    std::string line(text);
    if (auto nl = line.find_last_of("\r\n"); nl != std::string::npos) {
        // Several lines: the last one says how far the run is ("Proceso 80%").
        std::string last = line.substr(nl + 1);
        if (last.find_first_not_of(' ') != std::string::npos) line = last;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n')) line.pop_back();
    while (!line.empty() && line.front() == ' ') line.erase(0, 1);

    // "Proceso 80%58": the engine appends the count of workers done to the percentage.
    const std::string word = "Proceso ";
    if (line.rfind(word, 0) != 0) return line;
    size_t i = word.size(), digits = i;
    while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits]))) ++digits;
    if (digits == i || digits >= line.size() || line[digits] != '%') return line;
    const std::string percent = line.substr(i, digits - i);
    const std::string count = line.substr(digits + 1);
    if (!std::all_of(count.begin(), count.end(), [](unsigned char c) { return std::isdigit(c); })) return line;
    std::string out = "Proceso " + std::string(percent.size() < 3 ? 3 - percent.size() : 0, ' ') + percent + "%";
    if (!count.empty()) out += "  " + count + (count == "1" ? " trabajador" : " trabajadores");
    return out;
}

ConsolePort::ConsolePort(bool assumeYes, bool quietProgress)
    : ConsolePort(assumeYes, quietProgress, std::cerr, ::isatty(STDERR_FILENO) == 1) {}

ConsolePort::ConsolePort(bool assumeYes, bool quietProgress, std::ostream& err, bool terminal)
    : assumeYes_(assumeYes), quiet_(quietProgress), err_(err), terminal_(terminal) {}

ConsolePort::~ConsolePort() { endProgressLine(); }

void ConsolePort::endProgressLine() {
    if (!lineOpen_) return;
    err_ << "\n" << std::flush;
    lineOpen_ = false;
}

void ConsolePort::print(BoxKind kind, std::string_view text, std::string_view title) {
    endProgressLine();
    std::string t = titleOr(kind, title);
    std::string body(text);
    for (auto& c : body)
        if (c == '\r') c = ' ';
    err_ << "[" << t << "] " << body << std::endl;
}

void ConsolePort::stop(std::string_view text, std::string_view title) { print(BoxKind::Stop, text, title); }
void ConsolePort::alert(std::string_view text, std::string_view title) { print(BoxKind::Alert, text, title); }
void ConsolePort::info(std::string_view text, std::string_view title) { print(BoxKind::Info, text, title); }

bool ConsolePort::yesNo(std::string_view text, std::string_view title) {
    print(BoxKind::YesNo, text, title);
    err_ << (assumeYes_ ? "  -> sí (--si)" : "  -> no (use --si para confirmar)") << std::endl;
    return assumeYes_;
}

void ConsolePort::progress(std::string_view text) {
    // Only a terminal can take a line back; elsewhere progress would bury the messages.
    if (quiet_ || !terminal_) return;
    err_ << "\r" << progressLine(text) << "\x1b[K" << std::flush;
    lineOpen_ = true;
}

void ConsolePort::openFile(const std::string& path) {
    endProgressLine();
    err_ << "Archivo listo: " << path << std::endl;
}

}  // namespace remu
