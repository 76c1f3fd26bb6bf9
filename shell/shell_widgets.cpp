#include "shell/shell_widgets.h"

#include <QFont>
#include <QLabel>

#include "format/text.h"
#include "widgets/tget.h"

// The images are compiled into a static library: register them before first use.
// (Q_INIT_RESOURCE declares a function: it cannot be called inside a namespace.)
static void registerShellImages() {
    static const bool done = [] {
        Q_INIT_RESOURCE(shell);
        return true;
    }();
    (void)done;
}

namespace remu {

void initShellResources() { registerShellImages(); }

QIcon shellIcon(const QString& role) {
    initShellResources();
    static const struct {
        const char* role;
        const char* theme;
    } themed[] = {
        {"funcionario", "system-users"}, {"liqui", "x-office-document"}, {"llaves", "dialog-password"},
        {"salir", "application-exit"},
    };
    const QIcon own(":/shell/" + role + ".png");
    for (const auto& t : themed)
        if (role == t.role) return QIcon::fromTheme(t.theme, own);
    return own;
}

TGET* makeKeyField(QWidget* parent, std::string& var, int length, bool masked, const char* id) {
    auto* f = new TGET(parent);
    f->setObjectName(id);
    f->bind(var);
    f->setPicture(masked ? "@K" + std::string(static_cast<size_t>(length), '!') : "@K!");
    f->setMaxLength(length);
    f->setPassword(masked);
    QFont font = f->font();
    font.setFamily("Monospace");
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(font.pointSize() + 2);
    f->setFont(font);
    f->setMinimumWidth(f->fontMetrics().horizontalAdvance(QString(length + 2, QChar('M'))));
    return f;
}

QLabel* makeServerLabel(QWidget* parent, const Session& s) {
    auto* host = new QLabel(QString::fromStdString(upper(trim(s.CNOM_HOST))), parent);
    host->setObjectName("105");
    host->setAlignment(Qt::AlignCenter);
    QFont hf = host->font();
    hf.setBold(true);
    hf.setPointSize(hf.pointSize() + 2);
    host->setFont(hf);
    host->setStyleSheet("color: #1f4e79;");
    return host;
}

QLabel* makeKeysPicture(QWidget* parent) {
    auto* keys = new QLabel(parent);
    keys->setObjectName("LLAVES");
    keys->setPixmap(shellIcon("LLAVES").pixmap(56, 56));
    keys->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    return keys;
}

}  // namespace remu
