#pragma once

#include "core/FrontEnd.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>
#include <atomic>
#include <optional>

namespace orv {

// The command line's face: messages and reports go to standard error; questions are
// answered Yes with --yes, asked on the terminal when there is one, and answered No otherwise.
// A text prompt is read from the terminal; without one it counts as cancelled.
//
// During a build run a terminal on standard error shows one progress line, redrawn at most ten
// times a second, and Ctrl-C (see watchForInterrupt) is the Cancel button.
class ConsoleFrontEnd : public FrontEnd {
public:
    explicit ConsoleFrontEnd(bool answerYes);

    void showMessage(const DialogContent& content) override;
    Answer askQuestion(const DialogContent& content) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title) override;
    void endProgram() override;
    void yield() override;
    void startPlayer() override { playerRequested_ = true; }
    void showBuildProgress(const BuildProgress& progress) override;
    void noteFile(const QString& path, const QString& note) override;
    void setCaption(Control control, const QString& text) override;

    // From now on the captions the core gives the control are printed to `out`, one a line.
    void printCaptions(Control control, QTextStream& out) {
        printedControl_ = control;
        captionsOut_ = &out;
    }

    // The titles of the messages shown since the start, in order.
    const QStringList& shownTitles() const { return shownTitles_; }

    // From now on Ctrl-C sets the flag (the program's CloseRequested); a second Ctrl-C ends the
    // program at once.
    void watchForInterrupt(std::atomic<bool>* closeRequested);
    bool interrupted() const;
    // The run asked for the player to be started.
    bool playerRequested() const { return playerRequested_; }
    // Ends the progress line, if one is shown.
    void endProgressLine();

private:
    bool answerYes_;
    QStringList shownTitles_;
    QTextStream err_;
    std::atomic<bool>* closeRequested_ = nullptr;
    bool playerRequested_ = false;
    bool progressTerminal_ = false;
    bool progressShown_ = false;
    QElapsedTimer sinceProgress_;
    std::optional<Control> printedControl_;
    QTextStream* captionsOut_ = nullptr;
};

}  // namespace orv
