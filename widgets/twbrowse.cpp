#include "widgets/twbrowse.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "widgets/wait_cursor.h"

namespace remu {

namespace {
QString cellText(const TWBROWSE::Cell& c) {
    if (auto* s = std::get_if<std::string>(&c)) return QString::fromStdString(*s);
    return {};
}
}  // namespace

TWBROWSE::TWBROWSE(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* bar = verticalScrollBar();
    bar->setRange(1, 1);
    connect(bar, &QScrollBar::actionTriggered, this, &TWBROWSE::onScrollAction);
    connect(bar, &QScrollBar::sliderReleased, this, &TWBROWSE::onSliderReleased);
}

void TWBROWSE::setRightJustified(int col, bool on) {
    if (on) rightJustified_.insert(col);
    else rightJustified_.erase(col);
}

void TWBROWSE::setTextColours(QColor text, QColor background) {
    text_ = text;
    back_ = background;
    viewport()->update();
}

int TWBROWSE::lineHeight() const { return fontMetrics().height() + 4; }
int TWBROWSE::headerHeight() const { return fontMetrics().height() + 6; }

int TWBROWSE::visibleLines() const {
    return std::max(1, (viewport()->height() - headerHeight()) / lineHeight());
}

int TWBROWSE::columnCount() const {
    std::size_t n = headers_.size();
    if (row_ && len() > 0) n = std::max(n, row_().size());
    return static_cast<int>(n);
}

long TWBROWSE::skip(long n) {
    if (!skip_ || n == 0) return 0;
    long m = skip_(n);
    logicalPos_ += m;
    return m;
}

void TWBROWSE::moved(bool runChange) {
    viewport()->update();
    syncScrollBar();
    if (runChange && change_) change_();
}

void TWBROWSE::refresh() {
    viewport()->update();
    syncScrollBar();
}

void TWBROWSE::goTop() {
    if (goTop_) goTop_();
    rowPos_ = 1;
    logicalPos_ = 1;
    hitTop_ = true;
    hitBottom_ = false;
    moved();
}

void TWBROWSE::goBottom() {
    if (goBottom_) goBottom_();
    long n = len();
    rowPos_ = static_cast<int>(std::clamp<long>(n, 1, visibleLines()));
    logicalPos_ = std::max<long>(1, n);
    hitBottom_ = true;
    hitTop_ = false;
    moved();
}

void TWBROWSE::goDown() {
    if (len() < 1 || hitBottom_) return;
    if (skip(1) == 1) {
        if (rowPos_ < visibleLines()) ++rowPos_;
        hitTop_ = false;
    } else {
        hitBottom_ = true;
    }
    moved();
}

void TWBROWSE::goUp() {
    if (len() < 1 || hitTop_) return;
    if (skip(-1) == -1) {
        if (rowPos_ > 1) --rowPos_;
        hitBottom_ = false;
    } else {
        hitTop_ = true;
    }
    moved();
}

void TWBROWSE::pageDown() {
    if (len() < 1 || hitBottom_) return;
    int lines = visibleLines();
    long want = 2L * lines - rowPos_;  // to the last line of the next page
    long m = skip(want);
    if (m < want) {
        // Less than a page left: show the last page, ending at the last row.
        rowPos_ = static_cast<int>(std::clamp<long>(len(), 1, lines));
        hitBottom_ = true;
    } else {
        skip(-(lines - rowPos_));  // back to the same line of the new page
    }
    if (m != 0) hitTop_ = false;
    moved();
}

void TWBROWSE::pageUp() {
    if (len() < 1 || hitTop_) return;
    int lines = visibleLines();
    long want = -(static_cast<long>(lines) + rowPos_ - 1);  // to the first line of the previous page
    long m = skip(want);
    if (m > want) {
        rowPos_ = 1;
        hitTop_ = true;
    } else {
        skip(rowPos_ - 1);
    }
    if (m != 0) hitBottom_ = false;
    moved();
}

void TWBROWSE::goLeft() {
    if (len() < 1 || col_ <= 1) return;
    --col_;
    ensureColumnVisible();
    viewport()->update();
}

void TWBROWSE::goRight() {
    if (len() < 1 || col_ >= columnCount()) return;
    ++col_;
    ensureColumnVisible();
    viewport()->update();
}

void TWBROWSE::ensureColumnVisible() {
    if (col_ < leftCol_) leftCol_ = col_;
    auto sum = [&] {
        int w = 0;
        for (int c = leftCol_; c <= col_ && c <= static_cast<int>(lastWidths_.size()); ++c) w += lastWidths_[c - 1];
        return w;
    };
    while (leftCol_ < col_ && sum() > viewport()->width()) ++leftCol_;
}

void TWBROWSE::syncScrollBar() {
    auto* bar = verticalScrollBar();
    long n = std::max<long>(1, len());
    bar->setRange(1, static_cast<int>(n));
    bar->setPageStep(visibleLines());
    bar->setSliderPosition(static_cast<int>(std::clamp<long>(logicalPos_, 1, n)));
}

void TWBROWSE::onScrollAction(int action) {
    auto* bar = verticalScrollBar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: goDown(); break;
    case QAbstractSlider::SliderSingleStepSub: goUp(); break;
    case QAbstractSlider::SliderPageStepAdd: pageDown(); break;
    case QAbstractSlider::SliderPageStepSub: pageUp(); break;
    case QAbstractSlider::SliderToMinimum: goTop(); break;
    case QAbstractSlider::SliderToMaximum: goBottom(); break;
    case QAbstractSlider::SliderMove:
        if (bar->isSliderDown()) return;  // dragging: the move happens on release
        onSliderReleased();
        return;
    default: return;
    }
    bar->setSliderPosition(static_cast<int>(std::clamp<long>(logicalPos_, 1, std::max<long>(1, len()))));
}

void TWBROWSE::onSliderReleased() {
    auto* bar = verticalScrollBar();
    int v = bar->sliderPosition();
    long n = len();
    if (n < 1) return syncScrollBar();
    if (v <= bar->minimum()) return goTop();
    if (v >= bar->maximum()) return goBottom();
    long m;
    {
        WaitCursor wait;
        m = skip(v - logicalPos_);
    }
    if (m != 0) hitTop_ = hitBottom_ = false;
    moved();
}

std::vector<int> TWBROWSE::effectiveWidths(const std::vector<Cell>& sample) const {
    std::size_t n = std::max(sample.size(), headers_.size());
    std::vector<int> w(n);
    const auto& fm = fontMetrics();
    for (std::size_t i = 0; i < n; ++i) {
        if (i < widths_.size()) {
            w[i] = widths_[i];
            continue;
        }
        QString head = i < headers_.size() ? QString::fromStdString(headers_[i]) : QString::number(i + 1);
        int cw = i < sample.size() ? fm.horizontalAdvance(cellText(sample[i])) : 0;
        w[i] = std::max(fm.horizontalAdvance(head), cw) + 10;
    }
    return w;
}

void TWBROWSE::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    QColor base = back_.isValid() ? back_ : pal.color(QPalette::Base);
    p.fillRect(viewport()->rect(), base);

    long n = len();
    int lines = visibleLines();
    int lh = lineHeight();
    int hh = headerHeight();

    // Gather the visible rows by walking the row set, then come back to the current row.
    std::vector<std::vector<Cell>> rows;
    if (n > 0 && row_) {
        long up = skip(1 - rowPos_);
        if (-up < rowPos_ - 1) rowPos_ = static_cast<int>(1 - up);  // fewer rows above than lines
        long down = 0;
        rows.push_back(row_());
        while (static_cast<int>(rows.size()) < lines) {
            if (skip(1) != 1) break;
            ++down;
            rows.push_back(row_());
        }
        skip(-(up + down));
    }
    std::vector<Cell> sample = rows.empty() ? std::vector<Cell>{} : rows.front();
    lastWidths_ = effectiveWidths(sample);
    int cols = static_cast<int>(lastWidths_.size());
    leftCol_ = std::clamp(leftCol_, 1, std::max(1, cols));

    // Header.
    p.fillRect(QRect(0, 0, viewport()->width(), hh), pal.color(QPalette::Button));
    p.setPen(Qt::black);
    int x = 0;
    for (int c = leftCol_; c <= cols; ++c) {
        int w = lastWidths_[c - 1];
        QString head = c <= static_cast<int>(headers_.size()) ? QString::fromStdString(headers_[c - 1])
                                                             : QString::number(c);
        p.drawText(QRect(x + 3, 0, w - 6, hh), Qt::AlignVCenter | Qt::AlignLeft, head);
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(x + w - 1, 0, x + w - 1, hh);
        p.setPen(Qt::black);
        x += w;
    }
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(0, hh - 1, viewport()->width(), hh - 1);

    // Lines.
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        int y = hh + i * lh;
        bool current = i + 1 == rowPos_;
        QColor fg = text_;
        if (current) {
            QPalette::ColorGroup g = hasFocus() ? QPalette::Active : QPalette::Inactive;
            p.fillRect(QRect(0, y, viewport()->width(), lh), pal.color(g, QPalette::Highlight));
            fg = pal.color(g, QPalette::HighlightedText);
        }
        int cx = 0;
        for (int c = leftCol_; c <= cols; ++c) {
            int w = lastWidths_[c - 1];
            QRect cell(cx + 3, y, w - 6, lh);
            if (c <= static_cast<int>(rows[i].size())) {
                const Cell& v = rows[i][c - 1];
                if (auto* num = std::get_if<int>(&v)) {
                    auto bm = bitmaps_.find(*num);
                    if (*num != 0 && bm != bitmaps_.end()) p.drawPixmap(cell.topLeft(), bm->second);
                } else {
                    p.save();
                    p.setClipRect(cell);
                    p.setPen(fg);
                    Qt::Alignment al = rightJustified_.count(c) ? Qt::AlignRight : Qt::AlignLeft;
                    p.drawText(cell, al | Qt::AlignVCenter, cellText(v));
                    p.restore();
                }
            }
            cx += w;
        }
        p.setPen(pal.color(QPalette::Midlight));
        p.drawLine(0, y + lh - 1, viewport()->width(), y + lh - 1);
    }
}

void TWBROWSE::keyPressEvent(QKeyEvent* e) {
    bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Up: goUp(); break;
    case Qt::Key_Down: goDown(); break;
    case Qt::Key_Left: goLeft(); break;
    case Qt::Key_Right: goRight(); break;
    case Qt::Key_Home: if (len() > 0) goTop(); break;
    case Qt::Key_End: if (len() > 0) goBottom(); break;
    case Qt::Key_PageUp: if (len() > 0) ctrl ? goTop() : pageUp(); break;
    case Qt::Key_PageDown: if (len() > 0) ctrl ? goBottom() : pageDown(); break;
    default:
        e->ignore();  // Enter, Escape and the rest belong to the dialog
        return;
    }
    e->accept();
}

void TWBROWSE::wheelEvent(QWheelEvent* e) {
    int delta = e->angleDelta().y();
    if (delta == 0) return e->ignore();
    int steps = std::max(1, std::abs(delta) / 120);
    bool ctrl = e->modifiers() & Qt::ControlModifier;
    bool columns = e->position().y() > viewport()->height() * 0.8;
    for (int i = 0; i < steps; ++i) {
        if (columns) delta > 0 ? goLeft() : goRight();
        else if (delta > 0) ctrl ? pageUp() : goUp();
        else ctrl ? pageDown() : goDown();
    }
    e->accept();
}

int TWBROWSE::lineAt(int y) const {
    if (y < headerHeight()) return 0;
    return (y - headerHeight()) / lineHeight() + 1;
}

int TWBROWSE::columnAt(int x) const {
    int cx = 0;
    for (int c = leftCol_; c <= static_cast<int>(lastWidths_.size()); ++c) {
        cx += lastWidths_[c - 1];
        if (x < cx) return c;
    }
    return 0;
}

void TWBROWSE::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    int line = lineAt(static_cast<int>(e->position().y()));
    int col = columnAt(static_cast<int>(e->position().x()));
    if (e->button() == Qt::RightButton) {
        if (rClick_) rClick_(line, col, e->modifiers());
        return;
    }
    if (e->button() != Qt::LeftButton || line < 1 || len() < 1) return;
    if (line != rowPos_ && line <= visibleLines()) {
        long m = skip(line - rowPos_);
        rowPos_ += static_cast<int>(m);
        if (m != 0) {
            hitTop_ = hitBottom_ = false;
            moved();
        }
    }
    if (col > 0) col_ = col;
    viewport()->update();
    if (click_) click_(rowPos_, col, e->modifiers());
}

void TWBROWSE::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || len() < 1) return;
    int line = lineAt(static_cast<int>(e->position().y()));
    if (line != rowPos_) return;
    if (dblClick_) dblClick_(rowPos_, columnAt(static_cast<int>(e->position().x())), e->modifiers());
}

void TWBROWSE::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    rowPos_ = std::min(rowPos_, visibleLines());
    syncScrollBar();
}

void TWBROWSE::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void TWBROWSE::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

}  // namespace remu
