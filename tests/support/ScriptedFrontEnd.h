#pragma once

#include "core/FrontEnd.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

namespace orv::test {

// A front end for tests: answers come from a queue (No when it runs dry), and everything
// shown is recorded.
class ScriptedFrontEnd : public FrontEnd {
public:
    void showMessage(const DialogContent& content) override { messages.append(content); }
    Answer askQuestion(const DialogContent& content) override {
        questions.append(content);
        if (answers.empty()) return Answer::No;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<QString> inputText(const QString& prompt, const QString& title) override {
        prompts.append({title, prompt});
        if (textAnswers.empty()) return std::nullopt;
        const std::optional<QString> answer = textAnswers.front();
        textAnswers.pop_front();
        return answer;
    }
    void endProgram() override { ++endProgramCalls; }
    void yield() override {
        ++yields;
        if (onYield) onYield();
    }
    void setCaption(Control control, const QString& text) override { captions[control] = text; }
    void setEnabled(Control control, bool enabled) override { enabling[control] = enabled; }
    void setVisible(Control control, bool visible) override { visibility[control] = visible; }
    void setWindowTitle(const QString& text) override { windowTitle = text; }
    void showLogFile(const QString& path) override { logsShown << path; }
    void startPlayer() override { ++playerStarts; }
    void noteFile(const QString& path, const QString& note) override { notes << path + ": " + note; }
    void showPicture(Control control, const Picture& picture) override { pictures[control] = picture.decode(); }
    bool showsPictures() const override { return true; }

    std::deque<Answer> answers;
    // Answers to text prompts (nothing: cancelled; cancelled too when the queue runs dry).
    std::deque<std::optional<QString>> textAnswers;
    struct Prompt {
        QString title;
        QString prompt;
    };
    QList<Prompt> prompts;
    QList<DialogContent> messages;
    QList<DialogContent> questions;
    int endProgramCalls = 0;
    int yields = 0;
    // Runs at every yield, as the events the front end processes there would.
    std::function<void()> onYield;
    QMap<Control, QString> captions;
    QMap<Control, bool> enabling;
    QMap<Control, bool> visibility;
    QString windowTitle;
    QStringList logsShown;
    int playerStarts = 0;
    QStringList notes;
    QMap<Control, QImage> pictures;  // the last picture each control showed
};

}  // namespace orv::test
