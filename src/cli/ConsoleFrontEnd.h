#pragma once

#include "core/FrontEnd.h"

#include <QStringList>
#include <QTextStream>

namespace orv {

// The command line's face: messages and reports go to standard error; questions are
// answered Yes with --yes, asked on the terminal when there is one, and answered No otherwise.
// A text prompt is read from the terminal; without one it counts as cancelled.
class ConsoleFrontEnd : public FrontEnd {
public:
    explicit ConsoleFrontEnd(bool answerYes);

    void showMessage(const DialogContent& content) override;
    Answer askQuestion(const DialogContent& content) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title) override;
    void endProgram() override;
    void setCaption(const QString& control, const QString& text) override;

    // From now on the captions the core gives the control are printed to `out`, one a line.
    void printCaptions(const QString& control, QTextStream& out) {
        printedControl_ = control;
        captionsOut_ = &out;
    }

    // The titles of the messages shown since the start, in order.
    const QStringList& shownTitles() const { return shownTitles_; }

private:
    bool answerYes_;
    QStringList shownTitles_;
    QTextStream err_;
    QString printedControl_;
    QTextStream* captionsOut_ = nullptr;
};

}  // namespace orv
