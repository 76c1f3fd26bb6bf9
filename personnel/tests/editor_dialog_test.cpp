// The worker file dialog offscreen on the private server: its pages and controls for an
// administrator and for a worker, the code lookups (F12, leaving with Tab), a new worker
// typed in and saved, a refused save that keeps the edits, the photo and the unit rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "format/text.h"
#include "personnel/editor_dialog.h"
#include "personnel/tests/worker_file_fixture.h"
#include "personnel/vacations_page.h"
#include "widgets/lookup_dialog.h"
#include "widgets/tget.h"
#include "widgets/twbrowse.h"

using namespace remu;

namespace {

class EditorDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.bind(s);
        ors = db.month();
    }
    void TearDown() override { setLookupDialogObserver({}); }

    std::unique_ptr<WorkerFileDialog> open(const std::string& code, bool isNew = false) {
        if (!isNew) wftest::moveTo(*ors, code);
        if (!openWorkerFile(buffer, s, ui, *s.OCON, *ors, isNew)) return nullptr;
        auto dlg = std::make_unique<WorkerFileDialog>(buffer, s, ui, *s.OCON, *ors, isNew);
        dlg->resize(900, 640);
        return dlg;
    }
    void show(WorkerFileDialog& dlg) {
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }
    // The offscreen platform does not give the window back its activation when a lookup list closes.
    void reactivate(WorkerFileDialog& dlg) {
        QApplication::setActiveWindow(&dlg);
        QApplication::processEvents();
    }
    template <class T = QWidget>
    T* control(WorkerFileDialog& dlg, int page, int id) {
        QWidget* w = page == 5 ? dlg.vacations()->findChild<QWidget*>(QString::number(id)) : dlg.page(page)->control(id);
        return qobject_cast<T*>(w);
    }
    QString text(WorkerFileDialog& dlg, int page, int id) { return control<QLabel>(dlg, page, id)->text(); }
    // Every input control of pages 1 to 4 with its enabling.
    std::map<std::string, bool> inputs(WorkerFileDialog& dlg) {
        std::map<std::string, bool> out;
        for (int p = 1; p <= 4; ++p)
            for (QWidget* w : dlg.page(p)->findChildren<QWidget*>())
                if (qobject_cast<TGET*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w) ||
                    qobject_cast<QCheckBox*>(w) || qobject_cast<QPushButton*>(w) || qobject_cast<QToolButton*>(w))
                    if (!w->objectName().isEmpty()) out[std::to_string(p) + "/" + w->objectName().toStdString()] = w->isEnabled();
        return out;
    }
    // The next lookup list opened chooses its last row.
    void chooseLastInLookup() {
        setLookupDialogObserver([](LookupDialog& d) {
            QTimer::singleShot(0, &d, [&d] {
                QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
                QApplication::sendEvent(d.grid(), &end);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(d.grid(), &enter);
            });
        });
    }

    wftest::WorkerCompany db;
    Session s;
    RecordingPort ui;
    std::unique_ptr<Recordset> ors;
    WorkerBuffer buffer;
};

}  // namespace

TEST_F(EditorDialogTest, AnAdministratorSeesTheFivePagesWithTheNamesOfTheCodes) {
    auto dlg = open("0001");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(dlg->windowTitle(), "DATOS TRABAJADOR AGOSTO 2019");
    EXPECT_EQ(dlg->objectName(), "ODLG_PERSON_EDITA");
    ASSERT_EQ(dlg->pages()->count(), 5);
    EXPECT_EQ(dlg->pages()->objectName(), "110");
    const char* titles[] = {"Datos Personales", "Datos Laborales", "AFP", "ISAPRE", "VACACIONES"};
    const char* names[] = {"ODLG_PERSON_EDITAH1", "ODLG_PERSON_EDITAH2", "ODLG_PERSON_EDITAH3", "ODLG_PERSON_EDITAH4",
                           "ODLG_PERSON_EDITAH5"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dlg->pages()->tabText(i), titles[i]);
        EXPECT_EQ(dlg->pages()->widget(i)->objectName(), names[i]);
    }
    EXPECT_EQ(text(*dlg, 1, 139), "JUAN PEREZ SOTO");
    EXPECT_EQ(text(*dlg, 2, 115), "0001 JUAN PEREZ SOTO");
    EXPECT_EQ(text(*dlg, 2, 406), "BANCO DE CHILE");
    EXPECT_EQ(text(*dlg, 2, 252), "ADMINISTRACION");
    EXPECT_EQ(text(*dlg, 3, 102), "ACTIVO");
    EXPECT_EQ(text(*dlg, 3, 104), "CUPRUM");
    EXPECT_EQ(text(*dlg, 4, 120), "BANMEDICA");
    EXPECT_EQ(control<TGET>(*dlg, 1, 105)->text(), "0001");
    EXPECT_EQ(control<TGET>(*dlg, 1, 115)->text(), "01/03/2017");
    EXPECT_EQ(control<TGET>(*dlg, 2, 123)->text().trimmed(), "850,000");
    EXPECT_TRUE(control<QRadioButton>(*dlg, 2, 261)->isChecked());
    EXPECT_EQ(control<QComboBox>(*dlg, 2, 124)->currentText(), " 1- Pesos");
    EXPECT_EQ(text(*dlg, 5, 3320).trimmed(), "0001 JUAN PEREZ SOTO");
    for (int id : {155, 108, 109, 110}) EXPECT_TRUE(control(*dlg, 3, id)) << id;
    EXPECT_TRUE(control(*dlg, 3, 108)->isEnabled());   // a new plan
    EXPECT_FALSE(control(*dlg, 3, 109)->isEnabled());  // none to change yet
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.lines());

    auto enabled = inputs(*dlg);
    for (const char* id : {"1/105", "1/106", "1/112", "1/113", "1/117", "1/255", "1/133", "1/121", "1/234", "2/124",
                           "2/123", "2/136", "2/258", "2/227", "2/132", "2/213", "2/214", "2/130", "2/209", "3/101",
                           "3/103", "3/113", "4/119", "4/264"})
        EXPECT_TRUE(enabled.at(id)) << id;
    // By rule: pesos leave the unit value off, a full day the part-time days, no agreed plan its
    // amounts, an AFP the IPS codes.
    for (const char* id : {"2/140", "2/137", "3/115", "3/117", "4/222", "4/223"}) EXPECT_FALSE(enabled.at(id)) << id;
    EXPECT_FALSE(control(*dlg, 1, 1140));  // only for the customer variant
}

TEST_F(EditorDialogTest, AWorkerSeesHisFileReadOnlyButTheIpsCodesAndSavesHisRow) {
    s.CRUT_CONEXION_TRABAJADOR = "9876543-3";
    auto dlg = open("0002");
    ASSERT_TRUE(dlg);
    // Unit 4 (TOPE) is shown as the month's ceiling in pesos.
    EXPECT_EQ(control<TGET>(*dlg, 2, 123)->text().trimmed(), "2,216,706");
    for (auto [id, on] : inputs(*dlg)) {
        const bool ips = id == "3/115" || id == "3/117";
        EXPECT_EQ(on, ips) << id;
    }
    EXPECT_TRUE(dlg->findChild<QPushButton*>("302")->isEnabled());
    EXPECT_TRUE(control(*dlg, 5, 3204)->isEnabled());
    EXPECT_FALSE(control(*dlg, 5, 3206)->isEnabled());

    // He registers his IPS regime and the fund collecting the unemployment insurance.
    buffer.CCODIGO_IPS = "21";
    buffer.CAFP_SEGURO_CESANTIA = "05";
    VALIDA_REGIMEN_PREV(buffer);
    ui.defaultAnswer = true;
    EXPECT_TRUE(dlg->save()) << ::testing::PrintToString(ui.lines());
    EXPECT_EQ(db.column("0002", "codigo_ips_per"), "21");
    EXPECT_EQ(db.column("0002", "nombre_regimen_previsional"), "INP - IPS (Ex-INP)");
    EXPECT_EQ(db.column("0002", "clave_per"), "XYZ789");
}

TEST_F(EditorDialogTest, CodeLookupsByF12AndTheCheckOnLeavingWithTab) {
    auto dlg = open("0001");
    ASSERT_TRUE(dlg);
    show(*dlg);
    dlg->pages()->setCurrentIndex(1);
    auto* bank = control<TGET>(*dlg, 2, 227);
    bank->setFocus();
    QApplication::processEvents();
    chooseLastInLookup();
    QTest::keyClick(bank, Qt::Key_F12);
    reactivate(*dlg);
    EXPECT_EQ(buffer.CBANCO, "012");
    EXPECT_EQ(text(*dlg, 2, 406), "BANCO ESTADO");
    EXPECT_EQ(QApplication::focusWidget(), bank);

    // The AFP list holds the funds, not the IPS regimes.
    dlg->pages()->setCurrentIndex(2);
    auto* afp = control<TGET>(*dlg, 3, 103);
    setLookupDialogObserver([](LookupDialog& d) { QTimer::singleShot(0, &d, [&d] { d.close(); }); });
    std::unique_ptr<Recordset> rs;
    auto lookup = codeLookup(CodeKind::Afp, s);
    ASSERT_TRUE(lookup);
    EXPECT_FALSE(AYUDA_Y(rs, lookup->listSql, "corta", lookup->codeColumn, lookup->nameColumn, *s.OCON, ui));
    EXPECT_EQ(rs->RecordCount(), 3);
    reactivate(*dlg);
    afp->setFocus();
    QApplication::processEvents();
    chooseLastInLookup();
    QTest::keyClick(afp, Qt::Key_F12);
    reactivate(*dlg);
    EXPECT_EQ(QApplication::focusWidget(), afp);
    EXPECT_EQ(buffer.CCODIGO_AFP, "05");
    EXPECT_EQ(text(*dlg, 3, 104), "HABITAT");
    EXPECT_EQ(buffer.CNOMBRE_REGIMEN_PREVISIONAL, "AFP - AFP");

    // An unknown AFP left with Tab: told, the name blanked, the focus back in the field.
    afp->selectAll();
    QTest::keyClicks(afp, "99");
    QTest::keyClick(afp, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|registro no encontrado|No existe Código AFP"});
    EXPECT_EQ(text(*dlg, 3, 104).trimmed(), "");
    EXPECT_EQ(QApplication::focusWidget(), afp);

    // The worker type "2" forces the AFP "00" and clears the IPS data.
    ui.clear();
    auto* type = control<TGET>(*dlg, 3, 101);
    type->setFocus();
    QApplication::processEvents();
    type->selectAll();
    QTest::keyClicks(type, "2");
    QTest::keyClick(type, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(buffer.CCODIGO_AFP, "00");
    EXPECT_EQ(text(*dlg, 3, 111), "SIP - Sin Institución Previsional");
    EXPECT_EQ(text(*dlg, 3, 102), "PENSIONADO SIN COTIZAR");
    EXPECT_TRUE(control(*dlg, 3, 115)->isEnabled());
}

TEST_F(EditorDialogTest, ANewWorkerIsProposedTheNextCodeOfTheWholeMonthAndSaved) {
    ors->Filter("nombre_per LIKE '*JUAN*'");  // the list's search leaves only 0001
    auto dlg = open("", true);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(control<TGET>(*dlg, 1, 105)->text(), "0042");
    EXPECT_EQ(buffer.CCODIGO_AFP, "00");
    show(*dlg);

    // Without a RUT the save is refused on page 1, in the RUT field, and the file stays open.
    buffer.CNOMBRES = held("MARÍA JOSÉ", width::NOMBRES);
    buffer.CAPEPAT = held("D'ALMEIDA", width::APELLIDO);
    buffer.CAPEMAT = held("NÚÑEZ", width::APELLIDO);
    dlg->pages()->setCurrentIndex(3);
    EXPECT_FALSE(dlg->save());
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Stop|Atención|Debe Ingrear RUT"});
    EXPECT_EQ(dlg->pages()->currentIndex(), 0);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), control(*dlg, 1, 112));
    EXPECT_TRUE(dlg->isVisible());

    // A RUT typed short is zero-filled and checked.
    auto* rut = control<TGET>(*dlg, 1, 112);
    rut->selectAll();
    QTest::keyClicks(rut, "5555555-6");
    QTest::keyClick(rut, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(QApplication::focusWidget(), rut);  // wrong check digit
    rut->selectAll();
    QTest::keyClicks(rut, "5555555-9");
    QTest::keyClick(rut, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(buffer.CRUT, "005555555-9");

    ui.clear();
    ui.defaultAnswer = true;  // without AFP: save all the same
    EXPECT_TRUE(dlg->save()) << ::testing::PrintToString(ui.lines());
    EXPECT_TRUE(dlg->saved());
    EXPECT_EQ(db.column("0042", "nombre_per"), "MARÍA JOSÉ D'ALMEIDA NÚÑEZ");
    EXPECT_EQ(db.column("0042", "rut_per"), "005555555-9");
    EXPECT_EQ(db.column("0042", "fecha_contrato_per"), "NULL");
}

TEST_F(EditorDialogTest, ARefusedWriteKeepsTheFileOpenWithTheEdits) {
    auto dlg = open("0001");
    ASSERT_TRUE(dlg);
    show(*dlg);
    // Another clerk changes the same worker meanwhile.
    auto other = db.month();
    WorkerBuffer theirs = bufferFromRow(personnelRow(*other), false);
    theirs.CCARGO = held("GERENTE", width::CARGO);
    ASSERT_TRUE(GRABA_PERSONAL(*other, theirs, false, *s.OCON, s, ui));

    buffer.CCARGO = held("JUNIOR", width::CARGO);
    EXPECT_FALSE(dlg->save());
    EXPECT_FALSE(dlg->saved());
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().kind, BoxKind::Stop);
    EXPECT_NE(ui.boxes.back().text.find("otro usuario"), std::string::npos);
    EXPECT_EQ(trim(buffer.CCARGO), "JUNIOR");
    EXPECT_EQ(db.column("0001", "cargo_per"), "GERENTE");
}

TEST_F(EditorDialogTest, PhotoUnitsPaymentAndAgreedPlan) {
    QTemporaryDir dir;
    const QString bmp = dir.filePath("foto.BMP");
    QImage image(60, 80, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(bmp, "BMP"));

    auto dlg = open("0001");
    ASSERT_TRUE(dlg);
    dlg->personal()->setPhotoChooser([&] { return bmp.toStdString(); });
    control<QPushButton>(*dlg, 1, 121)->click();
    EXPECT_EQ(buffer.CDIR_FOTO, bmp.toStdString());
    EXPECT_FALSE(control<QLabel>(*dlg, 1, 260)->pixmap().isNull());
    EXPECT_EQ(text(*dlg, 1, 322), bmp);
    dlg->personal()->setPhotoChooser([] { return std::string(); });  // cancelled
    control<QPushButton>(*dlg, 1, 121)->click();
    EXPECT_EQ(buffer.CDIR_FOTO, "");

    // TOPE: the ceiling in pesos at once, the salary field off.
    auto* unit = control<QComboBox>(*dlg, 2, 124);
    unit->setCurrentIndex(3);
    emit unit->activated(3);
    EXPECT_EQ(buffer.NMONEDA_SUELDO, 4);
    EXPECT_EQ(buffer.NSUELDO_BASE, 2216706);
    EXPECT_FALSE(control(*dlg, 2, 123)->isEnabled());
    EXPECT_FALSE(control(*dlg, 2, 140)->isEnabled());

    // Cash clears the bank; a cheque keeps it.
    control<QRadioButton>(*dlg, 2, 259)->click();
    EXPECT_EQ(buffer.CBANCO, "001");
    control<QRadioButton>(*dlg, 2, 258)->click();
    EXPECT_EQ(buffer.CBANCO, "   ");
    EXPECT_EQ(text(*dlg, 2, 406).trimmed(), "");

    // An agreed plan opens its amounts; "Sin pactado" clears them.
    control<QRadioButton>(*dlg, 4, 265)->click();
    EXPECT_TRUE(control(*dlg, 4, 222)->isEnabled());
    buffer.NVALOR_PACTADO = 2.5;
    control<QRadioButton>(*dlg, 4, 264)->click();
    EXPECT_EQ(buffer.NVALOR_PACTADO, 0);
    EXPECT_FALSE(control(*dlg, 4, 222)->isEnabled());
}
