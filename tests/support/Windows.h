#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace orv::test {

// Runs `action` on the next modal window (a dialog's exec() or a message box) that is shown, of
// the given object name when one is given, once its own event loop runs.
inline void OnNextModal(std::function<void(QWidget*)> action, const QString& name = QString()) {
    struct Watch : QObject {
        std::function<void(QWidget*)> action;
        QString name;
        bool eventFilter(QObject* watched, QEvent* event) override {
            auto* window = qobject_cast<QWidget*>(watched);
            if (event->type() != QEvent::Show || !window || !window->isWindow() || !window->isModal() ||
                (!name.isEmpty() && window->objectName() != name))
                return false;
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, window, [window, action = action] { action(window); });
            deleteLater();
            return false;
        }
    };
    auto* watch = new Watch;
    watch->action = std::move(action);
    watch->name = name;
    QCoreApplication::instance()->installEventFilter(watch);
}

// Handles the program's events until `done` holds or 30 seconds have passed; whether it holds.
inline bool WaitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return done();
}

// The program's message dialogs open now; and one label's text of each.
inline QList<QWidget*> OpenMessageDialogs() {
    QList<QWidget*> open;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "frmErrorMessage" && window->isVisible()) open << window;
    return open;
}
inline QStringList OpenMessageTexts(const char* label) {
    QStringList texts;
    for (QWidget* dialog : OpenMessageDialogs()) texts << dialog->findChild<QLabel*>(QLatin1String(label))->text();
    return texts;
}

// Presses Enter in a window as a user does: the key goes to the control that has the focus.
inline void PressEnter(QWidget* window) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(window->focusWidget() ? window->focusWidget() : window, &enter);
}

// The top-level window of the given object name that is open now, or null.
inline QWidget* OpenWindow(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name && window->isVisible()) return window;
    return nullptr;
}

// Deletes every window that is still open, so that one test leaves none to the next. Windows with a
// parent (a list's popup) go with their parent.
inline void CloseAllWindows() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!window->parentWidget()) windows << window;
    for (const QPointer<QWidget>& window : windows) delete window.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace orv::test
