#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "MainWindow.h"
#include "project/Project.h"

int main(int argc, char* argv[]) {
    // The project exists before the application and outlives the window.
    Project project;
    int code = 0;
    {
        QApplication app(argc, argv);
        auto window = std::make_unique<MainWindow>();
        window->setWindowTitle("OrvikJoint");
        window->show();
        for (int i = 0; i < argc; ++i) printf("%s\r\n", argv[i]);
        fflush(stdout);
        if (argc == 2) window->loadSequence(argv[1]);
        // Scripted runs (tests, smoke checks) leave as soon as start-up is done.
        if (qEnvironmentVariableIsSet("ORVIKJOINT_EXIT_AFTER_START"))
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        code = app.exec();
        window.reset();
    }
    return code;
}
