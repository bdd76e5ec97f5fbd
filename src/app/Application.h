#pragma once

#include <QApplication>

namespace orv {

// The windowed program's application object. A report that ends the program unwinds the handler
// it was raised in up to here; the application then leaves its event loops and main returns.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace orv
