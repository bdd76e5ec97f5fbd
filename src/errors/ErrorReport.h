#pragma once

#include "core/FrontEnd.h"
#include "core/RuntimeError.h"

#include <QString>
#include <QVariant>

namespace orv {

struct ProgramState;

inline const QString kFatalErrorMessage =
    QStringLiteral("Orvella Configurator cannot continue due to an unexpected fatal error.");
inline const QString kStartupFatalErrorMessage =
    QStringLiteral("Orvella cannot continue due to an unexpected fatal error.");

// The eight lines of an error report, separated by single line feeds, no line feed at the end.
QString buildReportText(const ProgramState& state, const QString& module, const QString& procedure,
                        const QVariant& errNumber, const QVariant& errDescription, const QVariant& codeLine);

// Where a heading is bold: the first place the heading occurs in the text, with the blank after it.
DialogContent::Range BoldReportLabel(const QString& text, const QString& heading);
// Every bold heading of a report text, in the order of the headings.
QList<DialogContent::Range> reportBoldRanges(const QString& text);

// What the message dialog is to show. Empty message and title keep the dialog's own captions; a
// module makes it an error report; endProgram ends the program once it is shown.
struct ErrorMessage {
    QString message{};
    QString module{};
    QString procedure{};
    QVariant number{};
    QVariant description{};
    int icon = DialogContent::BuiltIn;
    QString title{};
    bool endProgram = false;
    QVariant codeLine = QStringLiteral("0");
    bool modal = false;
};

// Shows a message or an error report through the front end. A report that ends the program throws
// ProgramEnd once it is shown, so that everything between here and main unwinds.
void ShowErrorMessage(ProgramState& state, const ErrorMessage& request);

// A plain message with a title: no report, not modal, the program goes on.
void showPlainMessage(ProgramState& state, const QString& message, const QString& title, int iconKind = 0);

// A procedure's error trap. While it lives, ErrorModuleName and ErrorProcName name its module and
// procedure, the location its failure reports give; the names of the trap around it come back when
// it ends.
class ErrorTrap {
public:
    ErrorTrap(ProgramState& state, QString module, QString procedure);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // The report of a failure inside the procedure, with the given message (the fatal-error message
    // unless told otherwise), ready to be shown or given a title.
    ErrorMessage failure(const RuntimeError& error, const QString& message = kFatalErrorMessage,
                         const QVariant& codeLine = QStringLiteral("0")) const;

private:
    ProgramState& state_;
    QString outerModule_;
    QString outerProcedure_;
};

// Shows the report of a failure in the given module and procedure, under their error trap.
void reportError(ProgramState& state, const QString& module, const QString& procedure, const RuntimeError& error,
                 const QString& message = kFatalErrorMessage, const QVariant& codeLine = QStringLiteral("0"));

// Asks a Yes/No question; No also when the dialog is closed otherwise. A question whose Yes
// removes something gives No as the default answer.
Answer AskQuestion(ProgramState& state, const QString& message, const QString& title,
                   Answer defaultAnswer = Answer::Yes);

}  // namespace orv
