#include "widgets/twbrowse.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace remu;

namespace {

// An in-memory row set with the program's skip rule: move as far as the rows allow.
struct ListRows {
    std::vector<std::string> rows;
    long pos = 0;  // 0-based current row
    int changes = 0;

    void bind(TWBROWSE& g) {
        g.setRowFunction([this]() -> std::vector<TWBROWSE::Cell> {
            if (pos < 0 || pos >= static_cast<long>(rows.size())) return {std::string(), std::string()};
            return {std::to_string(pos + 1), rows[pos]};
        });
        g.setHeaders({"Codigo", "Descripcion"});
        g.setLength([this] { return static_cast<long>(rows.size()); });
        g.setGoTop([this] { pos = 0; });
        g.setGoBottom([this] { pos = std::max<long>(0, static_cast<long>(rows.size()) - 1); });
        g.setSkip([this](long n) {
            long to = std::clamp<long>(pos + n, 0, std::max<long>(0, static_cast<long>(rows.size()) - 1));
            long moved = to - pos;
            pos = to;
            return moved;
        });
        g.setChangeAction([this] { ++changes; });
    }
};

ListRows makeRows(int n) {
    ListRows l;
    for (int i = 1; i <= n; ++i) l.rows.push_back("Fila " + std::to_string(i));
    return l;
}

// A grid of `lines` visible lines.
void sizeFor(TWBROWSE& g, int lines) {
    g.resize(300, 200);
    g.show();
    QApplication::processEvents();
    int h = g.headerHeight() + lines * g.lineHeight();
    g.resize(300, h + (g.height() - g.viewport()->height()));
    QApplication::processEvents();
    ASSERT_EQ(g.visibleLines(), lines);
}

}  // namespace

TEST(TWBROWSE, LineMovesAndEnds) {
    auto rows = makeRows(8);
    TWBROWSE g;
    rows.bind(g);
    sizeFor(g, 5);
    g.goTop();
    for (int i = 0; i < 4; ++i) QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(rows.pos, 4);
    EXPECT_EQ(g.rowPos(), 5);
    QTest::keyClick(&g, Qt::Key_Down);  // the window scrolls, the line stays the last one
    EXPECT_EQ(rows.pos, 5);
    EXPECT_EQ(g.rowPos(), 5);
    QTest::keyClick(&g, Qt::Key_End);
    EXPECT_EQ(rows.pos, 7);
    EXPECT_EQ(g.rowPos(), 5);
    EXPECT_TRUE(g.hitBottom());

    // Down past the end keeps the row; Up clears the flag.
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(rows.pos, 7);
    EXPECT_TRUE(g.hitBottom());
    QTest::keyClick(&g, Qt::Key_Up);
    EXPECT_EQ(rows.pos, 6);
    EXPECT_EQ(g.rowPos(), 4);
    EXPECT_FALSE(g.hitBottom());
    QTest::keyClick(&g, Qt::Key_Home);
    EXPECT_EQ(rows.pos, 0);
    EXPECT_EQ(g.rowPos(), 1);
    QTest::keyClick(&g, Qt::Key_Up);
    EXPECT_EQ(rows.pos, 0);

    // Left/Right move the column within the row's cells.
    QTest::keyClick(&g, Qt::Key_Right);
    QTest::keyClick(&g, Qt::Key_Right);
    EXPECT_EQ(g.colPos(), 2);
    QTest::keyClick(&g, Qt::Key_Left);
    EXPECT_EQ(g.colPos(), 1);
    EXPECT_GT(rows.changes, 0);

    // Drawing walks the rows but leaves the row set where it was.
    rows.pos = 3;
    g.refresh();
    g.grab();
    EXPECT_EQ(rows.pos, 3);
}

TEST(TWBROWSE, Pages) {
    auto rows = makeRows(23);
    TWBROWSE g;
    rows.bind(g);
    sizeFor(g, 5);
    g.goTop();
    QTest::keyClick(&g, Qt::Key_Down);  // line 2
    QTest::keyClick(&g, Qt::Key_PageDown);
    EXPECT_EQ(rows.pos, 6);  // a page further, same line
    EXPECT_EQ(g.rowPos(), 2);
    QTest::keyClick(&g, Qt::Key_PageDown);
    QTest::keyClick(&g, Qt::Key_PageDown);
    EXPECT_EQ(rows.pos, 16);
    QTest::keyClick(&g, Qt::Key_PageDown);  // less than a page left: last row on the last line
    EXPECT_EQ(rows.pos, 22);
    EXPECT_EQ(g.rowPos(), 5);
    EXPECT_TRUE(g.hitBottom());

    QTest::keyClick(&g, Qt::Key_PageUp);
    EXPECT_EQ(rows.pos, 17);
    EXPECT_EQ(g.rowPos(), 5);
    EXPECT_FALSE(g.hitBottom());
    QTest::keyClick(&g, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(rows.pos, 0);
    QTest::keyClick(&g, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(rows.pos, 22);
    QTest::keyClick(&g, Qt::Key_Up);
    QTest::keyClick(&g, Qt::Key_Up);
    QTest::keyClick(&g, Qt::Key_PageUp);  // lines above the window: to the first row
    QTest::keyClick(&g, Qt::Key_PageUp);
    QTest::keyClick(&g, Qt::Key_PageUp);
    QTest::keyClick(&g, Qt::Key_PageUp);
    QTest::keyClick(&g, Qt::Key_PageUp);
    EXPECT_EQ(rows.pos, 0);
    EXPECT_EQ(g.rowPos(), 1);
    EXPECT_TRUE(g.hitTop());

    // Fewer rows than lines: End puts the last row on its own line.
    auto few = makeRows(3);
    TWBROWSE h;
    few.bind(h);
    sizeFor(h, 5);
    h.goTop();
    QTest::keyClick(&h, Qt::Key_End);
    EXPECT_EQ(few.pos, 2);
    EXPECT_EQ(h.rowPos(), 3);
    QTest::keyClick(&h, Qt::Key_PageDown);
    EXPECT_EQ(few.pos, 2);
}

TEST(TWBROWSE, DoubleClickAndWheel) {
    auto rows = makeRows(10);
    TWBROWSE g;
    rows.bind(g);
    sizeFor(g, 5);
    g.goTop();
    std::vector<std::pair<int, int>> picked;
    g.setDoubleClickAction([&](int r, int c, Qt::KeyboardModifiers) { picked.emplace_back(r, c); });

    auto lineY = [&](int line) { return g.headerHeight() + (line - 1) * g.lineHeight() + g.lineHeight() / 2; };
    // The platform sends a press before the double click; the press makes the row current.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, lineY(3)));
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, lineY(3)));
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, lineY(4)));  // not the current row
    EXPECT_EQ(rows.pos, 2);
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0], std::make_pair(3, 1));
    EXPECT_EQ(rows.pos, 2);  // the click moved the current row there first

    // Wheel: a line per notch, a page with Control, columns over the lowest fifth.
    auto wheel = [&](int y, int delta, Qt::KeyboardModifiers mods = {}) {
        QPointF at(20, y);
        QWheelEvent ev(at, g.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(g.viewport(), &ev);
    };
    wheel(lineY(1), -120);
    EXPECT_EQ(rows.pos, 3);
    wheel(lineY(1), 240);
    EXPECT_EQ(rows.pos, 1);
    wheel(lineY(1), -120, Qt::ControlModifier);
    EXPECT_EQ(rows.pos, 6);
    int bottom = g.viewport()->height() - 2;
    wheel(bottom, -120);
    EXPECT_EQ(g.colPos(), 2);
    EXPECT_EQ(rows.pos, 6);
    wheel(bottom, 120);
    EXPECT_EQ(g.colPos(), 1);

    // The scroll bar follows and its arrows move a line.
    EXPECT_EQ(g.verticalScrollBar()->value(), 7);
    g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(rows.pos, 7);
    EXPECT_EQ(g.verticalScrollBar()->value(), 8);
    g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(rows.pos, 0);
}

TEST(TWBROWSE, EmptyRowSetDoesNothing) {
    ListRows rows;
    TWBROWSE g;
    rows.bind(g);
    sizeFor(g, 5);
    int dbl = 0;
    g.setDoubleClickAction([&](int, int, Qt::KeyboardModifiers) { ++dbl; });
    for (auto key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home,
                     Qt::Key_Right})
        QTest::keyClick(&g, key);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, g.headerHeight() + 3));
    g.grab();
    EXPECT_EQ(dbl, 0);
    EXPECT_EQ(rows.changes, 0);
    EXPECT_EQ(g.rowPos(), 1);
}
