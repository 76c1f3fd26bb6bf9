#include "core/ui_port.h"

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

void ConsolePort::print(BoxKind kind, std::string_view text, std::string_view title) {
    std::string t = titleOr(kind, title);
    std::string body(text);
    for (auto& c : body)
        if (c == '\r') c = ' ';
    std::cerr << "[" << t << "] " << body << std::endl;
}

void ConsolePort::stop(std::string_view text, std::string_view title) { print(BoxKind::Stop, text, title); }
void ConsolePort::alert(std::string_view text, std::string_view title) { print(BoxKind::Alert, text, title); }
void ConsolePort::info(std::string_view text, std::string_view title) { print(BoxKind::Info, text, title); }

bool ConsolePort::yesNo(std::string_view text, std::string_view title) {
    print(BoxKind::YesNo, text, title);
    std::cerr << (assumeYes_ ? "  -> sí (--yes)" : "  -> no (use --yes para confirmar)") << std::endl;
    return assumeYes_;
}

void ConsolePort::progress(std::string_view text) {
    if (quiet_) return;
    std::string line(text);
    for (auto& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    std::cerr << line << std::endl;
}

void ConsolePort::openFile(const std::string& path) { std::cerr << "Archivo listo: " << path << std::endl; }

}  // namespace remu
