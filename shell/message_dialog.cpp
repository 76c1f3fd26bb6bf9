#include "shell/message_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace remu {

namespace {

QString qs(std::string_view t) { return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())); }

QString caption(BoxKind kind, std::string_view title) {
    return title.empty() ? QString::fromStdString(standardTitle(kind)) : qs(title);
}

// Whether the desktop names an application for the file's type. On Linux the
// launcher starts and fails later, unseen, when no application is set up.
bool desktopCanOpen(const QString& file) {
#if defined(Q_OS_LINUX)
    QString type = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess query;
    query.start("xdg-mime", {"query", "default", type});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
#else
    (void)file;
    return true;
#endif
}

}  // namespace

QWidget* QtPort::owner() const {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    return parent_;
}

// A box must never appear under a wait cursor left on by the caller.
struct CursorPause {
    explicit CursorPause(int depth) : on(depth > 0) {
        if (on) QApplication::restoreOverrideCursor();
    }
    ~CursorPause() {
        if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    bool on;
};

void QtPort::stop(std::string_view text, std::string_view title) {
    CursorPause pause(busyDepth_);
    QMessageBox::critical(owner(), caption(BoxKind::Stop, title), qs(text));
}

void QtPort::alert(std::string_view text, std::string_view title) {
    CursorPause pause(busyDepth_);
    QMessageBox::warning(owner(), caption(BoxKind::Alert, title), qs(text));
}

void QtPort::info(std::string_view text, std::string_view title) {
    CursorPause pause(busyDepth_);
    QMessageBox::information(owner(), caption(BoxKind::Info, title), qs(text));
}

bool QtPort::yesNo(std::string_view text, std::string_view title) {
    CursorPause pause(busyDepth_);
    QMessageBox box(QMessageBox::Question, caption(BoxKind::YesNo, title), qs(text),
                    QMessageBox::Yes | QMessageBox::No, owner());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    // Every question of the system confirms something that cannot be taken back
    // (a mailing, a deletion): Enter must not say yes.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPort::busy(bool on) {
    if (on) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0) QApplication::restoreOverrideCursor();
    }
}

void QtPort::openFile(const std::string& path) {
    QString file = QString::fromStdString(path);
    if (desktopCanOpen(file) && QDesktopServices::openUrl(QUrl::fromLocalFile(file))) return;
    // The file is there all the same: the user is told where.
    if (QFileInfo(file).isDir())
        info("No se encontró un programa para abrir la carpeta " + path, "Atención");
    else
        info("No se encontró un programa para abrir el archivo.\nQuedó guardado en " + path, "Atención");
}

}  // namespace remu
