#include <QApplication>
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
        code = app.exec();
        window.reset();
    }
    return code;
}
