// klv-demo: shows the real main window and works it the way a newcomer
// would (search, wait for the live cards, connect the top card, switch the
// output on), then saves a picture of the window and exits. scripts/run uses
// it where nobody can click: under Xvfb, next to simulated supplies in a
// private network namespace. It only presses the program's own buttons.
//
//   klv-demo --screenshot FILE [--supplies N]
//   klv-demo --probe-display      exits 0 when a window system can be reached

#include "demosteps.h"
#include "mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs the KLV2400 main window through a search, a connect and an output run against supplies that "
        "are already answering, then saves a screenshot of the window.");
    parser.addHelpOption();
    const QCommandLineOption screenshot("screenshot", "Where to write the PNG.", "FILE");
    const QCommandLineOption supplies("supplies", "How many supplies answer the search (default 3).", "N", "3");
    const QCommandLineOption probe("probe-display", "Only check that a window can be shown, then exit.");
    parser.addOptions({screenshot, supplies, probe});
    parser.process(app);
    if (parser.isSet(probe))
        return 0;   // constructing the application already needed the display
    bool countOk = false;
    const int expected = parser.value(supplies).toInt(&countOk);
    if (!parser.isSet(screenshot) || !countOk || expected < 1) {
        std::fprintf(stderr, "klv-demo: needs --screenshot FILE and a --supplies count of at least 1\n");
        return 2;
    }

    // Whatever happens inside the program's own modal loops, the demo ends.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] {
        std::fprintf(stderr, "klv-demo: gave up after 120 s\n");
        std::_Exit(1);
    });
    deadline.start(120000);

    MainWindow window;
    window.resize(1280, 860);
    window.show();

    int result = 1;
    QTimer::singleShot(0, &window, [&] {
        DemoSteps steps(window);
        result = steps.run(expected, parser.value(screenshot)) ? 0 : 1;
        window.close();
        app.exit(result);
    });
    app.exec();
    return result;
}
