#pragma once
// The "Machine" menu: the machine profiles as a radio group, "Open Profiles Folder" and
// "Reload Profiles". The choice is remembered between runs; header and footer boxes the chosen
// profile cannot take are disabled with a tooltip saying why.

#include "gcode/MachineProfile.h"
#include "gcode/ProfileCatalog.h"

#include <QObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QWidget;

namespace tessaline {

class UserDialogs;

// Where the window keeps its choice of profile: Tessaline/Tessaline.ini in the per-user config
// folder, beside the profiles folder.
QString machineSettingsFile();

class MachineMenu : public QObject {
    Q_OBJECT

public:
    // Inserts the menu into bar before the action before (the one after File). form holds the
    // check boxes G90, G21, G64, M786, M02 and M30. The choice is kept in settingsFile (INI).
    MachineMenu(QMenuBar* bar, QAction* before, QWidget* form, UserDialogs& dialogs,
                std::filesystem::path profileFolder, QString settingsFile, QObject* parent = nullptr);
    ~MachineMenu() override;

    // The chosen profile; Classic until another is chosen.
    std::shared_ptr<const MachineProfile> current() const { return current_; }
    QMenu* menu() const { return menu_; }

    // Names of the profiles that can stream a program to a controller (they name a protocol).
    QStringList streamingProfiles() const;
    // Actions shown below the profile commands, kept there when the menu is filled again.
    void setRunActions(QList<QAction*> actions);

    // Reads the profiles folder again; files that cannot be used are reported and skipped.
    void reload();
    // Asks the desktop to show the profiles folder (made if missing) and says where it is.
    void openFolder();

signals:
    void profileChanged();

private:
    void fillMenu();
    void choose(const QString& name, bool remember);
    void applyToBoxes();
    void reportProblems();
    // handler as a slot: anything it throws becomes a message naming action.
    std::function<void()> guarded(const QString& action, std::function<void()> handler);

    QMenu* menu_;
    QWidget* form_;
    UserDialogs& dialogs_;
    std::filesystem::path folder_;
    QString settingsFile_;
    ProfileCatalog catalog_;
    std::shared_ptr<const MachineProfile> current_;
    QActionGroup* group_ = nullptr;
    QList<QAction*> runActions_;
};

}  // namespace tessaline
