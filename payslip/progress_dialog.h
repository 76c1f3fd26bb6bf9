#pragma once
// ODLG_CALCULO: the "Procesando" dialog that runs the payroll engine as soon as it
// opens and shows the engine's progress texts in upper case (label 450).

#include <QDialog>
#include <functional>
#include <string>

#include "core/ui_port.h"

class QLabel;
class QPushButton;

namespace remu {

class SlipRecorder;

struct Session;

// The run the dialog makes: gets the port whose progress() feeds the label.
using ProgressRun = std::function<bool(UiPort& port)>;

// Forwards every box to the client's port and shows progress texts on the label.
class ProgressLabelPort : public RelayPort {
public:
    ProgressLabelPort(UiPort& base, QLabel* label, std::string* cestado = nullptr)
        : RelayPort(base), label_(label), cestado_(cestado) {}
    void progress(std::string_view text) override;
    void setLabel(QLabel* label) { label_ = label; }

private:
    QLabel* label_;
    std::string* cestado_;
};

// The label's text for a progress text: upper case ("@!"), CR LF as a line break.
QString progressLabelText(std::string_view text);

class CalculoDialog : public QDialog {
    Q_OBJECT
public:
    // `run` runs once when the dialog opens; "Procede" (451) runs `runAll` (every worker).
    CalculoDialog(UiPort& ui, ProgressRun run, ProgressRun runAll, std::string* cestado = nullptr,
                  QWidget* parent = nullptr);

    bool result() const { return result_; }
    bool done() const { return done_; }
    QLabel* label() const { return label_; }
    // The texts shown on the label so far (for the tests and the screenshots).
    const std::vector<QString>& shownTexts() const { return shown_; }

    void reject() override;  // refused until a calculation has run

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void runNow(const ProgressRun& run);
    friend class ProgressLabelPort;
    ProgressLabelPort port_;
    ProgressRun run_, runAll_;
    QLabel* label_;
    QPushButton* procede_;
    std::vector<QString> shown_;
    bool result_ = true;
    bool done_ = false;
    bool running_ = false;
    bool started_ = false;
};

// Runs the engine (CALCULA_REMUN) for the session's month and the code range behind the
// progress dialog; the engine's result.
bool CALCULA_REMUN_DIALOG(QWidget* parent, Session& s, UiPort& ui, const std::string& from, const std::string& to,
                          const std::string& workDir = ".", SlipRecorder* explain = nullptr);

// Lets the tests watch each progress dialog as it opens.
void setCalculoDialogObserver(std::function<void(CalculoDialog&)> observer);

}  // namespace remu
