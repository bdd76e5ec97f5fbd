#include "errors/ErrorReport.h"

#include "core/ProgramState.h"
#include "errors/WindowsVersion.h"

#include <utility>

namespace orv {
namespace {

const QString kDefaultTitle = QStringLiteral("An Unexpected Error Has Occurred!!");
const QString kDefaultMessage = QStringLiteral("Error Message");

const QStringList& boldHeadings() {
    static const QStringList headings{QStringLiteral("Application:"),      QStringLiteral("Version:"),
                                      QStringLiteral("Operating System:"), QStringLiteral("MDAC Version:"),
                                      QStringLiteral("Module:"),           QStringLiteral("Procedure:"),
                                      QStringLiteral("Error Number:"),     QStringLiteral("Error Description:"),
                                      QStringLiteral("Code Line:")};
    return headings;
}

DialogContent freshDialog(const QString& message, const QString& title) {
    DialogContent content;
    content.title = title.isEmpty() ? kDefaultTitle : title;
    content.message = message.isEmpty() ? kDefaultMessage : message;
    return content;
}

}  // namespace

QString buildReportText(const ProgramState& state, const QString& module, const QString& procedure,
                        const QVariant& errNumber, const QVariant& errDescription, const QVariant& codeLine) {
    const QStringList lines{
        QStringLiteral("Application: Orvella Configurator Version: ") + fullVersionText(state.version),
        QStringLiteral("Operating System: ") + GetWindowsVersion(),
        QStringLiteral("MDAC Version: ") +
            (state.session.DataAccessVersionSource ? state.session.DataAccessVersionSource() : QString()),
        QStringLiteral("Module: ") + module,
        QStringLiteral("Procedure: ") + procedure,
        QStringLiteral("Error Number: ") + errNumber.toString(),
        QStringLiteral("Error Description: ") + errDescription.toString(),
        QStringLiteral("Code Line: ") + (codeLine.isNull() ? QStringLiteral("0") : codeLine.toString()),
    };
    return lines.join(QLatin1Char('\n'));
}

DialogContent::Range BoldReportLabel(const QString& text, const QString& heading) {
    const qsizetype at = text.indexOf(heading);
    if (at < 0) return {};
    const qsizetype length = std::min<qsizetype>(heading.size() + 1, text.size() - at);
    return {static_cast<int>(at), static_cast<int>(length)};
}

QList<DialogContent::Range> reportBoldRanges(const QString& text) {
    QList<DialogContent::Range> ranges;
    for (const QString& heading : boldHeadings()) {
        const DialogContent::Range range = BoldReportLabel(text, heading);
        if (range.length > 0) ranges << range;
    }
    return ranges;
}

void ShowErrorMessage(ProgramState& state, const ErrorMessage& request) {
    DialogContent content = freshDialog(request.message, request.title);
    const bool drawn = request.icon == DialogContent::Error || request.icon == DialogContent::Information ||
                       request.icon == DialogContent::Exclamation;
    content.icon = drawn ? request.icon : DialogContent::BuiltIn;
    content.modal = request.modal;
    content.endProgram = request.endProgram;
    if (!request.module.isEmpty()) {
        content.isReport = true;
        content.reportText = buildReportText(state, request.module, request.procedure, request.number,
                                             request.description, request.codeLine);
        content.boldRanges = reportBoldRanges(content.reportText);
    }
    state.ui().showMessage(content);
    if (!request.endProgram) return;
    state.run.CloseRequested = true;
    state.ui().endProgram();
    throw ProgramEnd{};
}

void showPlainMessage(ProgramState& state, const QString& message, const QString& title, int iconKind) {
    ShowErrorMessage(state, {.message = message, .icon = iconKind, .title = title});
}

ErrorTrap::ErrorTrap(ProgramState& state, QString module, QString procedure)
    : state_(state),
      outerModule_(std::exchange(state.ErrorModuleName, std::move(module))),
      outerProcedure_(std::exchange(state.ErrorProcName, std::move(procedure))) {}

ErrorTrap::~ErrorTrap() {
    state_.ErrorModuleName = std::move(outerModule_);
    state_.ErrorProcName = std::move(outerProcedure_);
}

ErrorMessage ErrorTrap::failure(const RuntimeError& error, const QString& message, const QVariant& codeLine) const {
    return {.message = message,
            .module = state_.ErrorModuleName,
            .procedure = state_.ErrorProcName,
            .number = error.number(),
            .description = error.description(),
            .codeLine = codeLine};
}

void reportError(ProgramState& state, const QString& module, const QString& procedure, const RuntimeError& error,
                 const QString& message, const QVariant& codeLine) {
    const ErrorTrap trap(state, module, procedure);
    ShowErrorMessage(state, trap.failure(error, message, codeLine));
}

Answer AskQuestion(ProgramState& state, const QString& message, const QString& title, Answer defaultAnswer) {
    DialogContent content = freshDialog(message, title);
    content.icon = DialogContent::Question;
    content.modal = true;
    content.defaultAnswer = defaultAnswer;
    return state.ui().askQuestion(content);
}

}  // namespace orv
