#pragma once
// The message port of the desktop client: modal message boxes over the window
// that is active, the wait cursor, and opening finished files on the desktop.

#include <QPointer>
#include <QWidget>

#include "core/ui_port.h"

namespace remu {

class QtPort : public UiPort {
public:
    explicit QtPort(QWidget* parent = nullptr) : parent_(parent) {}
    // Boxes are centred over this window (the active window when none).
    void setParent(QWidget* parent) { parent_ = parent; }

    void stop(std::string_view text, std::string_view title = {}) override;
    void alert(std::string_view text, std::string_view title = {}) override;
    void info(std::string_view text, std::string_view title = {}) override;
    bool yesNo(std::string_view text, std::string_view title = {}) override;
    void busy(bool on) override;
    void openFile(const std::string& path) override;

private:
    QWidget* owner() const;
    QPointer<QWidget> parent_;
    int busyDepth_ = 0;
};

}  // namespace remu
