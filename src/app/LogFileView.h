#pragma once

#include <QListView>

namespace orv {

class LogLines;

// The build log in the Log File panel: its lines in a read-only list. It shows a log of a million
// lines at once and holds only the file's bytes and where each line starts, where a text editor's
// document takes seconds and hundreds of megabytes for it. Lines are selected whole; the copy key
// copies the selected lines.
class LogFileView : public QListView {
public:
    explicit LogFileView(QWidget* parent);

    // Shows the file's lines; a file that cannot be read shows none.
    void showFile(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    LogLines* lines_;
};

}  // namespace orv
