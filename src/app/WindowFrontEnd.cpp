#include "app/WindowFrontEnd.h"

#include "app/Look.h"
#include "app/frmErrorMessage.h"
#include "app/frmStartUp.h"
#include "core/ProgramState.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>

namespace orv {

WindowFrontEnd::WindowFrontEnd(ProgramState& state) : state_(state) {}

void WindowFrontEnd::showMessage(const DialogContent& content) {
    auto* dialog = new frmErrorMessage(state_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->showContent(content);
    if (content.modal) {
        dialog->exec();
        return;
    }
    dialog->show();
    dialog->repaint();
}

Answer WindowFrontEnd::askQuestion(const DialogContent& content) {
    frmErrorMessage dialog(state_);
    dialog.showQuestion(content);
    QObject::connect(&dialog, &frmErrorMessage::answeredNoDuringStartUp, [this] {
        if (!splash_) return;
        splash_->show();
        splash_->repaint();
    });
    dialog.exec();
    return state_.MessageAnswer == static_cast<int>(Answer::Yes) ? Answer::Yes : Answer::No;
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

void WindowFrontEnd::yield() {
    QCoreApplication::processEvents();
}

QWidget* WindowFrontEnd::control(const QString& name) const {
    if (!mainWindow_) return nullptr;
    return mainWindow_->objectName() == name ? mainWindow_.data() : mainWindow_->findChild<QWidget*>(name);
}

void WindowFrontEnd::setCaption(const QString& name, const QString& text) {
    QWidget* widget = control(name);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
        label->repaint();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        setButtonCaption(button, text);
    }
}

void WindowFrontEnd::setEnabled(const QString& name, bool enabled) {
    if (QWidget* widget = control(name)) widget->setEnabled(enabled);
}

void WindowFrontEnd::setVisible(const QString& name, bool visible) {
    if (QWidget* widget = control(name)) widget->setVisible(visible);
}

void WindowFrontEnd::setWindowTitle(const QString& text) {
    if (mainWindow_) mainWindow_->setWindowTitle(text);
}

void WindowFrontEnd::showPicture(const QString& name, const QImage& picture) {
    if (auto* label = qobject_cast<QLabel*>(control(name))) label->setPixmap(QPixmap::fromImage(picture));
}

void WindowFrontEnd::showLogFile(const QString& path) {
    if (auto* window = qobject_cast<frmStartUp*>(mainWindow_.data())) window->showLogFile(path);
}

void WindowFrontEnd::startPlayer() {
    if (auto* window = qobject_cast<frmStartUp*>(mainWindow_.data())) window->cmdLaunch_Click();
}

}  // namespace orv
