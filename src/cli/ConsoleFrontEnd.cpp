#include "cli/ConsoleFrontEnd.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace orv {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd(bool answerYes)
    : answerYes_(answerYes), err_(stderr), progressTerminal_(::isatty(STDERR_FILENO) != 0) {}

void ConsoleFrontEnd::watchForInterrupt(std::atomic<bool>* closeRequested) {
    closeRequested_ = closeRequested;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    // A service manager stops the program with SIGTERM: it ends the same way.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool ConsoleFrontEnd::interrupted() const {
    return gInterrupted != 0;
}

void ConsoleFrontEnd::yield() {
    if (gInterrupted && closeRequested_) *closeRequested_ = true;
}

void ConsoleFrontEnd::showBuildProgress(const BuildProgress& progress) {
    if (!progressTerminal_ || (sinceProgress_.isValid() && sinceProgress_.elapsed() < 100)) return;
    sinceProgress_.start();
    const double seconds = static_cast<double>(progress.elapsedMs) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(progress.filesSeen) / seconds : 0.0;
    err_ << "\r\x1b[K" << progress.filesSeen << " files: " << progress.added << " added, " << progress.updated
         << " updated, " << progress.unchanged << " unchanged, ";
    if (progress.coversFound + progress.coversNotFound > 0)
        err_ << "covers " << progress.coversFound << " found, " << progress.coversNotFound << " not found, ";
    err_ << qRound(rate) << " files/s, " << QString::number(seconds, 'f', 1) << " s";
    err_.flush();
    progressShown_ = true;
}

void ConsoleFrontEnd::endProgressLine() {
    if (!progressShown_) return;
    err_ << '\n';
    err_.flush();
    progressShown_ = false;
}

void ConsoleFrontEnd::noteFile(const QString& path, const QString& note) {
    endProgressLine();
    err_ << "orvella-cli: " << path << ": " << note << '\n';
    err_.flush();
}

void ConsoleFrontEnd::showMessage(const DialogContent& content) {
    endProgressLine();
    shownTitles_ << content.title;
    err_ << content.title << '\n' << content.message << '\n';
    if (content.isReport) err_ << content.reportText << '\n';
    err_.flush();
}

Answer ConsoleFrontEnd::askQuestion(const DialogContent& content) {
    endProgressLine();
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

void ConsoleFrontEnd::setCaption(Control control, const QString& text) {
    if (!captionsOut_ || control != printedControl_) return;
    *captionsOut_ << text << '\n';
    captionsOut_->flush();
}

void ConsoleFrontEnd::endProgram() {
    err_.flush();
}

}  // namespace orv
