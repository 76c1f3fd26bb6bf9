#pragma once
// The first four pages of the worker file (ODLG_PERSON_EDITAH1 .. H4): personal data,
// employment data, pension and health insurance. Each page binds its controls to the
// editing buffer the dialog owns; the rules and checks they run are in worker_file.h.
// The helpers all pages use are in editor_pages.cpp; each page has its own file
// (personal_page.cpp, employment_page.cpp, pension_page.cpp, health_page.cpp).

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "personnel/worker_file.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;

namespace remu {

class ApvGroup;
class Connection;
class LookupField;
class TGET;
class UiPort;
struct Session;

// What the pages share: the buffer, the session and what they ask of the dialog.
struct WorkerFileContext {
    WorkerBuffer& b;
    Session& s;
    UiPort& ui;
    Connection& conn;
    bool isNew = false;
    std::function<void()> refreshAll;  // every page shows the buffer again
    std::function<void()> codeChanged;  // CCODIGO_PER was changed (the vacations follow it)
};

class WorkerFilePage : public QWidget {
    Q_OBJECT
public:
    WorkerFilePage(int number, WorkerFileContext& c, QWidget* parent);
    int number() const { return number_; }
    // Shows the buffer again and re-evaluates the enabling of every control.
    virtual void refresh();
    // The control with this id on this page (ids repeat between pages).
    QWidget* control(int id) const;

protected:
    // The standard input controls, enabled as controlEnabled() says for (page, id).
    TGET* field(int id, std::string& var, const char* picture, size_t width = 0);
    TGET* field(int id, double& var, const char* picture);
    TGET* field(int id, int& var, const char* picture);
    TGET* field(int id, Date& var);
    QButtonGroup* radios(const std::vector<std::pair<int, const char*>>& items, int& var, QWidget* owner,
                         std::function<void(int)> changed = {});
    QCheckBox* check(int id, const char* text, bool& var, QWidget* owner);
    QLabel* label(int id, std::function<std::string()> text, QWidget* owner);
    QLabel* header(int id, std::function<std::string()> text);
    // The header of pages 2 to 4: the worker's code and name.
    QLabel* workerHeader(int id);
    // A code field with its lookup button (F12 too) and its name label.
    LookupField* codeField(int id, int nameId, CodeKind kind, std::string& code, std::string& name, size_t width,
                           QWidget* owner);
    void enable(QWidget* w, int id);

    WorkerFileContext& c_;
    std::vector<std::function<void()>> showers_;  // what refresh() runs besides the TGETs

private:
    template <class T>
    TGET* bound(int id, T& var, const char* picture);
    int number_;
};

// Page 1 "Datos Personales".
class PersonalPage : public WorkerFilePage {
    Q_OBJECT
public:
    PersonalPage(WorkerFileContext& c, QWidget* parent);
    void refresh() override;
    // Button 121; `choose` gives the path chosen, empty when cancelled.
    void changePhoto();
    void setPhotoChooser(std::function<std::string()> choose) { choosePhoto_ = std::move(choose); }
    // Button 234: the contract and settlement documents.
    void documents();

private:
    QLabel* photo_;
    std::function<std::string()> choosePhoto_;
};

// Page 2 "Datos Laborales".
class EmploymentPage : public WorkerFilePage {
    Q_OBJECT
public:
    EmploymentPage(WorkerFileContext& c, QWidget* parent);

private:
    QComboBox* unit_;
    QComboBox* day_;
    QComboBox* bracket_;
};

// Page 3 "AFP"; the APV group sits at its foot.
class PensionPage : public WorkerFilePage {
    Q_OBJECT
public:
    PensionPage(WorkerFileContext& c, QWidget* parent);
    // The worker's APV plans of the month (check 2 of the save).
    int apvPlans() const;
    // The plans again, after the worker's code changed.
    void reloadPlans();
    ApvGroup* apv() const { return apv_; }

private:
    ApvGroup* apv_;
};

// Page 4 "ISAPRE".
class HealthPage : public WorkerFilePage {
    Q_OBJECT
public:
    HealthPage(WorkerFileContext& c, QWidget* parent);
};

}  // namespace remu
