#pragma once
// The wait cursor of the Qt screens for as long as it lives (printing, exporting, a long
// move in a grid): on when made, off when it goes out of scope, also when what it guards
// throws. The core asks for it through UiPort::busy (BusyCursor) instead.

#include <QApplication>
#include <QCursor>

namespace remu {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace remu
