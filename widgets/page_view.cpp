#include "widgets/page_view.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "widgets/tpreview.h"

namespace remu {

PageView::PageView(TPREVIEW* owner) : QAbstractScrollArea(owner), owner_(owner) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

double PageView::aspect() const {
    const auto& m = owner_->pages().metrics;
    return m.horzSizeMm / m.vertSizeMm;
}

QSizeF PageView::zoomedSize() const {
    double w = viewport()->width() * 0.95 * owner_->zoomFactor();
    return {w, w / aspect()};
}

std::vector<QRectF> PageView::pageRects() const {
    double W = viewport()->width(), H = viewport()->height();
    std::vector<QRectF> r;
    if (owner_->isZoomed()) {
        QSizeF s = zoomedSize();
        double x = std::max((W - s.width()) / 2, W * 0.025) - horizontalScrollBar()->value();
        double y = 8 - verticalScrollBar()->value();
        r.emplace_back(x, y, s.width(), s.height());
    } else if (owner_->isTwoPages()) {
        double h = H - 8, w = h * aspect();
        if (w > W * 0.40) {
            w = W * 0.40;
            h = w / aspect();
        }
        double y = (H - h) / 2;
        r.emplace_back(W / 2 - W * 0.05 - w, y, w, h);
        r.emplace_back(W / 2 + W * 0.05, y, w, h);
    } else {
        double h = H - 8, w = h * aspect();
        if (w > W * 0.95) {
            w = W * 0.95;
            h = w / aspect();
        }
        r.emplace_back((W - w) / 2, (H - h) / 2, w, h);
    }
    return r;
}

void PageView::layoutBars() {
    if (!owner_->isZoomed()) {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
    } else {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(owner_->zoomFactor() > 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        QSizeF s = zoomedSize();
        int cw = static_cast<int>(s.width() + viewport()->width() * 0.05);
        int ch = static_cast<int>(s.height() + 16);
        horizontalScrollBar()->setRange(0, std::max(0, cw - viewport()->width()));
        verticalScrollBar()->setRange(0, std::max(0, ch - viewport()->height()));
        horizontalScrollBar()->setPageStep(viewport()->width());
        verticalScrollBar()->setPageStep(viewport()->height());
        horizontalScrollBar()->setSingleStep(std::max(1, viewport()->width() / 20));
        verticalScrollBar()->setSingleStep(std::max(1, viewport()->height() / 20));
    }
    viewport()->update();
}

void PageView::scrollTo(double fx, double fy) {
    QSizeF s = zoomedSize();
    horizontalScrollBar()->setValue(static_cast<int>(fx * s.width() - viewport()->width() / 2.0));
    verticalScrollBar()->setValue(static_cast<int>(fy * s.height() - viewport()->height() / 2.0));
}

void PageView::paintEvent(QPaintEvent*) {
    // Pages are composed on an image first: replaying the recorded pictures straight on
    // the widget lost the first texts of a page.
    QImage canvas(viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(palette().color(QPalette::Dark));
    QPainter p(&canvas);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    auto rects = pageRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        int index = owner_->page() - 1 + static_cast<int>(i);
        p.fillRect(rects[i].translated(3, 3), QColor(0, 0, 0, 80));
        if (index < owner_->pageCount()) owner_->pages().render(p, index, rects[i]);
        else p.fillRect(rects[i], Qt::white);  // the empty pane after the last page
        p.setPen(Qt::black);
        p.drawRect(rects[i]);
    }
    p.end();
    QPainter(viewport()).drawImage(0, 0, canvas);
}

void PageView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    layoutBars();
}

void PageView::scrollContentsBy(int, int) { viewport()->update(); }

void PageView::keyPressEvent(QKeyEvent* e) {
    auto* h = horizontalScrollBar();
    auto* v = verticalScrollBar();
    if (!owner_->isZoomed()) {
        switch (e->key()) {
        case Qt::Key_Home: owner_->firstPage(); break;
        case Qt::Key_End: owner_->lastPage(); break;
        case Qt::Key_PageUp: owner_->previousPage(); break;
        case Qt::Key_PageDown: owner_->nextPage(); break;
        default: return QAbstractScrollArea::keyPressEvent(e);
        }
        return e->accept();
    }
    switch (e->key()) {
    case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Left: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Home:
        h->setValue(0);
        v->setValue(0);
        break;
    case Qt::Key_End: {
        QSizeF s = zoomedSize();
        h->setValue(static_cast<int>(s.width() * 0.8));
        v->setValue(static_cast<int>(s.height() * 0.8));
        break;
    }
    default: return QAbstractScrollArea::keyPressEvent(e);
    }
    e->accept();
}

void PageView::wheelEvent(QWheelEvent* e) {
    int d = e->angleDelta().y();
    if (d == 0) return e->ignore();
    bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (!owner_->isZoomed()) {
        if (d > 0) ctrl ? owner_->firstPage() : owner_->previousPage();
        else ctrl ? owner_->lastPage() : owner_->nextPage();
    } else {
        auto* v = verticalScrollBar();
        if (ctrl) v->triggerAction(d > 0 ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd);
        else v->triggerAction(d > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
    }
    e->accept();
}

void PageView::mouseDoubleClickEvent(QMouseEvent* e) {
    auto rects = pageRects();
    QPointF at = e->position();
    double fx = 0.5, fy = 0.5;
    for (const auto& r : rects) {
        if (r.contains(at)) {
            fx = (at.x() - r.left()) / r.width();
            fy = (at.y() - r.top()) / r.height();
            break;
        }
    }
    bool zoomingIn = !owner_->isZoomed();
    owner_->toggleZoom();
    if (zoomingIn) scrollTo(fx, fy);
}

}  // namespace remu
