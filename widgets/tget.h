#pragma once
// TGET: the edit field of the dialogs. It is bound to a variable through an
// accessor and driven by a picture mask ("@K!", "99,999,999", "@S40!" ...).

#include <QColor>
#include <QLineEdit>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "core/date.h"
#include "format/picture.h"

class QRegularExpressionValidator;

namespace remu {

class TGET : public QLineEdit {
    Q_OBJECT
public:
    enum class Kind { Text, Number, Date };
    using Var = std::variant<std::string, double, Date>;
    // Reads the variable when called with nullptr, assigns it otherwise.
    using Accessor = std::function<Var(const Var*)>;

    explicit TGET(QWidget* parent = nullptr);

    // Binding: the kind of field follows the variable's type.
    void bind(std::string& var);
    void bind(double& var);
    void bind(long long& var);
    void bind(int& var);
    void bind(Date& var);
    void setAccessor(Kind kind, Accessor accessor);
    Kind kind() const { return kind_; }

    void setPicture(const std::string& picture);
    const std::string& picture() const { return picture_; }

    // Runs when the field is left; false keeps the focus in it.
    void setValid(std::function<bool()> valid) { valid_ = std::move(valid); }
    // While false the field is disabled; evaluated now and on every refresh.
    void setWhen(std::function<bool()> when);
    // A masked field. Its padding blanks are never shown: six masked blanks would
    // look like a password already typed.
    void setPassword(bool on);
    bool isPassword() const { return echoMode() == QLineEdit::Password; }
    // After a refused validation the field is selected and the next key typed
    // replaces it, as on entry (the RUT of the login: it is full after zero filling).
    void setRetypeOnRefusal(bool on) { retypeOnRefusal_ = on; }
    // Selects the contents so that the next key typed starts the value anew.
    void selectForRetype();
    // Colours while the field has focus; the normal ones come back on leaving.
    void setFocusColours(QColor text, QColor background);
    // A key that runs an action instead of editing (F12 opens a code lookup).
    void setKeyAction(int key, std::function<void()> action);

    // Re-reads the variable into the field and re-evaluates the enabling condition.
    void refresh();
    // Takes the typed text back into the variable; false when it is not a valid value.
    bool assign();
    // The typed value as the variable's type (number fields: 0 for blank).
    Var typedValue(bool* ok = nullptr) const;

    QSize sizeHint() const override;

signals:
    // The field was left with a value the validation refused (focus stays).
    void refused();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void applyPicture();
    void showValue(bool editing);
    void upperCaseTyped(const QString& text);
    void keepFocus(int caret);

    Kind kind_ = Kind::Text;
    Accessor accessor_;
    std::string picture_;
    Picture parsed_;
    bool blankWhenZero_ = false;  // "@Z"
    int intDigits_ = 0;
    int decimals_ = 0;
    std::function<bool()> valid_;
    std::function<bool()> when_;
    std::optional<std::pair<QColor, QColor>> focusColours_;
    QPalette normalPalette_;
    std::map<int, std::function<void()>> keyActions_;
    QRegularExpressionValidator* numberValidator_ = nullptr;
    bool firstKey_ = false;
    bool leaving_ = false;
    bool editing_ = false;
    bool retypeOnRefusal_ = false;
};

// Enabling conditions of any control (buttons too), refreshed together.
void setEnablingCondition(QWidget* control, std::function<bool()> when);
// Re-evaluates the enabling conditions of `root` and its children and re-reads every TGET.
void refreshControls(QWidget* root);

// dd/mm/yyyy or dd/mm/yy (two-digit years fall in 1960-2059); blank gives a null date,
// anything else invalid gives nullopt.
std::optional<Date> parseDateText(const std::string& text);
std::string dateText(const Date& d);

}  // namespace remu
