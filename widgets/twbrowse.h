#pragma once
// TWBROWSE: the read-only grid of the lists. It holds no rows: it asks its owner
// for the current row's cells and walks the owner's row set through callbacks
// (length, top, bottom, skip), so it serves a recordset and an in-memory list alike.

#include <QAbstractScrollArea>
#include <QColor>
#include <QPixmap>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace remu {

class TWBROWSE : public QAbstractScrollArea {
    Q_OBJECT
public:
    // A text, or a bitmap number (0 draws nothing).
    using Cell = std::variant<std::string, int>;
    using RowFunction = std::function<std::vector<Cell>()>;
    using MouseAction = std::function<void(int row, int col, Qt::KeyboardModifiers keys)>;

    explicit TWBROWSE(QWidget* parent = nullptr);

    void setRowFunction(RowFunction f) { row_ = std::move(f); }
    void setHeaders(std::vector<std::string> h) { headers_ = std::move(h); }
    void setColumnWidths(std::vector<int> w) { widths_ = std::move(w); }
    void setRightJustified(int col, bool on = true);  // 1-based
    void setLength(std::function<long()> f) { length_ = std::move(f); }
    void setGoTop(std::function<void()> f) { goTop_ = std::move(f); }
    void setGoBottom(std::function<void()> f) { goBottom_ = std::move(f); }
    // Moves by a signed count; returns the count actually moved.
    void setSkip(std::function<long(long)> f) { skip_ = std::move(f); }
    void setChangeAction(std::function<void()> f) { change_ = std::move(f); }
    void setClickAction(MouseAction f) { click_ = std::move(f); }
    void setDoubleClickAction(MouseAction f) { dblClick_ = std::move(f); }
    void setRightClickAction(MouseAction f) { rClick_ = std::move(f); }
    void setTextColours(QColor text, QColor background);
    void setBitmap(int number, QPixmap pixmap) { bitmaps_[number] = std::move(pixmap); }

    // Redraw from the row set.
    void refresh();
    // Move the row set to its first row and redraw.
    void goTop();
    void goBottom();
    void goDown();
    void goUp();
    void pageDown();
    void pageUp();
    void goLeft();
    void goRight();

    int rowPos() const { return rowPos_; }   // 1-based line of the window
    int colPos() const { return col_; }      // 1-based column
    bool hitTop() const { return hitTop_; }
    bool hitBottom() const { return hitBottom_; }
    int visibleLines() const;
    long logicalPosition() const { return logicalPos_; }
    int columnCount() const;
    int lineHeight() const;
    int headerHeight() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void scrollContentsBy(int, int) override { viewport()->update(); }
    void resizeEvent(QResizeEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    long len() const { return length_ ? length_() : 0; }
    long skip(long n);
    void moved(bool runChange = true);
    void syncScrollBar();
    void onScrollAction(int action);
    void onSliderReleased();
    std::vector<int> effectiveWidths(const std::vector<Cell>& sample) const;
    int lineAt(int y) const;
    int columnAt(int x) const;
    void ensureColumnVisible();

    RowFunction row_;
    std::vector<std::string> headers_;
    std::vector<int> widths_;
    std::set<int> rightJustified_;
    std::function<long()> length_;
    std::function<void()> goTop_, goBottom_;
    std::function<long(long)> skip_;
    std::function<void()> change_;
    MouseAction click_, dblClick_, rClick_;
    std::map<int, QPixmap> bitmaps_;
    QColor text_ = Qt::black;
    QColor back_;
    mutable std::vector<int> lastWidths_;

    int rowPos_ = 1;
    int col_ = 1;
    int leftCol_ = 1;
    bool hitTop_ = false;
    bool hitBottom_ = false;
    long logicalPos_ = 1;
    bool adjusting_ = false;
};

// Binds the grid to an ADO-like recordset (RecordCount, MoveFirst, MoveLast, Move,
// AbsolutePosition, Eof, Bof), skipping as far as the rows allow.
template <class RS>
void bindRecordset(TWBROWSE& grid, RS& rs) {
    grid.setLength([&rs] { return static_cast<long>(rs.RecordCount()); });
    grid.setGoTop([&rs] { rs.MoveFirst(); });
    grid.setGoBottom([&rs] { rs.MoveLast(); });
    grid.setSkip([&rs](long n) -> long {
        if (rs.RecordCount() < 1) return 0;
        long before = rs.AbsolutePosition();
        rs.Move(n);
        if (rs.Eof()) rs.MoveLast();
        else if (rs.Bof()) rs.MoveFirst();
        return static_cast<long>(rs.AbsolutePosition()) - before;
    });
}

}  // namespace remu
