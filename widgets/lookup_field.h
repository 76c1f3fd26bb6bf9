#pragma once
// The code field of the worker file and its savings plans (bank, cost centre, worker
// type, AFP, IPS, ISAPRE, APV institution): a TGET holding a code, with a small lookup
// button inside it and the key F12 opening the pick-list (AYUDA_Y) over a statement.
// When it is left (with Enter or Tab, or as the field asks) the code is looked up and
// its name shown in a label; a code that is not there blanks the name and sends the
// focus back. Leaving always keeps what was typed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "widgets/tget.h"

class QAction;
class QLabel;

namespace remu {

class Connection;
class Recordset;
class UiPort;
struct Session;

class LookupField : public TGET {
    Q_OBJECT
public:
    // When leaving the field looks the code up.
    enum class Check {
        OnEnterOrTab,         // left with Enter or Tab (the mouse leaves without a check)
        OnEnterTabOrCode,     // as above, or whenever the field holds a code (bank, cost centre)
        Always,               // on every leave (worker type)
    };
    // What happened: after a leave (unchecked, found, not found) or a pick from the list.
    enum class Outcome { Unchecked, Found, NotFound, Picked };

    struct Lookup {
        std::string listSql;                  // the pick-list's statement
        std::string codeColumn, nameColumn;   // shown by the list; read after a pick or a check
        // The check's statement for the trimmed code (see equalsCode()).
        std::function<std::string(std::string_view code)> checkSql;
        std::string label;                    // "No existe <label>"; blank checks without a message
        Check when = Check::OnEnterOrTab;
        std::string missingName = " ";        // the name when the code is not there (30 blanks for APV)
        std::optional<std::string> missingCode;  // the code then, when it changes (bank: blanks; type: "0")
        bool focusBackWhenMissing = true;
        int codeWidth = 0;                    // a picked code is right-padded to it (0: as read)
        // The name of the row found (picked: from the list); default: nameColumn as stored.
        std::function<std::string(const Recordset& row, bool picked)> name;
    };

    // The statement "<prefix>'<code>'" with the code escaped: prefix "SELECT * FROM t WHERE c = ".
    static std::function<std::string(std::string_view)> equalsCode(std::string prefix);

    // Uses the session's connection (OCON), opened with CONECTA when there is none.
    LookupField(Session& s, UiPort& ui, QWidget* parent = nullptr);

    void setLookup(Lookup lookup);
    const Lookup& lookup() const { return lookup_; }
    // The code variable (the field's value) and its name.
    void bind(std::string& code, std::string& name);
    // The label that shows the name (may be null); shown now and after every check or pick.
    void setNameLabel(QLabel* label);
    QLabel* nameLabel() const { return nameLabel_; }
    // Shows the name variable in the label again (after someone else changed it).
    void showName();
    // Runs after every leave and every pick (VALIDA_REGIMEN_PREV, a page refresh).
    void setAfter(std::function<void(Outcome)> after) { after_ = std::move(after); }

    // The list (the small button and F12): a chosen row's code and name go into the
    // variables; the focus comes back to the field. True when a row was chosen.
    bool openList();
    // The check of a leave: looks the typed code up; true when it is there.
    bool check();
    // The small button inside the field.
    QAction* listAction() const { return listAction_; }

    // The field decides on leaving what to check; a validation of one's own would undo that.
    void setValid(std::function<bool()>) = delete;

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    bool leave();
    Connection* connection();
    std::string readName(const Recordset& rs, bool picked) const;
    void showCode();

    Session& s_;
    UiPort& ui_;
    Lookup lookup_;
    std::string* code_ = nullptr;
    std::string* name_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QAction* listAction_ = nullptr;
    std::function<void(Outcome)> after_;
    Qt::FocusReason leftBy_ = Qt::OtherFocusReason;
};

}  // namespace remu
