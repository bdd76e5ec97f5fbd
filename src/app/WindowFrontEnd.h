#pragma once

#include "core/FrontEnd.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

namespace orv {

struct ProgramState;

// The windowed program's face: messages, reports and questions in frmErrorMessage, control
// changes on the main window.
//
// During a build run the window is repainted and its events (the Cancel button) handled at most
// about 30 times a second, however often the run yields; what the run shows in between only
// changes the controls. The song's details and cover, which the run hides and shows again for
// every song, are hidden when the window is next brought up to date, unless the run shows them
// again first: the window is not laid out again for what it never shows.
class WindowFrontEnd : public FrontEnd {
public:
    explicit WindowFrontEnd(ProgramState& state);

    void showMessage(const DialogContent& content) override;
    Answer askQuestion(const DialogContent& content) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title) override;
    void endProgram() override;
    void yield() override;
    void setCaption(const QString& control, const QString& text) override;
    void setEnabled(const QString& control, bool enabled) override;
    void setVisible(const QString& control, bool visible) override;
    void setWindowTitle(const QString& text) override;
    void showPicture(const QString& control, const QImage& picture) override;
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
    QWidget* control(const QString& name);
    void placeOverOwner(QWidget* dialog) const;
    void showPendingProgress();
    void applyPendingHides();

    ProgramState& state_;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> splash_;
    // The main window's controls by name, as they were found.
    QHash<QString, QPointer<QWidget>> controls_;
    QElapsedTimer sinceEvents_;
    std::optional<BuildProgress> pendingProgress_;
    QList<QPointer<QWidget>> pendingHides_;
    // The messages and reports shown, with what they show, while they are open.
    struct ShownReport {
        QPointer<QWidget> dialog;
        DialogContent content;
    };
    std::vector<ShownReport> shownReports_;
};

}  // namespace orv
