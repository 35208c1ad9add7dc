#pragma once
// "Design Placement": where a loaded design lies on the table, as a radio group (Automatic,
// Centred, As in the File). The choice is remembered between runs beside the machine profile's.

#include "design/Placement.h"

#include <QObject>
#include <QString>

class QActionGroup;
class QMenu;

namespace tessaline {

class PlacementMenu : public QObject {
    Q_OBJECT

public:
    // Adds the submenu to parent; the choice is kept in settingsFile (INI), Automatic until chosen.
    PlacementMenu(QMenu* parent, QString settingsFile, QObject* owner = nullptr);

    Placement current() const { return current_; }
    QMenu* menu() const { return menu_; }

signals:
    // The user chose another placement.
    void placementChanged();

private:
    void choose(Placement placement, bool remember);

    QMenu* menu_;
    QString settingsFile_;
    QActionGroup* group_;
    Placement current_ = Placement::Automatic;
};

}  // namespace tessaline
