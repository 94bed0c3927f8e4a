#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "CurrentProject.h"
#include "Language.h"
#include "MainWindow.h"
#include "project/Project.h"

namespace {

const char kUsage[] =
    "Usage: orvikjoint [--lang en|zh] [PROJECT.pto]\n"
    "\n"
    "Opens the window; given PROJECT.pto, loads it at once (every camera is remapped\n"
    "with the nona2 beside this program).\n"
    "\n"
    "  --lang en|zh  interface language for this run (default: the one last chosen\n"
    "                from the Language menu, else Chinese)\n"
    "  -h, --help    show this text\n"
    "  --version     show the version\n"
    "\n"
    "Every other argument is echoed to standard output; a project is loaded only\n"
    "when exactly one is given. Without a display: orvikjoint-cli --help.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before the application exists, which needs a display, and
    // before the one-argument rule, which would try to open "--help".
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            printf("orvikjoint %s\n", ORVIK_VERSION);
            return 0;
        }
    }
#ifdef SIGXFSZ
    // Beyond a file size limit a table's write fails like one to a full disk
    // and the export says why, instead of the signal ending the window.
    signal(SIGXFSZ, SIG_IGN);
#endif
    // The project exists before the application and outlives the window.
    Project project;
    setCurrentProject(&project);
    int code = 0;
    {
        QApplication app(argc, argv);
        // Lets the desktop match the window to orvikjoint.desktop (its icon, its name).
        QGuiApplication::setDesktopFileName(QString::fromLatin1("orvikjoint"));
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
    setCurrentProject(nullptr);
    return code;
}
