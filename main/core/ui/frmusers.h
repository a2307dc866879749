#pragma once
// The users window: users, their passwords, privilege levels, departments and flags.
#include "main/core/users.h"
#include <QDialog>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace ostrel {

class frmUsers : public QDialog {
    Q_OBJECT
public:
    explicit frmUsers(QWidget* parent = nullptr);
    ~frmUsers() override;

    QListWidget* lstUsers = nullptr;
    QGroupBox* famUsers = nullptr;
    QRadioButton* optPrivate[4] = {};
    QListWidget* lstDepart = nullptr;
    QListWidget* lstOperate = nullptr;
    QLabel* lblInfo[3] = {};
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDel = nullptr;
    QPushButton* cmdPWD = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* Command2 = nullptr;

private:
    void Form_Load();
    void lstUsers_Click();
    void optPrivate_Click(int index);
    void cmdAdd_Click();
    void cmdDel_Click();
    void cmdPWD_Click();
    void cmdSave_Click();
    void Command2_Click();

    // The [ID] of the chosen user (0 for none).
    qint32 selectedId() const;
    // The level and rights the window holds now.
    users::Rights shownRights() const;
    // Sets the level and ticks to r.
    void showRights(const users::Rights& r);
    // Runs a command on the user of `entry`; one that finds the user gone drops the entry.
    void onUser(QListWidgetItem* entry, const std::function<void()>& command);

    QButtonGroup* m_levels = nullptr;
    // What the window showed of the chosen user, and the user's rights as stored then.
    users::ShownRights m_shown;
    qint32 m_shownId = 0;   // the [ID] of the user shown (0 for none)
    QStringList m_unlisted;   // codes of departments the shown user holds that have no entry
};

// Shows the users window modally, owned by parent, and unloads it afterwards.
void ShowUsersWindow(QWidget* parent = nullptr);

} // namespace ostrel
