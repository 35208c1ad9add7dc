#include "app/UserDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace tessaline {

QString DesktopDialogs::openFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                     const QString& selected) {
    QString chosen = selected;
    return QFileDialog::getOpenFileName(parent, title, QString(), filters.join(QStringLiteral(";;")), &chosen);
}

QString DesktopDialogs::saveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                     const QString& selected, QString* chosenFilter) {
    QString chosen = selected;
    // The window asks before replacing, once the extension it adds is known.
    QString name = QFileDialog::getSaveFileName(parent, title, QString(), filters.join(QStringLiteral(";;")), &chosen,
                                                QFileDialog::DontConfirmOverwrite);
    if (chosenFilter) *chosenFilter = chosen;
    return name;
}

void DesktopDialogs::message(QWidget* parent, Icon icon, const QString& title, const QString& text) {
    const QMessageBox::Icon boxIcon = icon == Icon::Information ? QMessageBox::Information
                                      : icon == Icon::Warning   ? QMessageBox::Warning
                                                                : QMessageBox::Critical;
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, parent);
    // Paths and reasons in a message can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool DesktopDialogs::confirm(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

std::optional<int> DesktopDialogs::askNumber(QWidget* parent, const QString& title, const QString& label, int value,
                                             int minimum, int maximum) {
    bool accepted = false;
    const int number = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &accepted);
    if (!accepted) return std::nullopt;
    return number;
}

bool DesktopDialogs::showFolder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace tessaline
