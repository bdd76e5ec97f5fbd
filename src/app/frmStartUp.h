#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace orv {

struct ProgramState;

// The Configurator's working window: a list of panels on the left, the panel on the right and
// the window-wide buttons below.
class frmStartUp : public QWidget {
    Q_OBJECT
public:
    explicit frmStartUp(ProgramState& state);

    // The start-up part of the window's load: paths, first use, the controls, compaction, welcome.
    void Form_Load();

    // The window caption: "Orvella Configurator - Version 8.1.9".
    static QString WindowCaption(const ProgramState& state);

public slots:
    // Starts a build or update run of the current Music Library.
    void cmdDatabase_Click();
    void cmdCancel_Click();

signals:
    // A build or update run was asked for; the build run answers it.
    void buildRequested();

private:
    ProgramState& state_;
    QLabel* lblDownloadStatus_;
    QPushButton* cmdDatabase_;
    QPushButton* cmdCancel_;
};

}  // namespace orv
