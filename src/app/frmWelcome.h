#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orv {

struct ProgramState;

// Greets a first-time user; OK marks the first use as over.
class frmWelcome : public QDialog {
    Q_OBJECT
public:
    explicit frmWelcome(ProgramState& state, QWidget* parent = nullptr);

public slots:
    void cmdOK_Click();

private:
    ProgramState& state_;
    QLabel* lblTitle_;
    QPushButton* cmdOK_;
};

}  // namespace orv
