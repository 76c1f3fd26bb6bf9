#include "payslip/mailing_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

using namespace remu;
namespace fs = std::filesystem;

namespace {

MailingPlan plan(const std::string& sender, int mails) {
    MailingPlan p;
    p.senderProgram = sender;
    p.settings = {"rrhh@empresa.cl", "", "127.0.0.1", "2525", "RRHH"};
    p.month = 3;
    for (int i = 1; i <= mails; ++i)
        p.mails.push_back({"/tmp/x.pdf", "w" + std::to_string(i) + "@correo.cl", "ANA", "000" + std::to_string(i),
                           "ROJAS DIAZ ANA"});
    p.account.add("0009", "SIN CORREO", "", MailOutcome::NoAddress);
    return p;
}

bool waitFor(const std::function<bool()>& ready, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (!ready() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return ready();
}

}  // namespace

TEST(MailingDialog, SendsInTheBackgroundAndShowsTheAccount) {
    MailingDialog dlg(plan("/bin/true", 3));
    dlg.show();
    ASSERT_TRUE(waitFor([&] { return dlg.finished(); }));
    EXPECT_EQ(dlg.account().count(MailOutcome::Sent), 3);
    EXPECT_EQ(dlg.button()->text(), "Cerrar");
    const std::string shown = dlg.accountText()->toPlainText().toStdString();
    EXPECT_NE(shown.find("0002  ROJAS DIAZ ANA  <w2@correo.cl>: enviado"), std::string::npos) << shown;
    EXPECT_NE(shown.find("0009  SIN CORREO: sin dirección"), std::string::npos) << shown;
}

TEST(MailingDialog, CancelStopsTheMailAtHandAndListsTheRest) {
    fs::path slow = fs::temp_directory_path() / ("remu_slow_sender_" + std::to_string(getpid()));
    std::ofstream(slow) << "#!/bin/sh\nsleep 20\n";
    chmod(slow.c_str(), 0700);
    MailingDialog dlg(plan(slow.string(), 3));
    dlg.show();
    QElapsedTimer t;
    t.start();
    waitFor([&] { return false; }, 300);
    dlg.button()->click();
    ASSERT_TRUE(waitFor([&] { return dlg.finished(); }));
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_EQ(dlg.account().count(MailOutcome::NotSent), 3);
    EXPECT_EQ(dlg.account().count(MailOutcome::Sent), 0);
    fs::remove(slow);
}
