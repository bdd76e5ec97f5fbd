#include "cli/ConsoleFrontEnd.h"

#include <cstdio>
#include <unistd.h>

namespace orv {

ConsoleFrontEnd::ConsoleFrontEnd(bool answerYes) : answerYes_(answerYes), err_(stderr) {}

void ConsoleFrontEnd::showMessage(const DialogContent& content) {
    shownTitles_ << content.title;
    err_ << content.title << '\n' << content.message << '\n';
    if (content.isReport) err_ << content.reportText << '\n';
    err_.flush();
}

Answer ConsoleFrontEnd::askQuestion(const DialogContent& content) {
    err_ << content.title << '\n' << content.message << '\n';
    if (answerYes_) {
        err_ << "[Yes/No] Yes\n";
        err_.flush();
        return Answer::Yes;
    }
    if (!::isatty(STDIN_FILENO)) {
        err_ << "[Yes/No] No\n";
        err_.flush();
        return Answer::No;
    }
    err_ << "[Yes/No] ";
    err_.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed();
    return answer.startsWith(QLatin1Char('y'), Qt::CaseInsensitive) ? Answer::Yes : Answer::No;
}

std::optional<QString> ConsoleFrontEnd::inputText(const QString& prompt, const QString& title) {
    err_ << title << '\n' << prompt << '\n';
    if (!::isatty(STDIN_FILENO)) {
        err_ << "(no terminal: cancelled)\n";
        err_.flush();
        return std::nullopt;
    }
    err_ << "> ";
    err_.flush();
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (line.isNull()) return std::nullopt;
    return line;
}

void ConsoleFrontEnd::setCaption(const QString& control, const QString& text) {
    if (!captionsOut_ || control != printedControl_) return;
    *captionsOut_ << text << '\n';
    captionsOut_->flush();
}

void ConsoleFrontEnd::endProgram() {
    err_.flush();
}

}  // namespace orv
