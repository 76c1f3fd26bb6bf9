#include "widgets/tget.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace remu;

namespace {

// A dialog with a field under test and a second field to move the focus to.
struct Form {
    QDialog dlg;
    TGET* field = new TGET(&dlg);
    TGET* other = new TGET(&dlg);
    std::string otherVar;
    Form() {
        auto* lay = new QVBoxLayout(&dlg);
        lay->addWidget(field);
        lay->addWidget(other);
        other->bind(otherVar);
        dlg.show();
        dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        other->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }
    void enter() {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    void leave() {
        other->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QApplication::processEvents();
    }
};

}  // namespace

TEST(TGET, UpperCaseFieldStoresWhatIsTypedInCapitals) {
    Form f;
    std::string name = "perez";
    f.field->setPicture("@!");
    f.field->bind(name);
    EXPECT_EQ(f.field->text(), "PEREZ");  // shown upper case
    f.enter();
    f.field->end(false);
    QTest::keyClicks(f.field, " nu");
    QTest::sendKeyEvent(QTest::Press, f.field, Qt::Key_Ntilde, QStringLiteral("ñ"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, f.field, Qt::Key_Ntilde, QStringLiteral("ñ"), Qt::NoModifier);
    QTest::keyClicks(f.field, "ez");
    EXPECT_EQ(f.field->text(), "PEREZ NUÑEZ");
    f.leave();
    EXPECT_EQ(name, "PEREZ NUÑEZ");

    // A template of ten upper-case positions takes no more than ten characters.
    std::string pass;
    f.field->setPicture("@K!!!!!!!!!!");
    f.field->bind(pass);
    f.enter();
    QTest::keyClicks(f.field, "abcdefghijklm");
    EXPECT_EQ(f.field->text(), "ABCDEFGHIJ");
}

TEST(TGET, FirstKeyClearsOnlyWhenItIsTheFirstKey) {
    Form f;
    std::string rut = "12345678-5";
    f.field->setPicture("@K!");
    f.field->bind(rut);
    f.enter();
    QTest::keyClicks(f.field, "9k");
    EXPECT_EQ(f.field->text(), "9K");
    f.leave();
    EXPECT_EQ(rut, "9K");

    // Moving the caret first, then typing, edits the old contents.
    f.enter();
    QTest::keyClick(f.field, Qt::Key_End);
    QTest::keyClicks(f.field, "x");
    EXPECT_EQ(f.field->text(), "9KX");

    // A modifier alone is not the first key.
    f.leave();
    f.enter();
    QTest::keyClick(f.field, Qt::Key_Shift);
    QTest::keyClicks(f.field, "A");
    EXPECT_EQ(f.field->text(), "A");
}

TEST(TGET, NumberIsEditedWithoutSeparatorsAndShownWithThem) {
    Form f;
    double amount = 1234567;
    f.field->setPicture("99,999,999");
    f.field->bind(amount);
    EXPECT_EQ(f.field->text(), "1,234,567");
    f.enter();
    EXPECT_EQ(f.field->text(), "1234567");
    f.field->selectAll();
    QTest::keyClicks(f.field, "98,76x5.4");  // separators, letters and a point are refused
    EXPECT_EQ(f.field->text(), "987654");
    f.leave();
    EXPECT_EQ(amount, 987654);
    EXPECT_EQ(f.field->text(), "987,654");

    // At most the template's digits; decimals only where the template has them.
    double uf = 0;
    f.field->setPicture("9,999.99");
    f.field->bind(uf);
    EXPECT_EQ(f.field->text(), "0.00");
    f.enter();
    f.field->selectAll();
    QTest::keyClicks(f.field, "123456.789");
    EXPECT_EQ(f.field->text(), "1234.78");
    f.leave();
    EXPECT_DOUBLE_EQ(uf, 1234.78);
    EXPECT_EQ(f.field->text(), "1,234.78");

    // "@Z": zero shows blank.
    int page = 0;
    f.field->setPicture("@Z 999,999");
    f.field->bind(page);
    EXPECT_EQ(f.field->text(), "");
}

TEST(TGET, RefusedValidationKeepsTheFocus) {
    Form f;
    double days = 40;
    int calls = 0;
    f.field->setPicture("99");
    f.field->bind(days);
    f.field->setValid([&] {
        ++calls;
        return days <= 30;
    });
    f.enter();
    f.leave();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(f.field->hasFocus());
    EXPECT_FALSE(f.other->hasFocus());

    f.field->selectAll();
    QTest::keyClicks(f.field, "30");
    f.leave();
    EXPECT_EQ(days, 30);
    EXPECT_TRUE(f.other->hasFocus());

    // An impossible date keeps the focus, caret at the start, variable untouched.
    Date d{2019, 3, 5};
    f.field->setValid(nullptr);
    f.field->setPicture("");
    f.field->bind(d);
    EXPECT_EQ(f.field->text(), "05/03/2019");
    f.enter();
    f.field->setText("31/02/2019");
    f.leave();
    EXPECT_TRUE(f.field->hasFocus());
    EXPECT_EQ(f.field->cursorPosition(), 0);
    EXPECT_EQ(d, (Date{2019, 3, 5}));
    f.field->setText("01/04/19");
    f.leave();
    EXPECT_EQ(d, (Date{2019, 4, 1}));
}

TEST(TGET, PasswordEchoEnablingAndFocusColours) {
    Form f;
    std::string clave;
    f.field->setPicture("@K!!!!!!!!!!");
    f.field->bind(clave);
    f.field->setPassword(true);
    f.field->setFocusColours(Qt::white, Qt::darkBlue);
    QColor normal = f.field->palette().color(QPalette::Base);
    f.enter();
    EXPECT_EQ(f.field->palette().color(QPalette::Base), QColor(Qt::darkBlue));
    QTest::keyClicks(f.field, "abc123");
    EXPECT_EQ(f.field->displayText(), QString(6, f.field->displayText().at(0)));
    EXPECT_NE(f.field->displayText(), "ABC123");
    f.leave();
    EXPECT_EQ(clave, "ABC123");
    EXPECT_EQ(f.field->palette().color(QPalette::Base), normal);

    bool open = false;
    auto* button = new QPushButton("Grabar", &f.dlg);
    setEnablingCondition(button, [&] { return open; });
    f.other->setWhen([&] { return open; });
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(f.other->isEnabled());
    open = true;
    refreshControls(&f.dlg);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(f.other->isEnabled());

    // F12 runs the field's lookup instead of typing.
    int lookups = 0;
    f.field->setKeyAction(Qt::Key_F12, [&] { ++lookups; });
    f.enter();
    QTest::keyClick(f.field, Qt::Key_F12);
    EXPECT_EQ(lookups, 1);
}

TEST(TGET, DateTexts) {
    EXPECT_EQ(parseDateText("05/03/2019"), (Date{2019, 3, 5}));
    EXPECT_EQ(parseDateText("5/3/60"), (Date{1960, 3, 5}));
    EXPECT_EQ(parseDateText("5/3/59"), (Date{2059, 3, 5}));
    EXPECT_EQ(parseDateText("  /  /    "), Date{});
    EXPECT_EQ(parseDateText("29/02/2019"), std::nullopt);
    EXPECT_EQ(parseDateText("12/2019"), std::nullopt);
    EXPECT_EQ(parseDateText("aa/03/2019"), std::nullopt);
    EXPECT_EQ(dateText(Date{2019, 3, 5}), "05/03/2019");
    EXPECT_EQ(dateText(Date{}), "");
}
