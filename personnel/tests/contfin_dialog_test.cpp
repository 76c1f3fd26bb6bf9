// The "Contrato y Finiquito" dialog with the private database server and the real
// LibreOffice.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "office/tword.h"
#include "personnel/contfin_dialog.h"
#include "tests/support/test_db.h"
#include "widgets/tget.h"

using namespace remu;
namespace fs = std::filesystem;

namespace {

const std::string kPlantillas = std::string(REMU_SOURCE_DIR) + "/resources/plantillas/";

class ContfinDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tag_ = testdb::uniqueTag();
        company_ = std::make_unique<testdb::ScratchDatabase>(tag_ + "_remu_", "contfin");
        company_->runSql(
            "CREATE TABLE 2019_datos_empresa (mes_datemp VARCHAR(2), nombre_datemp VARCHAR(100), "
            "Rut_datemp VARCHAR(12), direccion_datemp VARCHAR(100), comuna_datemp VARCHAR(40), "
            "rep_legal_datemp VARCHAR(100), rut_rep_Legal_datemp VARCHAR(12));"
            "INSERT INTO 2019_datos_empresa VALUES ('03', 'SERVICIOS AGRÍCOLAS DEL SUR S.A.', '96.512.304-6', "
            "'CAMINO A CHINQUIHUE KM 6', 'PUERTO MONTT', 'MARÍA INÉS CÁRDENAS ÑANCUPIL', '10.234.567-8');");
        dir_ = fs::temp_directory_path() / ("remu_contfin_" + tag_);
        fs::create_directories(dir_);
    }
    static void TearDownTestSuite() {
        endWordProcessor();
        company_.reset();
        fs::remove_all(dir_);
    }

    void SetUp() override {
        s_.period = Period::of(2019, 3);
        s_.OCON = company_->connect();
        worker_.CRUT = "006805048-0";
        worker_.CNOMBRE = "ANA ROJAS SOTO";
        worker_.CCARGO = "CAJERA";
        worker_.NSUELDO_BASE = 380000;
        worker_.DFECHA_CONTRATO = {2017, 8, 1};
        opt_.workDir = dir_.string();
        opt_.chooseTemplate = [this](const std::string& caption, const std::string&) {
            captions_.push_back(caption);
            std::string next = choices_.front();
            choices_.pop_front();
            return next;
        };
    }

    static std::string tag_;
    static std::unique_ptr<testdb::ScratchDatabase> company_;
    static fs::path dir_;
    Session s_;
    RecordingPort ui_;
    DocumentWorker worker_;
    ContfinOptions opt_;
    std::deque<std::string> choices_;
    std::vector<std::string> captions_;
};
std::string ContfinDialogTest::tag_;
std::unique_ptr<testdb::ScratchDatabase> ContfinDialogTest::company_;
fs::path ContfinDialogTest::dir_;

void click(QWidget& dlg, const char* id) {
    auto* b = dlg.findChild<QAbstractButton*>(id);
    ASSERT_NE(b, nullptr) << id;
    QTest::mouseClick(b, Qt::LeftButton);
}

}  // namespace

TEST_F(ContfinDialogTest, ProducesBothDocumentsFromTheChosenTemplates) {
    ContfinDialog dlg(s_, ui_, worker_, opt_);
    EXPECT_EQ(dlg.windowTitle(), "Contrato y Finiquito");
    EXPECT_EQ(dlg.findChild<QPushButton*>("113")->text(), "Genera Contrato");
    EXPECT_EQ(dlg.findChild<QPushButton*>("118")->text(), "Genera Finiquito");
    EXPECT_EQ(dlg.findChild<QPushButton*>("119")->text(), "&Salir");
    auto* contrato = dlg.findChild<TGET*>("200");
    auto* finiquito = dlg.findChild<TGET*>("114");
    ASSERT_TRUE(contrato && finiquito);
    dlg.show();

    // Both paths start as the current directory: not a template yet.
    EXPECT_EQ(contrato->text().toStdString(), fs::current_path().string());
    click(dlg, "113");
    EXPECT_EQ(ui_.lines(), std::vector<std::string>{"Stop|ALERTA|Debe seleccionar el contrato Tipo"});
    EXPECT_TRUE(dlg.statusHistory().empty());

    // The chosen path is kept as it is (names are case-sensitive here).
    choices_ = {kPlantillas + "contrato_tipo.doc"};
    click(dlg, "200_buscar");
    EXPECT_EQ(captions_, std::vector<std::string>{"Selección Contrato Tipo"});
    EXPECT_EQ(contrato->text().toStdString(), kPlantillas + "contrato_tipo.doc");
    ui_.clear();
    click(dlg, "113");
    EXPECT_TRUE(ui_.boxes.empty()) << testing::PrintToString(ui_.lines());
    EXPECT_EQ(dlg.statusHistory(), (std::vector<std::string>{kGenerando, kAbriendo}));
    EXPECT_EQ(dlg.statusLabel()->text().toStdString(), kAbriendo);
    EXPECT_EQ(dlg.lastDocument(), (dir_ / "006805048_CONTRATO.DOC").string());
    EXPECT_EQ(ui_.openedFiles, std::vector<std::string>{dlg.lastDocument()});
    EXPECT_TRUE(fs::exists(dlg.lastDocument()));

    // A path typed into the field serves as well.
    finiquito->setFocus();
    finiquito->setText(QString::fromStdString(kPlantillas + "finiquito_tipo.docx"));
    click(dlg, "118");
    EXPECT_EQ(dlg.lastDocument(), (dir_ / "006805048_FINIQUITO.DOCX").string());
    EXPECT_TRUE(fs::exists(dlg.lastDocument()));

    if (const char* shots = std::getenv("REMU_SCREENSHOTS"))
        dlg.grab().save(QString::fromStdString(std::string(shots) + "/contfin.png"));

    // Cancelling the file dialog empties the path.
    choices_ = {""};
    click(dlg, "114_buscar");
    EXPECT_EQ(finiquito->text().toStdString(), "");
    ui_.clear();
    click(dlg, "118");
    EXPECT_EQ(ui_.lines(), std::vector<std::string>{"Stop|ALERTA|Debe seleccionar el Finiquito Tipo"});
    click(dlg, "119");
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ContfinDialogTest, NotForAWorkersOwnSession) {
    s_.CRUT_CONEXION_TRABAJADOR = "006805048-0";
    EXPECT_FALSE(CONTFIN(nullptr, s_, ui_, std::string("0001"), opt_));
    EXPECT_TRUE(ui_.boxes.empty());
}
