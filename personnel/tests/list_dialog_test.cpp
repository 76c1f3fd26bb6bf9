// The worker list screen over the list fixture's company: its controls, the search,
// the month switch, the buttons' actions and PERSONAL for both kinds of session.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

#include "data/recordset.h"
#include "personnel/list_dialog.h"
#include "personnel/tests/list_fixture.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

using namespace remu;
using remu::list_test::ListDb;

namespace {

class ListDialogTest : public ListDb {
protected:
    void SetUp() override {
        ListDb::SetUp();
        options.editor = [this](QWidget*, Session&, UiPort&, Recordset& ors, bool isNew) {
            edits.push_back(std::string(isNew ? "new" : "edit") + " " +
                            (ors.Eof() || ors.Bof() ? "-" : ors.Fields("codigo_per").text()) + " of " +
                            std::to_string(ors.RecordCount()));
            return false;
        };
    }
    // Types the text into the search field and leaves it for the grid, as the user does.
    TGET* searchFor(PersonnelListDialog& dialog, const QString& text) {
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* field = dialog.findChild<TGET*>("340");
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QTest::keyClicks(field, text);
        dialog.grid()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QApplication::processEvents();
        return field;
    }
    std::string current(Recordset& rs) { return rs.Eof() || rs.Bof() ? "-" : rs.Fields("codigo_per").text(); }
    QAbstractButton* button(QWidget& w, const char* id) { return w.findChild<QAbstractButton*>(id); }

    PersonnelListOptions options;
    std::vector<std::string> edits;
};

TEST_F(ListDialogTest, EveryControlWithItsIdAndEnabling) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    PersonnelListDialog dialog(list, s, ui, options);
    EXPECT_EQ(dialog.windowTitle(), "TABLA DE PERSONAL");

    auto* year = dialog.findChild<QComboBox*>("145");
    ASSERT_NE(year, nullptr);
    EXPECT_FALSE(year->isEnabled());
    EXPECT_EQ(year->currentText(), "2019");
    auto* month = dialog.findChild<QComboBox*>("134");
    ASSERT_NE(month, nullptr);
    EXPECT_TRUE(month->isEnabled());
    EXPECT_EQ(month->count(), 3);
    EXPECT_EQ(month->currentText(), " 03- MARZO");
    EXPECT_NE(dialog.findChild<TWBROWSE*>("135"), nullptr);
    EXPECT_NE(dialog.findChild<TGET*>("340"), nullptr);
    EXPECT_EQ(dialog.findChild<TGET*>("340")->maxLength(), 80);
    for (const char* id : {"102", "136", "137", "138", "354", "3232", "400"}) {
        ASSERT_NE(button(dialog, id), nullptr) << id;
        EXPECT_TRUE(button(dialog, id)->isEnabled()) << id;
    }
    EXPECT_EQ(button(dialog, "102")->toolTip(), "Limpia Lista");
    EXPECT_EQ(button(dialog, "136")->text(), "Nuevo ");
    EXPECT_EQ(button(dialog, "137")->text(), "Modifica");
    EXPECT_EQ(button(dialog, "137")->toolTip(), "modifica registro");
    EXPECT_EQ(button(dialog, "138")->text(), "Elimina ");
    EXPECT_EQ(button(dialog, "354")->text(), "Nomina");
    EXPECT_EQ(button(dialog, "3232")->text(), "Saldo de Vacaciones");
    EXPECT_EQ(button(dialog, "400")->text(), "&Salir");
}

TEST_F(ListDialogTest, SearchFieldFiltersAndTheCleanButtonRestores) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    PersonnelListDialog dialog(list, s, ui, options);
    TGET* field = searchFor(dialog, "4941365");
    EXPECT_EQ(list.ors().RecordCount(), 1);
    EXPECT_EQ(current(list.ors()), "0002");

    button(dialog, "137")->click();
    EXPECT_EQ(edits, std::vector<std::string>{"edit 0002 of 1"});

    button(dialog, "102")->click();
    EXPECT_EQ(list.ors().RecordCount(), 3);
    EXPECT_EQ(field->text().trimmed(), "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ListDialogTest, MonthSwitchReloadsTheGridAndKeepsTheSearchText) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    PersonnelListDialog dialog(list, s, ui, options);
    TGET* field = searchFor(dialog, "araya");
    ASSERT_EQ(list.ors().RecordCount(), 1);

    dialog.monthSelector()->setCurrentIndex(1);
    EXPECT_EQ(s.N_MES, 2);
    EXPECT_EQ(s.period, Period::of(2019, 2));
    EXPECT_EQ(list.ors().RecordCount(), 2);
    EXPECT_EQ(current(list.ors()), "0001");
    EXPECT_EQ(field->text().trimmed(), "ARAYA");
    EXPECT_DOUBLE_EQ(s.VALOUF, 27546.01);
    EXPECT_DOUBLE_EQ(s.VALUSD, 667.5);
    EXPECT_DOUBLE_EQ(s.VALEURO, 755.25);
    EXPECT_EQ(s.CFERIADOS_MES, "29");

    // January has nobody: neither Modifica nor Elimina has a row to act on.
    dialog.monthSelector()->setCurrentIndex(0);
    EXPECT_EQ(list.ors().RecordCount(), 0);
    button(dialog, "137")->click();
    button(dialog, "138")->click();
    EXPECT_TRUE(edits.empty());
    EXPECT_TRUE(ui.boxes.empty());
    // Nuevo still opens the editor, to append the month's first worker.
    button(dialog, "136")->click();
    EXPECT_EQ(edits, std::vector<std::string>{"new - of 0"});
}

TEST_F(ListDialogTest, ButtonsRunTheirActions) {
    PersonnelList list(s, ui);
    ASSERT_EQ(list.open(), PersonnelList::Opening::List);
    std::string statusDuringSheet, labelDuringSheet;
    options.masterSheet = [&](Recordset& ors, Session& session, UiPort&) {
        statusDuringSheet = session.CESTADO + " / " + std::to_string(ors.RecordCount());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* l = w->findChild<QLabel*>("estado")) labelDuringSheet = l->text().toStdString();
        return true;
    };
    options.vacationSheet = [&](Recordset& ors, Session&, UiPort&) {
        ors.MoveLast();
        return true;
    };
    PersonnelListDialog dialog(list, s, ui, options);

    button(dialog, "354")->click();
    EXPECT_EQ(statusDuringSheet, "MOMENTO POR FAVOR / 3");
    EXPECT_EQ(labelDuringSheet, "MOMENTO POR FAVOR");
    EXPECT_EQ(s.CESTADO, "    ");

    button(dialog, "3232")->click();
    EXPECT_EQ(current(list.ors()), "0001");  // back on the first row

    list.ors().MoveLast();
    button(dialog, "137")->click();
    button(dialog, "136")->click();
    EXPECT_EQ(edits, (std::vector<std::string>{"edit 0003 of 3", "new 0003 of 3"}));
    EXPECT_EQ(current(list.ors()), "0001");  // after Nuevo the list is on its first row

    ui.answerNext(true);
    button(dialog, "138")->click();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"YesNo|Elimina|Esta Seguro de Eliminar trabajador PEREZ SOTO JOSE"});
    EXPECT_EQ(codesOnServer("03"), "0002 0003");
    EXPECT_EQ(current(list.ors()), "0002");
}

TEST_F(ListDialogTest, WorkerSessionGoesStraightToHisOwnRow) {
    s.administration = false;
    s.CRUT_CONEXION_TRABAJADOR = "024941365-8";
    PERSONAL(nullptr, s, ui, options);
    EXPECT_EQ(edits, std::vector<std::string>{"edit 0002 of 1"});
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(s.OCON);

    // Without a row of his in the working month: told so, no editor.
    edits.clear();
    company_->runSql("DELETE FROM 2019_personal WHERE codigo_per = '0002' AND mes_per = '03'");
    PERSONAL(nullptr, s, ui, options);
    EXPECT_TRUE(edits.empty());
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|Atención|" + noOwnRowText(Period::of(2019, 3))});
}

TEST_F(ListDialogTest, AdministrationGetsTheListWithBothSpreadsheetsWired) {
    const auto work = std::filesystem::temp_directory_path() / ("remu_list_" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(work);

    std::string seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != "ODLG_PERSON") return;
        poll.stop();
        seen = modal->windowTitle().toStdString();
        // The real spreadsheets of the month's list.
        modal->findChild<QAbstractButton*>("354")->click();
        modal->findChild<QAbstractButton*>("3232")->click();
        modal->findChild<QAbstractButton*>("400")->click();
    });
    poll.start(20);
    PERSONAL(nullptr, s, ui, {});
    poll.stop();

    EXPECT_EQ(seen, "TABLA DE PERSONAL");
    EXPECT_TRUE(ui.boxes.empty()) << ui.lines().front();
    ASSERT_EQ(ui.openedFiles.size(), 2u);
    EXPECT_NE(ui.openedFiles[0].find("MAESTRO_PERSONAL_2019_03"), std::string::npos) << ui.openedFiles[0];
    EXPECT_NE(ui.openedFiles[1].find("SALDO_VACACIONES_2019_03"), std::string::npos) << ui.openedFiles[1];
    for (const auto& f : ui.openedFiles) EXPECT_TRUE(std::filesystem::exists(f)) << f;
    EXPECT_FALSE(s.OCON);  // the list's connection went with it

    std::filesystem::current_path(old);
    std::filesystem::remove_all(work);
}

}  // namespace
