#pragma once

#include "core/FrontEnd.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTextEdit;

namespace orv {

struct ProgramState;

// The one message dialog: error reports, plain messages and Yes/No questions.
class frmErrorMessage : public QDialog {
    Q_OBJECT
public:
    explicit frmErrorMessage(ProgramState& state, QWidget* parent = nullptr);

    // Fills the dialog for a message or report; the caller shows it.
    void showContent(const DialogContent& content);
    // Fills the dialog for a question: Yes and No instead of OK.
    void showQuestion(const DialogContent& content);
    // The question's answer: No until Yes is pressed.
    Answer answer() const { return answer_; }

public slots:
    void cmdOK_Click();
    void cmdCopy_Click();
    void cmdYes_Click();
    void cmdNo_Click();

signals:
    // No was answered while the program was still starting up.
    void answeredNoDuringStartUp();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setCaptions(const DialogContent& content);
    void setIcon(int icon);
    void fitContent();

    ProgramState& state_;
    QLabel* imgBG_;
    QLabel* lblTitle_;
    QLabel* lblMessage_;
    QLabel* imgError_;
    QTextEdit* txtError_;
    QLabel* lblCutAndPaste_;
    QPushButton* cmdCopy_;
    QPushButton* cmdOK_;
    QPushButton* cmdYes_;
    QPushButton* cmdNo_;
    Answer answer_ = Answer::No;
};

}  // namespace orv
