#include "app/MachineMenu.h"

#include "app/ActionGuard.h"
#include "app/AppInfo.h"
#include "app/UserDialogs.h"
#include "gcode/BuiltinProfiles.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>

namespace tessaline {

namespace {

const QString kSettingsKey = QStringLiteral("machine/profile");
constexpr const char* kBoxes[] = {"G90", "G21", "G64", "M786", "M02", "M30"};

QString toQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

QString machineSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tessaline/Tessaline.ini");
}

MachineMenu::MachineMenu(QMenuBar* bar, QAction* before, QWidget* form, UserDialogs& dialogs,
                         std::filesystem::path profileFolder, QString settingsFile, QObject* parent)
    : QObject(parent),
      menu_(new QMenu(QStringLiteral("&Machine"), bar)),
      form_(form),
      dialogs_(dialogs),
      folder_(std::move(profileFolder)),
      settingsFile_(std::move(settingsFile)),
      catalog_(folder_) {
    menu_->setObjectName(QStringLiteral("mnuMachine"));
    // Each profile's summary shows as its tooltip.
    menu_->setToolTipsVisible(true);
    bar->insertMenu(before, menu_);
    fillMenu();
    const QSettings settings(settingsFile_, QSettings::IniFormat);
    choose(settings.value(kSettingsKey, QString::fromLatin1(kClassicProfileName)).toString(), false);
    // Reported after the window is up, never in the way of starting.
    if (!catalog_.problems().empty()) {
        QMetaObject::invokeMethod(
            this, [this] { reportProblems(); }, Qt::QueuedConnection);
    }
}

MachineMenu::~MachineMenu() = default;

void MachineMenu::fillMenu() {
    menu_->clear();
    delete group_;
    group_ = new QActionGroup(this);
    group_->setExclusive(true);
    for (const auto& profile : catalog_.profiles()) {
        const QString name = QString::fromStdString(profile->name);
        QAction* action = menu_->addAction(name);
        action->setCheckable(true);
        action->setToolTip(QString::fromStdString(profile->summary));
        action->setData(name);
        group_->addAction(action);
        connect(action, &QAction::triggered, this, guarded(name, [this, name] { choose(name, true); }));
    }
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Open Profiles Folder"), this,
                     guarded(QStringLiteral("Open Profiles Folder"), [this] { openFolder(); }))
        ->setObjectName(QStringLiteral("mnuOpenProfilesFolder"));
    menu_->addAction(QStringLiteral("Reload Profiles"), this, guarded(QStringLiteral("Reload Profiles"), [this] { reload(); }))
        ->setObjectName(QStringLiteral("mnuReloadProfiles"));
    if (!runActions_.isEmpty()) {
        menu_->addSeparator();
        menu_->addActions(runActions_);
    }
}

QStringList MachineMenu::streamingProfiles() const {
    QStringList names;
    for (const auto& profile : catalog_.profiles()) {
        if (profile->protocol != LinkProtocol::None) names << QString::fromStdString(profile->name);
    }
    return names;
}

void MachineMenu::setRunActions(QList<QAction*> actions) {
    runActions_ = std::move(actions);
    const QString chosen = QString::fromStdString(current_->name);
    fillMenu();
    choose(chosen, false);
}

void MachineMenu::choose(const QString& name, bool remember) {
    auto profile = catalog_.find(name.toStdString());
    if (!profile) profile = catalog_.find(kClassicProfileName);
    current_ = profile;
    const QString chosen = QString::fromStdString(profile->name);
    for (QAction* action : group_->actions()) action->setChecked(action->data().toString() == chosen);
    if (remember) {
        QSettings settings(settingsFile_, QSettings::IniFormat);
        settings.setValue(kSettingsKey, chosen);
    }
    applyToBoxes();
    emit profileChanged();
}

void MachineMenu::applyToBoxes() {
    for (const char* box : kBoxes) {
        auto* check = form_->findChild<QCheckBox*>(QString::fromLatin1(box));
        if (check == nullptr) continue;
        const std::string problem = boxProblem(*current_, box);
        check->setEnabled(problem.empty());
        check->setToolTip(QString::fromStdString(problem));
    }
}

void MachineMenu::reload() {
    const QString chosen = QString::fromStdString(current_->name);
    catalog_ = ProfileCatalog(folder_);
    fillMenu();
    choose(chosen, false);
    reportProblems();
}

void MachineMenu::reportProblems() {
    if (!catalog_.problems().empty()) {
        QString text = QStringLiteral("These profile files were skipped:");
        for (const auto& problem : catalog_.problems()) text += QStringLiteral("\n") + QString::fromStdString(problem);
        dialogs_.message(menu_->parentWidget(), UserDialogs::Icon::Warning, kAppTitle, text);
    }
}

void MachineMenu::openFolder() {
    const QString folder = toQString(folder_);
    QDir().mkpath(folder);
    // Said whether or not a file manager opens it: without one, asking the desktop shows nothing.
    const bool shown = dialogs_.showFolder(folder);
    dialogs_.message(menu_->parentWidget(), UserDialogs::Icon::Information, kAppTitle,
                     QStringLiteral("Your machine profiles folder is\n%1\n\nEach *.toml file there is one profile; "
                                    "Reload Profiles reads them again.%2")
                         .arg(folder, shown ? QString() : QStringLiteral("\nNo file manager could be asked to open it.")));
}

std::function<void()> MachineMenu::guarded(const QString& action, std::function<void()> handler) {
    return guardedAction(dialogs_, menu_->parentWidget(), action, std::move(handler));
}

}  // namespace tessaline
