#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace orv::test {

// Runs `action` on the next modal window that opens (a dialog's exec() or a message box).
inline void OnNextModal(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer;
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        }
    });
    poll->start();
}

// The top-level window of the given object name that is open now, or null.
inline QWidget* OpenWindow(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name && window->isVisible()) return window;
    return nullptr;
}

}  // namespace orv::test
