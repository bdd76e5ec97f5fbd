#include "app/Application.h"

#include "core/RuntimeError.h"

#include <cstdlib>

namespace orv {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const ProgramEnd&) {
        closeAllWindows();
        exit(EXIT_FAILURE);
        return true;
    }
}

}  // namespace orv
