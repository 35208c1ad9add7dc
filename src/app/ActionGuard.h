#pragma once
// The one place where an unexpected failure of a window action ends: whatever a slot throws
// becomes a message naming the action, and the program goes on.

#include "app/UserDialogs.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>

namespace tessaline {

// Runs action; anything it throws is told to the user through dialogs as a failure of `name`.
void runAction(UserDialogs& dialogs, QWidget* parent, const QString& name, const std::function<void()>& action) noexcept;

// A slot for connect() and timers that runs f through runAction under the name of its action.
template <class F>
auto guardedAction(UserDialogs& dialogs, QWidget* parent, QString name, F f) {
    return [&dialogs, parent = QPointer<QWidget>(parent), name = std::move(name), f = std::move(f)] {
        runAction(dialogs, parent, name, f);
    };
}

}  // namespace tessaline
