#pragma once

#include "core/Controls.h"
#include "core/Picture.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace orv {

// The answers of a Yes/No question, with the numbers the message dialog stores.
enum class Answer { Yes = 6, No = 7 };

// What the message dialog shows: the windows draw it, the command line prints it,
// the tests record it.
struct DialogContent {
    enum Icon { BuiltIn = 0, Error = 1, Information = 2, Question = 3, Exclamation = 4 };
    struct Range {
        int start = 0;
        int length = 0;
        bool operator==(const Range&) const = default;
    };

    QString title;    // lblTitle
    QString message;  // lblMessage
    int icon = BuiltIn;
    bool isReport = false;    // the copyable report text is shown
    QString reportText;       // txtError: eight lines
    QList<Range> boldRanges;  // headings shown in bold within reportText
    bool modal = false;
    bool endProgram = false;
    // A question's button that has the focus first, so that Enter gives this answer.
    Answer defaultAnswer = Answer::Yes;

    bool operator==(const DialogContent&) const = default;
};

// How far a build run has come.
struct BuildProgress {
    qint64 filesSeen = 0;  // media files met by the walk
    int added = 0;
    int updated = 0;
    qint64 unchanged = 0;
    int coversFound = 0;  // songs whose cover was found online
    int coversNotFound = 0;
    qint64 elapsedMs = 0;
};

// The core's only way to reach the user. The windowed program, the command line and the
// tests' scripted double implement it.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // Shows a message or report; returns once it is shown (or closed, when modal).
    virtual void showMessage(const DialogContent& content) = 0;
    // Asks a Yes/No question.
    virtual Answer askQuestion(const DialogContent& content) = 0;
    // Asks for a line of text; nothing when the prompt was cancelled.
    virtual std::optional<QString> inputText(const QString& prompt, const QString& title) = 0;
    // The program is about to end after a report that asked for it: the front end closes what it
    // shows. The core then unwinds to main, which returns.
    virtual void endProgram() = 0;
    // A long run passes a point where it may stop: a front end that has its own Cancel (Ctrl-C)
    // sets the program's CloseRequested here.
    virtual void yield() {}

    // The main window's controls (core/Controls.h).
    // A front end without such a control shows nothing for it.
    virtual void setCaption(Control control, const QString& text) { (void)control, (void)text; }
    virtual void setEnabled(Control control, bool enabled) { (void)control, (void)enabled; }
    virtual void setVisible(Control control, bool visible) { (void)control, (void)visible; }
    void setAllEnabled(const Controls& controls, bool enabled) {
        for (Control control : controls) setEnabled(control, enabled);
    }
    void setAllVisible(const Controls& controls, bool visible) {
        for (Control control : controls) setVisible(control, visible);
    }
    // The main window's caption.
    virtual void setWindowTitle(const QString& text) { (void)text; }
    // Shows a picture in a named picture control; a front end without pictures never decodes it.
    virtual void showPicture(Control control, const Picture& picture) { (void)control, (void)picture; }
    // Whether showPicture() shows anything: a front end without pictures is spared copying them out
    // of every song file.
    virtual bool showsPictures() const { return false; }
    // Offers a build log in the "Log File" panel.
    virtual void showLogFile(const QString& path) { (void)path; }
    // Saves the settings and starts the player, as the main window's launch button does.
    virtual void startPlayer() {}
    // The counts of a build run, given after every file; the front end shows them as often as it
    // likes.
    virtual void showBuildProgress(const BuildProgress& progress) { (void)progress; }
    // A note about one file during a build run: a file passed over, a tag that could not be written.
    virtual void noteFile(const QString& path, const QString& note) { (void)path, (void)note; }
};

}  // namespace orv
