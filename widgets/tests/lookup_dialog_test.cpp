// The pick-list (AYUDA_Y) over the workers of a demo company: an empty query never opens it,
// the search filters (and shows every row again when nothing matches), the keys of the grid
// move and choose.
#include "widgets/lookup_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/ui_port.h"
#include "data/recordset.h"
#include "tests/support/demo_client.h"
#include "widgets/twbrowse.h"

using namespace remu;

namespace {

class LookupDialogTest : public testdb::DemoSuite {
protected:
    RecordingPort ui;
};

}  // namespace

TEST_F(LookupDialogTest, FilterSkipAndChoice) {
    auto conn = demo->connectNorth();
    const std::string sql = "SELECT * FROM 2019_personal where mes_per = 03 order by codigo_per";
    int opened = 0;

    // No row: the dialog never opens.
    setLookupDialogObserver([&](LookupDialog&) { ++opened; });
    std::unique_ptr<Recordset> rs;
    EXPECT_FALSE(AYUDA_Y(rs, "SELECT * FROM 2019_personal where mes_per = 13", "corta", "codigo_per", "nombre_per",
                         *conn, ui));
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Info|registro no encontrado|No existe , Tabla Sin Datos"});

    // A search that matches nothing shows every row again; a key in the grid marks the row.
    ui.clear();
    long countAfterMiss = -1;
    setLookupDialogObserver([&](LookupDialog& dlg) {
        ++opened;
        EXPECT_EQ(dlg.windowTitle(), "Búsqueda");
        EXPECT_EQ(dlg.objectName(), "ODLG_AYUDA");
        QTimer::singleShot(0, &dlg, [&] {
            dlg.searchText() = "NO EXISTE NADIE";
            dlg.applySearch();
            countAfterMiss = rs->RecordCount();
            dlg.searchText() = "PÉREZ";
            dlg.applySearch();
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(dlg.grid(), &down);
            dlg.close();
        });
    });
    ASSERT_TRUE(AYUDA_Y(rs, sql, "corta", "codigo_per", "nombre_per", *conn, ui));
    EXPECT_EQ(opened, 1);
    EXPECT_GT(countAfterMiss, 20);
    EXPECT_EQ(ui.lines(), std::vector<std::string>{"Alert|atención|Filtro no encontrado"});
    EXPECT_EQ(rs->RecordCount(), 3);  // 0001, 0004 and 0047 carry PÉREZ in their names
    EXPECT_EQ(rs->Fields("codigo_per").text(), "0004");

    // Closed before any key: nothing chosen. Enter chooses the current row.
    setLookupDialogObserver([&](LookupDialog& dlg) {
        QTimer::singleShot(0, &dlg, [&] { dlg.close(); });
    });
    EXPECT_FALSE(AYUDA_Y(rs, sql, "larga", "codigo_per", "nombre_per", *conn, ui));
    setLookupDialogObserver([&](LookupDialog& dlg) {
        EXPECT_EQ(dlg.objectName(), "ODLG_AYUDANCHA");
        QTimer::singleShot(0, &dlg, [&] {
            QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
            QApplication::sendEvent(dlg.grid(), &end);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(dlg.grid(), &enter);
        });
    });
    ASSERT_TRUE(AYUDA_Y(rs, sql, "larga", "codigo_per", "nombre_per", *conn, ui));
    EXPECT_EQ(rs->AbsolutePosition(), rs->RecordCount());
    setLookupDialogObserver({});
}
