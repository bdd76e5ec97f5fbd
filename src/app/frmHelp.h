#pragma once

#include <QDialog>

class QPushButton;
class QTextBrowser;

namespace orv {

struct ProgramState;

// The help window: the program folder's help page in a browser view, with Home, Back and Close.
class frmHelp : public QDialog {
    Q_OBJECT
public:
    explicit frmHelp(const ProgramState& state, QWidget* parent = nullptr);

    QTextBrowser* WebBrowser1() const { return WebBrowser1_; }

public slots:
    void cmdHome_Click();
    void cmdBack_Click();
    void cmdClose_Click();

private:
    QString helpPage_;
    QTextBrowser* WebBrowser1_;
    QPushButton* cmdHome_;
    QPushButton* cmdBack_;
    QPushButton* cmdClose_;
};

}  // namespace orv
