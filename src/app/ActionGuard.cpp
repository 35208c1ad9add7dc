#include "app/ActionGuard.h"

#include "app/AppInfo.h"

#include <QtGlobal>

#include <exception>

namespace tessaline {

void runAction(UserDialogs& dialogs, QWidget* parent, const QString& name, const std::function<void()>& action) noexcept {
    QString reason;
    try {
        action();
        return;
    } catch (const std::exception& error) {
        reason = QString::fromLocal8Bit(error.what());
    } catch (...) {
        reason = QStringLiteral("an unexpected error");
    }
    // An exception leaving a slot would end the program through the event loop.
    try {
        dialogs.message(parent, UserDialogs::Icon::Critical, kAppTitle,
                        QStringLiteral("%1 could not be finished:\n%2").arg(name, reason));
    } catch (...) {
        qWarning("%s could not be finished: %s", qPrintable(name), qPrintable(reason));
    }
}

}  // namespace tessaline
