#include "cli/ConsoleFrontEnd.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace orv {

ConsoleFrontEnd::ConsoleFrontEnd(bool answerYes) : answerYes_(answerYes), err_(stderr) {}

void ConsoleFrontEnd::showMessage(const DialogContent& content) {
    ++messagesShown_;
    err_ << content.title << '\n' << content.message << '\n';
    if (content.isReport) err_ << content.reportText << '\n';
    err_.flush();
}

int ConsoleFrontEnd::askQuestion(const DialogContent& content) {
    err_ << content.title << '\n' << content.message << '\n';
    if (answerYes_) {
        err_ << "[Yes/No] Yes\n";
        err_.flush();
        return 6;
    }
    if (!::isatty(STDIN_FILENO)) {
        err_ << "[Yes/No] No\n";
        err_.flush();
        return 7;
    }
    err_ << "[Yes/No] ";
    err_.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed();
    return answer.startsWith(QLatin1Char('y'), Qt::CaseInsensitive) ? 6 : 7;
}

void ConsoleFrontEnd::endProgram() {
    err_.flush();
    std::exit(1);
}

}  // namespace orv
