#pragma once
// The "APV" group of the worker file's AFP page: the grid of the worker's savings
// plans of the month (155) and the buttons to add (108), change (109) and delete (110)
// one. The buttons are for the administration; in a worker's session the grid still
// opens an existing plan (double-click, Enter), which he may change and store.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/period.h"

class QDialog;
class QToolButton;

namespace remu {

class ApvPlans;
class TWBROWSE;
class UiPort;
struct Session;

class ApvGroup : public QWidget {
    Q_OBJECT
public:
    // `s` and `ui` outlive the group. The buttons follow the session until setEditable().
    ApvGroup(Session& s, UiPort& ui, QWidget* parent = nullptr);
    ~ApvGroup() override;

    // The worker's plans of the period (the code as the worker file holds it), on the
    // first one. False (after telling the user) when the server refused.
    bool load(const Period& period, const std::string& workerCode);
    // True for an administrator: the three buttons work. False: only the grid opens plans.
    void setEditable(bool administrator);
    // The worker's name written with each stored plan (the file's CNOMBRE as it is then);
    // without one, a plan keeps its name or takes the worker's from his row.
    void setWorkerName(std::function<std::string()> name) { workerName_ = std::move(name); }

    // The actions of the buttons and of the grid.
    void newPlan() { EDITA_APV_PERSON(true); }
    void changePlan() { EDITA_APV_PERSON(false); }
    void deletePlan();

    // How the plan dialog runs (modally unless a test drives it).
    using DialogRunner = std::function<void(QDialog&)>;
    void setDialogRunner(DialogRunner run) { runDialog_ = std::move(run); }

    ApvPlans& plans() { return *plans_; }
    TWBROWSE* grid() const { return grid_; }
    // Buttons and grid shown again from the row set.
    void refresh();

signals:
    // A plan was stored or deleted on the server.
    void plansChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void EDITA_APV_PERSON(bool isNew);

    Session& s_;
    UiPort& ui_;
    std::unique_ptr<ApvPlans> plans_;
    std::function<std::string()> workerName_;
    DialogRunner runDialog_;
    bool editable_;
    TWBROWSE* grid_;
};

}  // namespace remu
