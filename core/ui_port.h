#pragma once
// The one port through which the core tells the user anything: message boxes,
// progress texts, the wait cursor and "open this file". The desktop client
// implements it with Qt, remu-cli prints to stderr, tests record the calls.

#include <deque>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace remu {

enum class BoxKind { Stop, Alert, Info, YesNo };

const char* boxKindName(BoxKind kind);

class UiPort {
public:
    virtual ~UiPort() = default;

    // Refusals ("Alto", "Alerta", ...). An empty title means the standard caption of the kind.
    virtual void stop(std::string_view text, std::string_view title = {}) = 0;
    // Warnings.
    virtual void alert(std::string_view text, std::string_view title = {}) = 0;
    // Information.
    virtual void info(std::string_view text, std::string_view title = {}) = 0;
    // Confirmation; true for "yes".
    virtual bool yesNo(std::string_view text, std::string_view title = {}) = 0;

    // A progress text of a long operation (the label of a progress dialog).
    virtual void progress(std::string_view text) { (void)text; }
    // Wait cursor on/off around blocking server calls.
    virtual void busy(bool on) { (void)on; }
    // Hands a finished file (a document, a folder) to the user's desktop.
    virtual void openFile(const std::string& path) { (void)path; }
};

// The wait cursor for as long as it lives: on when made, off when it goes out of
// scope, also when what it guards throws (before the handler shows its message).
class BusyCursor {
public:
    explicit BusyCursor(UiPort& ui) : ui_(ui) { ui_.busy(true); }
    ~BusyCursor() { ui_.busy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UiPort& ui_;
};

// Standard captions used when a box is shown without a title.
std::string standardTitle(BoxKind kind);

// Passes every call on to another port; a subclass takes over what it shows itself
// (a dialog's progress label, say).
class RelayPort : public UiPort {
public:
    explicit RelayPort(UiPort& base) : base_(base) {}
    void stop(std::string_view text, std::string_view title = {}) override { base_.stop(text, title); }
    void alert(std::string_view text, std::string_view title = {}) override { base_.alert(text, title); }
    void info(std::string_view text, std::string_view title = {}) override { base_.info(text, title); }
    bool yesNo(std::string_view text, std::string_view title = {}) override { return base_.yesNo(text, title); }
    void progress(std::string_view text) override { base_.progress(text); }
    void busy(bool on) override { base_.busy(on); }
    void openFile(const std::string& path) override { base_.openFile(path); }

private:
    UiPort& base_;
};

// Records every call; questions are answered from a queue (default: yes).
class RecordingPort : public UiPort {
public:
    struct Box {
        BoxKind kind;
        std::string title;
        std::string text;
    };

    void stop(std::string_view text, std::string_view title = {}) override;
    void alert(std::string_view text, std::string_view title = {}) override;
    void info(std::string_view text, std::string_view title = {}) override;
    bool yesNo(std::string_view text, std::string_view title = {}) override;
    void progress(std::string_view text) override;
    void openFile(const std::string& path) override;

    void answerNext(bool yes) { answers.push_back(yes); }
    void clear();
    // The boxes shown so far, as "Kind|title|text" lines (handy in assertions).
    std::vector<std::string> lines() const;

    std::vector<Box> boxes;
    std::vector<std::string> progressTexts;
    std::vector<std::string> openedFiles;
    std::deque<bool> answers;
    bool defaultAnswer = true;
};

// Prints boxes on stderr; questions are answered by a fixed flag (remu-cli's
// --si). Progress is one line rewritten in place while stderr is a terminal,
// and left out when it is not (a log or a pipe gets the messages only).
class ConsolePort : public UiPort {
public:
    explicit ConsolePort(bool assumeYes = false, bool quietProgress = false);
    // For tests: output to `err`, which is taken as a terminal when `terminal` is set.
    ConsolePort(bool assumeYes, bool quietProgress, std::ostream& err, bool terminal);
    ~ConsolePort() override;

    void stop(std::string_view text, std::string_view title = {}) override;
    void alert(std::string_view text, std::string_view title = {}) override;
    void info(std::string_view text, std::string_view title = {}) override;
    bool yesNo(std::string_view text, std::string_view title = {}) override;
    void progress(std::string_view text) override;
    void openFile(const std::string& path) override;

private:
    void print(BoxKind kind, std::string_view text, std::string_view title);
    void endProgressLine();
    bool assumeYes_;
    bool quiet_;
    std::ostream& err_;
    bool terminal_;
    bool lineOpen_ = false;  // a progress line waits to be overwritten
};

// The progress line of a terminal for one of the engine's progress texts:
// "Por Favor, espere\r\nProceso 80%58" reads "Proceso  80%  58 trabajadores".
std::string progressLine(std::string_view text);

}  // namespace remu
