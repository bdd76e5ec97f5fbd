#include "app/WindowFrontEnd.h"

#include "app/ControlNames.h"
#include "app/Look.h"
#include "app/frmErrorMessage.h"
#include "app/frmStartUp.h"
#include "core/Controls.h"
#include "core/ProgramState.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QWindow>

namespace orv {

WindowFrontEnd::WindowFrontEnd(ProgramState& state) : state_(state) {}

void WindowFrontEnd::showMessage(const DialogContent& content) {
    // A failure met again and again says so once: an identical report on screen is not repeated.
    std::erase_if(shownReports_, [](const ShownReport& shown) { return shown.dialog.isNull(); });
    for (const ShownReport& shown : shownReports_)
        if (shown.content == content && shown.dialog->isVisible()) return;

    auto* dialog = new frmErrorMessage(state_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->showContent(content);
    shownReports_.push_back({dialog, content});
    placeOverOwner(dialog);
    if (content.modal) {
        dialog->exec();
        return;
    }
    // Shown without waiting, but nothing else of the program can be used until it is closed: no
    // second message can be asked for from beneath it.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->repaint();
}

void WindowFrontEnd::setMainWindow(QWidget* window) {
    mainWindow_ = window;
    controls_.clear();
    // Reports shown before the main window existed stay above it once it shows.
    for (const ShownReport& shown : shownReports_)
        if (shown.dialog && shown.dialog->isVisible() && !shown.dialog->windowHandle()->transientParent())
            placeOverOwner(shown.dialog);
}

// A dialog stays above the window it belongs to: the modal window the user answers now, else the
// main window, also while that is still loading and not yet shown.
void WindowFrontEnd::placeOverOwner(QWidget* dialog) const {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner || owner == dialog) owner = mainWindow_;
    if (!owner) return;
    owner->winId();
    dialog->winId();
    dialog->windowHandle()->setTransientParent(owner->windowHandle());
}

Answer WindowFrontEnd::askQuestion(const DialogContent& content) {
    frmErrorMessage dialog(state_);
    dialog.showQuestion(content);
    placeOverOwner(&dialog);
    QObject::connect(&dialog, &frmErrorMessage::answeredNoDuringStartUp, [this] {
        if (!splash_) return;
        splash_->show();
        splash_->repaint();
    });
    dialog.exec();
    return dialog.answer();
}

std::optional<QString> WindowFrontEnd::inputText(const QString& prompt, const QString& title) {
    QInputDialog dialog(mainWindow_);
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

void WindowFrontEnd::endProgram() {
    QApplication::closeAllWindows();
    QCoreApplication::exit(EXIT_FAILURE);
}

QWidget* WindowFrontEnd::control(Control name) {
    if (!mainWindow_) return nullptr;
    const auto known = controls_.constFind(name);
    if (known != controls_.cend() && known.value()) return known.value();
    const QString& objectName = controlName(name);
    QWidget* found =
        mainWindow_->objectName() == objectName ? mainWindow_.data() : mainWindow_->findChild<QWidget*>(objectName);
    if (found) controls_.insert(name, found);
    return found;
}

void WindowFrontEnd::showBuildProgress(const BuildProgress& p) {
    const double seconds = static_cast<double>(p.elapsedMs) / 1000.0;
    const qint64 rate = seconds > 0 ? qRound64(static_cast<double>(p.filesSeen) / seconds) : 0;
    setCaption(Control::lblBuildCount, QStringLiteral("%1 files seen   %2 added   %3 updated   %4 files/s")
                                           .arg(p.filesSeen)
                                           .arg(p.added)
                                           .arg(p.updated)
                                           .arg(rate));
}

void WindowFrontEnd::setCaption(Control name, const QString& text) {
    QWidget* widget = control(name);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (label->text() != text) label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        setButtonCaption(button, text);
    }
}

void WindowFrontEnd::setEnabled(Control name, bool enabled) {
    if (QWidget* widget = control(name)) setControlEnabled(widget, enabled);
}

void WindowFrontEnd::setControlEnabled(QWidget* control, bool enabled) {
    // A control that loses the focus as it is locked would hand it to the next one that can take
    // it (the Website button, as a run locks the others), and Enter would then press that one: the
    // window itself keeps the focus instead.
    QWidget* focused = QApplication::focusWidget();
    if (!enabled && focused && (focused == control || control->isAncestorOf(focused)))
        control->window()->setFocus(Qt::OtherFocusReason);
    control->setEnabled(enabled);
}

void WindowFrontEnd::setVisible(Control name, bool visible) {
    if (QWidget* widget = control(name)) widget->setVisible(visible);
}

void WindowFrontEnd::setWindowTitle(const QString& text) {
    if (mainWindow_ && mainWindow_->windowTitle() != text) mainWindow_->setWindowTitle(text);
}

void WindowFrontEnd::showPicture(Control name, const Picture& picture) {
    auto* label = qobject_cast<QLabel*>(control(name));
    if (!label) return;
    // A label that stretches its picture gets one decoded at its own size: a large cover then costs
    // a fraction of its full decoding, and is not scaled again at every repaint.
    const QSize shownAt = label->hasScaledContents() ? label->size() : QSize();
    label->setPixmap(QPixmap::fromImage(picture.decode(shownAt)));
}

void WindowFrontEnd::showLogFile(const QString& path) {
    if (auto* window = qobject_cast<frmStartUp*>(mainWindow_.data())) window->showLogFile(path);
}

void WindowFrontEnd::startPlayer() {
    if (auto* window = qobject_cast<frmStartUp*>(mainWindow_.data())) window->cmdLaunch_Click();
}

}  // namespace orv
