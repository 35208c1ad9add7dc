#include "app/PlacementMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include <string>

namespace tessaline {

namespace {

const QString kSettingsKey = QStringLiteral("design/placement");

struct Choice {
    Placement placement;
    const char* text;
    const char* tip;
};

constexpr Choice kChoices[] = {
    {Placement::Automatic, "Automatic",
     "Designs of home-machine formats centred on the machine home; DST and EXP as in the file"},
    {Placement::Centred, "Centred", "Every design with the centre of its extents on the machine home"},
    {Placement::AsInFile, "As in the File", "Every design where its file's own coordinates put it"},
};

}  // namespace

PlacementMenu::PlacementMenu(QMenu* parent, QString settingsFile, QObject* owner)
    : QObject(owner),
      menu_(parent->addMenu(QStringLiteral("Design &Placement"))),
      settingsFile_(std::move(settingsFile)),
      group_(new QActionGroup(this)) {
    menu_->setObjectName(QStringLiteral("mnuDesignPlacement"));
    for (const Choice& choice : kChoices) {
        QAction* action = menu_->addAction(QString::fromLatin1(choice.text));
        action->setObjectName(QStringLiteral("mnuPlacement_") + QString::fromLatin1(placementWord(choice.placement).data()));
        action->setCheckable(true);
        action->setToolTip(QString::fromLatin1(choice.tip));
        group_->addAction(action);
        connect(action, &QAction::triggered, this, [this, placement = choice.placement] {
            const bool changed = placement != current_;
            choose(placement, true);
            if (changed) emit placementChanged();
        });
    }
    const QSettings settings(settingsFile_, QSettings::IniFormat);
    const std::string word = settings.value(kSettingsKey).toString().toStdString();
    choose(parsePlacement(word).value_or(Placement::Automatic), false);
}

void PlacementMenu::choose(Placement placement, bool remember) {
    current_ = placement;
    const auto actions = group_->actions();
    for (std::size_t i = 0; i < std::size(kChoices); ++i) {
        actions[static_cast<qsizetype>(i)]->setChecked(kChoices[i].placement == placement);
    }
    if (remember) {
        QSettings settings(settingsFile_, QSettings::IniFormat);
        settings.setValue(kSettingsKey, QString::fromLatin1(placementWord(placement).data(),
                                                            static_cast<qsizetype>(placementWord(placement).size())));
    }
}

}  // namespace tessaline
