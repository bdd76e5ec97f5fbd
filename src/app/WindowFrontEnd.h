#pragma once

#include "core/FrontEnd.h"

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

namespace orv {

struct ProgramState;

// The windowed program's face on the window's thread: messages, reports and questions in
// frmErrorMessage, control changes on the main window. A run on the worker thread reaches it
// through a WorkerFrontEnd.
class WindowFrontEnd : public FrontEnd {
public:
    explicit WindowFrontEnd(ProgramState& state);

    void showMessage(const DialogContent& content) override;
    Answer askQuestion(const DialogContent& content) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title) override;
    void endProgram() override;
    void setCaption(Control control, const QString& text) override;
    void setEnabled(Control control, bool enabled) override;
    void setVisible(Control control, bool visible) override;
    void setWindowTitle(const QString& text) override;
    void showPicture(Control control, const Picture& picture) override;
    bool showsPictures() const override { return true; }
    void showLogFile(const QString& path) override;
    void startPlayer() override;
    void showBuildProgress(const BuildProgress& progress) override;

    // Locks or unlocks one control of a window; a locked control that had the focus leaves it to
    // the window, never to another control.
    static void setControlEnabled(QWidget* control, bool enabled);

    // The window whose controls the core names; the splash brought back after a No at start-up.
    void setMainWindow(QWidget* window);
    void setSplash(QWidget* splash) { splash_ = splash; }

private:
    QWidget* control(Control control);
    void placeOverOwner(QWidget* dialog) const;

    ProgramState& state_;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> splash_;
    // The main window's controls, as they were found.
    QHash<Control, QPointer<QWidget>> controls_;
    // The messages and reports shown, with what they show, while they are open.
    struct ShownReport {
        QPointer<QWidget> dialog;
        DialogContent content;
    };
    std::vector<ShownReport> shownReports_;
};

}  // namespace orv
