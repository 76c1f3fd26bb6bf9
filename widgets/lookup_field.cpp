#include "widgets/lookup_field.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QStyle>

#include "core/session.h"
#include "data/query.h"
#include "data/sql.h"
#include "format/text.h"
#include "widgets/lookup_dialog.h"

namespace remu {

namespace {

QIcon lookupIcon() {
    QIcon own(":/slip/lupa.png");
    if (!own.availableSizes().isEmpty()) return own;
    return QIcon::fromTheme("edit-find", qApp->style()->standardIcon(QStyle::SP_FileDialogContentsView));
}

// Right-padded to `width` characters; a longer code is kept whole.
std::string widened(std::string text, int width) {
    if (width > 0 && static_cast<int>(charLength(text)) < width) text.append(width - charLength(text), ' ');
    return text;
}

}  // namespace

std::function<std::string(std::string_view)> LookupField::equalsCode(std::string prefix) {
    return [prefix = std::move(prefix)](std::string_view code) { return prefix + sqlText(code); };
}

LookupField::LookupField(Session& s, UiPort& ui, QWidget* parent) : TGET(parent), s_(s), ui_(ui) {
    setPicture("@!");
    listAction_ = addAction(lookupIcon(), QLineEdit::TrailingPosition);
    listAction_->setToolTip("Buscar");
    connect(listAction_, &QAction::triggered, this, [this] { openList(); });
    setKeyAction(Qt::Key_F12, [this] { openList(); });
    // Enter leaves the field as Tab does (and so checks it).
    auto enter = [this] {
        focusNextChild();
        if (hasFocus() && assign()) {  // nowhere else to go: check in place
            leftBy_ = Qt::TabFocusReason;
            leave();
            leftBy_ = Qt::OtherFocusReason;
        }
    };
    setKeyAction(Qt::Key_Return, enter);
    setKeyAction(Qt::Key_Enter, enter);
    TGET::setValid([this] { return leave(); });
}

void LookupField::setLookup(Lookup lookup) { lookup_ = std::move(lookup); }

void LookupField::bind(std::string& code, std::string& name) {
    code_ = &code;
    name_ = &name;
    TGET::bind(code);
    showName();
}

void LookupField::setNameLabel(QLabel* label) {
    nameLabel_ = label;
    showName();
}

void LookupField::showName() {
    if (nameLabel_ && name_) nameLabel_->setText(QString::fromStdString(*name_));
}

void LookupField::focusOutEvent(QFocusEvent* e) {
    leftBy_ = e->reason();
    TGET::focusOutEvent(e);
    leftBy_ = Qt::OtherFocusReason;
}

bool LookupField::leave() {
    if (!code_) return true;
    bool byKey = leftBy_ == Qt::TabFocusReason || leftBy_ == Qt::BacktabFocusReason;
    bool checking = false;
    switch (lookup_.when) {
    case Check::OnEnterOrTab: checking = byKey; break;
    case Check::OnEnterTabOrCode: checking = byKey || !isBlank(*code_); break;
    case Check::Always: checking = true; break;
    }
    if (!checking) {
        if (after_) after_(Outcome::Unchecked);
        return true;
    }
    bool found = check();
    if (after_) after_(found ? Outcome::Found : Outcome::NotFound);
    return found || !lookup_.focusBackWhenMissing;
}

bool LookupField::check() {
    if (!code_ || !name_ || !lookup_.checkSql) return true;
    Connection* conn = connection();
    if (!conn) return true;  // CONECTA has told the user
    std::unique_ptr<Recordset> rs;
    bool found = false;
    try {
        std::string what = isBlank(lookup_.label) ? std::string("  ") : lookup_.label;
        found = BUSCA_X(rs, lookup_.checkSql(trim(*code_)), *conn, what, ui_);
    } catch (const BadIdentifier& e) {
        // A session value that can name no database (the client identifier, say).
        ui_.stop(e.what(), "Error");
    }
    if (found) {
        *name_ = readName(*rs, false);
    } else {
        *name_ = lookup_.missingName;
        if (lookup_.missingCode) *code_ = *lookup_.missingCode;
    }
    showCode();
    showName();
    return found;
}

bool LookupField::openList() {
    if (!isEnabled() || !code_ || !name_) return false;
    bool chosen = false;
    if (Connection* conn = connection()) {
        try {
            std::unique_ptr<Recordset> rs;
            chosen = AYUDA_Y(rs, lookup_.listSql, "corta", lookup_.codeColumn, lookup_.nameColumn, *conn, ui_,
                             window());
            if (chosen) {
                *code_ = widened(rs->Fields(lookup_.codeColumn).text(), lookup_.codeWidth);
                *name_ = readName(*rs, true);
            }
        } catch (const BadIdentifier& e) {
            ui_.stop(e.what(), "Error");
        }
    }
    showCode();
    showName();
    setFocus(Qt::OtherFocusReason);
    if (chosen && after_) after_(Outcome::Picked);
    return chosen;
}

Connection* LookupField::connection() {
    if (!s_.OCON || !s_.OCON->isOpen()) {
        if (!CONECTA(s_, ui_, s_.OCON)) return nullptr;
    }
    return s_.OCON.get();
}

std::string LookupField::readName(const Recordset& rs, bool picked) const {
    if (lookup_.name) return lookup_.name(rs, picked);
    return rs.Fields(lookup_.nameColumn).text();
}

void LookupField::showCode() {
    // The field may hold the focus, where a refresh would not show the variable.
    if (hasFocus()) setText(QString::fromStdString(upper(*code_)));
    else refresh();
}

}  // namespace remu
