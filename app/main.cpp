#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

#include "Language.h"
#include "MainWindow.h"
#include "project/Project.h"

int main(int argc, char* argv[]) {
    // The project exists before the application and outlives the window.
    Project project;
    int code = 0;
    {
        QApplication app(argc, argv);
        // The language option is the interface's, not part of what is echoed
        // and loaded: "orvikjoint --lang en rig.pto" loads rig.pto.
        std::vector<char*> args(argv, argv + argc);
        const QString lang = takeLanguageOption(args);
        const QString wanted = lang.isEmpty() ? savedLanguage() : lang;
        if (!setLanguage(wanted))
            fprintf(stderr,
                    "language \"%s\" is not available (en or zh); the interface stays Chinese\n",
                    wanted.toLocal8Bit().constData());
        auto window = std::make_unique<MainWindow>();
        window->setWindowTitle("OrvikJoint");
        window->show();
        for (char* arg : args) printf("%s\r\n", arg);
        fflush(stdout);
        if (args.size() == 2) window->loadSequence(args[1]);
        // Scripted runs (tests, smoke checks) leave as soon as start-up is done.
        if (qEnvironmentVariableIsSet("ORVIKJOINT_EXIT_AFTER_START"))
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        code = app.exec();
        window.reset();
    }
    return code;
}
