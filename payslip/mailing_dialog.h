#pragma once
// The mass mailing in the client: the mails go out in the background, one at a
// time, with a progress bar and Cancel; when the last one is done the dialog
// shows the account of every worker. The same account dialog follows a PDF run
// that queued its slips.

#include <QDialog>
#include <atomic>
#include <memory>

#include "payslip/mass_mail.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QThread;

namespace remu {

class MailingDialog : public QDialog {
    Q_OBJECT
public:
    MailingDialog(MailingPlan plan, QWidget* parent = nullptr);
    ~MailingDialog() override;

    // Starts the mailing (also done when the dialog is first shown).
    void start();
    bool finished() const { return finished_; }
    const MailAccount& account() const { return plan_.account; }
    QPushButton* button() const { return button_; }
    QPlainTextEdit* accountText() const { return text_; }

    void reject() override;  // Cancel while sending; close when done

protected:
    void showEvent(QShowEvent* e) override;

private:
    void progressed(int done, int total);
    void done();

    MailingPlan plan_;
    std::atomic<bool> cancel_{false};
    QThread* thread_ = nullptr;
    bool finished_ = false;
    QLabel* label_;
    QProgressBar* bar_;
    QPlainTextEdit* text_;
    QPushButton* button_;
};

// A dialog with the account's summary and one line per worker.
void showMailAccount(QWidget* parent, const QString& title, const MailAccount& account);

}  // namespace remu
