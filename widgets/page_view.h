#pragma once
// The preview's drawing area: one or two pages, or one page enlarged with scroll
// bars. It asks its TPREVIEW for the pages, the page shown and the zoom, and sends
// the keys and the wheel back to it as page commands.

#include <QAbstractScrollArea>
#include <QRectF>
#include <QSizeF>
#include <vector>

namespace remu {

class TPREVIEW;

class PageView : public QAbstractScrollArea {
public:
    explicit PageView(TPREVIEW* owner);

    double aspect() const;
    QSizeF zoomedSize() const;
    // Where the pages go, in viewport coordinates.
    std::vector<QRectF> pageRects() const;
    void layoutBars();
    void scrollTo(double fx, double fy);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int, int) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    TPREVIEW* owner_;
};

}  // namespace remu
