#include "widgets/tget.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <cstdlib>

#include "format/text.h"

namespace remu {

namespace {

// Holds a control's enabling condition as a child object, so it dies with the control.
class EnableCondition : public QObject {
public:
    static constexpr const char* kName = "remu_enabling_condition";
    EnableCondition(QWidget* control, std::function<bool()> when) : QObject(control), when_(std::move(when)) {
        setObjectName(kName);
    }
    void apply() const {
        if (auto* w = qobject_cast<QWidget*>(parent())) w->setEnabled(when_());
    }

private:
    std::function<bool()> when_;
};

// The field that is pulling the focus back after a refused validation; other fields
// must not validate while it does, or two refusing fields would fight over the focus.
QPointer<TGET> g_reclaiming;

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string removeCommas(std::string t) {
    std::erase(t, ',');
    return t;
}

}  // namespace

std::optional<Date> parseDateText(const std::string& text) {
    std::string t = trim(text);
    if (t.find_first_not_of(" /") == std::string::npos) return Date{};
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int k = 0;
    for (char c : t) {
        if (c == '/') {
            if (++k > 2) return std::nullopt;
        } else if (c >= '0' && c <= '9') {
            parts[k] = parts[k] * 10 + (c - '0');
            if (++digits[k] > 4) return std::nullopt;
        } else if (c != ' ') {
            return std::nullopt;
        }
    }
    if (k != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0) return std::nullopt;
    int year = parts[2];
    if (digits[2] <= 2) year += year >= 60 ? 1900 : 2000;
    Date d{year, parts[1], parts[0]};
    if (!d.isValid()) return std::nullopt;
    return d;
}

std::string dateText(const Date& d) {
    if (d.isNull()) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
    return buf;
}

void setEnablingCondition(QWidget* control, std::function<bool()> when) {
    // No meta-object of its own: found by name, not by qobject_cast.
    for (auto* old : control->findChildren<QObject*>(EnableCondition::kName, Qt::FindDirectChildrenOnly)) delete old;
    if (!when) return;
    auto* c = new EnableCondition(control, std::move(when));
    c->apply();
}

void refreshControls(QWidget* root) {
    for (auto* c : root->findChildren<QObject*>(EnableCondition::kName)) static_cast<EnableCondition*>(c)->apply();
    for (auto* g : root->findChildren<TGET*>()) g->refresh();
    if (auto* self = qobject_cast<TGET*>(root)) self->refresh();
}

TGET::TGET(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &TGET::upperCaseTyped);
}

void TGET::bind(std::string& var) {
    setAccessor(Kind::Text, [&var](const Var* v) -> Var {
        if (v) var = std::get<std::string>(*v);
        return var;
    });
}

void TGET::bind(double& var) {
    setAccessor(Kind::Number, [&var](const Var* v) -> Var {
        if (v) var = std::get<double>(*v);
        return var;
    });
}

void TGET::bind(long long& var) {
    setAccessor(Kind::Number, [&var](const Var* v) -> Var {
        if (v) var = std::llround(std::get<double>(*v));
        return static_cast<double>(var);
    });
}

void TGET::bind(int& var) {
    setAccessor(Kind::Number, [&var](const Var* v) -> Var {
        if (v) var = static_cast<int>(std::lround(std::get<double>(*v)));
        return static_cast<double>(var);
    });
}

void TGET::bind(Date& var) {
    setAccessor(Kind::Date, [&var](const Var* v) -> Var {
        if (v) var = std::get<Date>(*v);
        return var;
    });
}

void TGET::setAccessor(Kind kind, Accessor accessor) {
    kind_ = kind;
    accessor_ = std::move(accessor);
    applyPicture();
    showValue(hasFocus());
}

void TGET::setPicture(const std::string& picture) {
    picture_ = picture;
    applyPicture();
    showValue(hasFocus());
}

void TGET::applyPicture() {
    parsed_ = parsePicture(picture_);
    blankWhenZero_ = false;
    if (!picture_.empty() && picture_[0] == '@') {
        auto end = picture_.find(' ');
        blankWhenZero_ = picture_.substr(0, end).find('Z') != std::string::npos;
    }
    setValidator(nullptr);
    delete numberValidator_;
    numberValidator_ = nullptr;
    setInputMask({});
    setMaxLength(32767);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    switch (kind_) {
    case Kind::Number: {
        intDigits_ = 0;
        decimals_ = 0;
        bool afterPoint = false;
        for (char c : parsed_.tmpl) {
            if (c == '.') afterPoint = true;
            else if (c == '9' || c == '#') ++(afterPoint ? decimals_ : intDigits_);
        }
        if (parsed_.tmpl.empty()) {
            intDigits_ = 12;
            decimals_ = 2;
        }
        QString rx = QStringLiteral("-?\\d{0,%1}").arg(intDigits_);
        if (decimals_ > 0) rx += QStringLiteral("(\\.\\d{0,%1})?").arg(decimals_);
        numberValidator_ = new QRegularExpressionValidator(QRegularExpression(rx), this);
        setValidator(numberValidator_);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    case Kind::Date:
        setInputMask(QStringLiteral("99/99/9999"));
        break;
    case Kind::Text:
        if (!parsed_.tmpl.empty()) setMaxLength(static_cast<int>(charLength(parsed_.tmpl)));
        break;
    }
    updateGeometry();
}

void TGET::showValue(bool editing) {
    if (!accessor_) return;
    Var v = accessor_(nullptr);
    QString shown;
    switch (kind_) {
    case Kind::Text: {
        const auto& s = std::get<std::string>(v);
        bool up = parsed_.upper || parsed_.tmpl.find('!') != std::string::npos;
        shown = qs(up ? upper(s) : s);
        if (isPassword()) shown = qs(rtrim(shown.toStdString()));
        break;
    }
    case Kind::Number: {
        double x = std::get<double>(v);
        if (blankWhenZero_ && x == 0) break;
        if (parsed_.tmpl.empty()) shown = qs(fixedText(x, decimals_));
        else shown = qs(trim(TRANSFORM(x, editing ? removeCommas(parsed_.tmpl) : parsed_.tmpl)));
        break;
    }
    case Kind::Date:
        shown = qs(dateText(std::get<Date>(v)));
        break;
    }
    setText(shown);
    if (editing) setCursorPosition(kind_ == Kind::Number ? static_cast<int>(shown.size()) : 0);
}

TGET::Var TGET::typedValue(bool* ok) const {
    if (ok) *ok = true;
    std::string t = text().toStdString();
    switch (kind_) {
    case Kind::Number: {
        std::string s = trim(t);
        if (s.empty() || s == "-" || s == "." || s == "-.") return 0.0;
        char* end = nullptr;
        double x = std::strtod(s.c_str(), &end);
        if (ok && end && *end) *ok = false;
        return x;
    }
    case Kind::Date: {
        auto d = parseDateText(t);
        if (!d) {
            if (ok) *ok = false;
            return Date{};
        }
        return *d;
    }
    case Kind::Text:
        break;
    }
    bool up = parsed_.upper || parsed_.tmpl.find('!') != std::string::npos;
    return up ? upper(t) : t;
}

bool TGET::assign() {
    bool ok = true;
    Var v = typedValue(&ok);
    if (!ok || !accessor_) return ok;
    if (!(accessor_(nullptr) == v)) accessor_(&v);
    return true;
}

void TGET::refresh() {
    if (when_) setEnabled(when_());
    if (!hasFocus()) showValue(false);
}

void TGET::setWhen(std::function<bool()> when) {
    when_ = std::move(when);
    if (when_) setEnabled(when_());
    else setEnabled(true);
}

void TGET::setPassword(bool on) {
    setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
    showValue(hasFocus());
}

void TGET::selectForRetype() {
    firstKey_ = true;
    selectAll();
}

void TGET::setFocusColours(QColor text, QColor background) {
    focusColours_ = std::make_pair(text, background);
}

void TGET::setKeyAction(int key, std::function<void()> action) {
    if (action) keyActions_[key] = std::move(action);
    else keyActions_.erase(key);
}

QSize TGET::sizeHint() const {
    QSize s = QLineEdit::sizeHint();
    int chars = parsed_.scrollWidth > 0 ? parsed_.scrollWidth : static_cast<int>(charLength(parsed_.tmpl));
    if (chars > 0) {
        QMargins m = textMargins() + contentsMargins();
        s.setWidth(fontMetrics().horizontalAdvance(QLatin1Char('X')) * chars + m.left() + m.right() + 8);
    }
    return s;
}

void TGET::upperCaseTyped(const QString& typed) {
    if (kind_ != Kind::Text) return;
    if (!parsed_.upper && parsed_.tmpl.find('!') == std::string::npos) return;
    QString up = qs(upper(typed.toStdString()));
    if (up == typed) return;
    int caret = cursorPosition();
    setText(up);
    setCursorPosition(caret);
}

void TGET::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    if (g_reclaiming && g_reclaiming != this) return;
    if (leaving_) {  // focus brought back after a refusal: keep the typed text
        leaving_ = false;
        return;
    }
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) {
        if (editing_) return;
    }
    editing_ = true;
    firstKey_ = true;
    if (focusColours_) {
        normalPalette_ = palette();
        QPalette p = palette();
        p.setColor(QPalette::Text, focusColours_->first);
        p.setColor(QPalette::Base, focusColours_->second);
        setPalette(p);
    }
    showValue(true);
}

void TGET::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    if (!editing_) return;
    if (g_reclaiming && g_reclaiming != this) {
        // Another field is taking the focus back: just store what was typed.
        assign();
        return;
    }
    if (!assign()) {
        QApplication::beep();
        keepFocus(0);
        return;
    }
    if (valid_ && !valid_()) {
        keepFocus(cursorPosition());
        return;
    }
    editing_ = false;
    if (focusColours_) setPalette(normalPalette_);
    showValue(false);
}

void TGET::keepFocus(int caret) {
    leaving_ = true;
    g_reclaiming = this;
    emit refused();
    QPointer<TGET> self(this);
    QTimer::singleShot(0, this, [self, caret] {
        if (!self) return;
        self->setFocus(Qt::OtherFocusReason);
        if (self->retypeOnRefusal_) self->selectForRetype();
        else self->setCursorPosition(caret);
        g_reclaiming = nullptr;
    });
}

void TGET::keyPressEvent(QKeyEvent* e) {
    auto action = keyActions_.find(e->key());
    if (action != keyActions_.end()) {
        action->second();
        e->accept();
        return;
    }
    switch (e->key()) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_Meta:
    case Qt::Key_CapsLock: case Qt::Key_AltGr:
        QLineEdit::keyPressEvent(e);
        return;
    default:
        break;
    }
    bool first = firstKey_;
    firstKey_ = false;
    if (isReadOnly()) {
        if (e->key() == Qt::Key_Escape) {
            e->ignore();
            return;
        }
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (first && parsed_.clearOnKey && !e->text().isEmpty() && e->text().at(0).isPrint() &&
        !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        clear();
    QLineEdit::keyPressEvent(e);
}

}  // namespace remu
