// The code lookup field over the APV institutions of a client parameter database on the
// private server: the check on Enter and Tab (not on a mouse leave), the name label, the
// message and focus for a code that is not there, and the list by F12 and by its button.
#include "widgets/lookup_field.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "core/session.h"
#include "core/ui_port.h"
#include "data/sql.h"
#include "tests/support/test_db.h"
#include "widgets/lookup_dialog.h"
#include "widgets/twbrowse.h"

using namespace remu;

namespace {

class LookupFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        client = "lf" + testdb::uniqueTag();
        params = testdb::ScratchDatabase::named(client + "_remu");
        params->runSql(testdb::schemaSql("parametros.sql", "2019"));
        params->runSql(
            "INSERT INTO instituciones_apv VALUES ('003', 'AFP Cuprum'), ('005', 'AFP Habitat'),"
            " ('101', 'Banco Estado APV')");
        s.ID_CLIENTE = client;
        s.OCON = params->connect();

        auto* lay = new QVBoxLayout(&dlg);
        field = new LookupField(s, ui, &dlg);
        field->setObjectName("107");
        name = new QLabel(&dlg);
        name->setObjectName("112");
        other = new TGET(&dlg);
        other->bind(otherVar);
        lay->addWidget(field);
        lay->addWidget(name);
        lay->addWidget(other);

        std::string table = sqlName(client + "_REMU") + ".instituciones_apv";
        LookupField::Lookup l;
        l.listSql = "SELECT * FROM " + table + " ORDER BY codigo_inst_apv";
        l.codeColumn = "codigo_inst_apv";
        l.nameColumn = "nombre_inst_apv";
        l.checkSql = LookupField::equalsCode("SELECT * FROM " + table + " WHERE codigo_inst_apv = ");
        l.label = "Codigo institucion APV";
        l.missingName = std::string(30, ' ');
        l.codeWidth = 3;
        field->setLookup(l);
        field->bind(code, nameVar);
        field->setNameLabel(name);
        field->setAfter([this](LookupField::Outcome o) { outcomes.push_back(o); });

        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    void TearDown() override { setLookupDialogObserver({}); }

    void type(const char* text) {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    std::string client;
    std::unique_ptr<testdb::ScratchDatabase> params;
    Session s;
    RecordingPort ui;
    QDialog dlg;
    LookupField* field = nullptr;
    QLabel* name = nullptr;
    TGET* other = nullptr;
    std::string code = "   ", nameVar = "  ", otherVar;
    std::vector<LookupField::Outcome> outcomes;
};

using O = LookupField::Outcome;

}  // namespace

TEST_F(LookupFieldTest, TabAndEnterCheckTheCodeAndShowItsName) {
    type("005");
    QTest::keyClick(field, Qt::Key_Tab);
    settle();
    EXPECT_EQ(code, "005");
    EXPECT_EQ(nameVar, "AFP Habitat");
    EXPECT_EQ(name->text(), "AFP Habitat");
    EXPECT_TRUE(other->hasFocus());

    type("003");
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_EQ(name->text(), "AFP Cuprum");
    EXPECT_TRUE(other->hasFocus());
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(outcomes, (std::vector<O>{O::Found, O::Found}));
}

TEST_F(LookupFieldTest, ACodeThatIsNotThereIsToldAndTheFocusComesBack) {
    type("999");
    QTest::keyClick(field, Qt::Key_Tab);
    settle();
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|registro no encontrado|No existe Codigo institucion APV"});
    EXPECT_EQ(nameVar, std::string(30, ' '));
    EXPECT_EQ(code, "999");  // what was typed stays, to be mended
    EXPECT_EQ(field->text(), "999");
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(outcomes, std::vector<O>{O::NotFound});

    // Leaving with the mouse does not check.
    ui.clear();
    other->setFocus(Qt::MouseFocusReason);
    settle();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(outcomes.back(), O::Unchecked);

    // A field that checks whenever it holds a code, and blanks the code it cannot find.
    auto l = field->lookup();
    l.when = LookupField::Check::OnEnterTabOrCode;
    l.missingCode = "   ";
    field->setLookup(l);
    type("77");
    other->setFocus(Qt::MouseFocusReason);
    settle();
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(code, "   ");
    EXPECT_EQ(field->text().trimmed(), "");
    EXPECT_TRUE(field->hasFocus());
}

TEST_F(LookupFieldTest, TheListByF12AndByTheButtonFillsCodeAndName) {
    int opened = 0;
    setLookupDialogObserver([&](LookupDialog& d) {
        ++opened;
        EXPECT_EQ(d.objectName(), "ODLG_AYUDA");
        QTimer::singleShot(0, &d, [&d] {
            QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
            QApplication::sendEvent(d.grid(), &end);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(d.grid(), &enter);
        });
    });
    type("x");
    QTest::keyClick(field, Qt::Key_F12);
    settle();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(code, "101");
    EXPECT_EQ(field->text(), "101");
    EXPECT_EQ(name->text(), "Banco Estado APV");
    EXPECT_EQ(dlg.focusWidget(), field);  // the focus when the window is active again
    EXPECT_EQ(outcomes, std::vector<O>{O::Picked});
    // Leaving afterwards keeps the picked code.
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(field, Qt::Key_Tab);
    settle();
    EXPECT_EQ(code, "101");

    // The button; closing the list without a choice changes nothing.
    setLookupDialogObserver([&](LookupDialog& d) {
        ++opened;
        QTimer::singleShot(0, &d, [&d] { d.close(); });
    });
    field->listAction()->trigger();
    settle();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(code, "101");
    EXPECT_EQ(dlg.focusWidget(), field);
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());

    // A disabled field (a worker's session) opens nothing.
    field->setWhen([] { return false; });
    EXPECT_FALSE(field->openList());
    EXPECT_EQ(opened, 2);
}
