// Start-up: from starting the process to the main window shown, against a
// minimal Qt program that shows an empty window. Both are started the
// same way, alternately, and report the moment their window is shown.

#include "benchkit.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>

namespace {

struct Phases {
    double total = -1;    // process start to window shown, ms
    double toApp = 0;     // to the application object: loading and Qt's set-up
    double toShow = 0;    // to show(): the window's construction
};

QByteArray lastOutput;

qint64 stampOf(const QByteArray &out, const char *what)
{
    const int at = out.indexOf(QByteArray(what) + ' ');
    return at < 0 ? -1 : out.mid(at + int(qstrlen(what)) + 1, 24).split('\n').first().toLongLong();
}

Phases startUp(const QString &program, const QStringList &arguments = {})
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 t0 = bench::monotonicNs();
    process.start();
    if (!process.waitForFinished(30000))
        return Phases();
    const QByteArray out = process.readAllStandardOutput();
    lastOutput = out;
    Phases p;
    const qint64 app = stampOf(out, "APP"), show = stampOf(out, "SHOW"), shown = stampOf(out, "SHOWN");
    if (app < 0 || show < 0 || shown < 0)
        return p;
    p.total = double(shown - t0) / 1e6;
    p.toApp = double(app - t0) / 1e6;
    p.toShow = double(show - app) / 1e6;
    return p;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bench::ScratchDir scratch;   // the program writes log/ here
    const QString dir = QCoreApplication::applicationDirPath();
    const QString program = dir + QStringLiteral("/bench_startup_app");
    const QString bare = dir + QStringLiteral("/bench_startup_bare");
    constexpr int Runs = 15;
    std::vector<double> programMs, bareMs, programApp, bareApp, programShow, bareShow, plainContentMs;
    // The bare window gets the main window's size: a bigger window costs
    // more to show whatever it holds. Also warms the file cache for both.
    startUp(program);
    const int at = lastOutput.indexOf("SIZE ");
    const QList<QByteArray> size = lastOutput.mid(at + 5, 24).split('\n').first().split(' ');
    const QStringList bareArgs = at < 0 || size.size() < 2 ? QStringList()
                                                          : QStringList{QString(size.at(0)), QString(size.at(1))};
    startUp(bare, bareArgs);
    // For the details: the same bare window with one text and one icon.
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(Qt::darkGreen);
    const QString icon = QDir::current().absoluteFilePath(QStringLiteral("icon.png"));
    picture.save(icon, "PNG");
    QStringList contentArgs = bareArgs;
    if (contentArgs.size() < 2)
        contentArgs = QStringList{QStringLiteral("640"), QStringLiteral("480")};
    contentArgs << icon;
    for (int i = 0; i < Runs; ++i) {
        const Phases p = startUp(program);
        const Phases b = startUp(bare, bareArgs);
        plainContentMs.push_back(startUp(bare, contentArgs).total);
        programMs.push_back(p.total);
        bareMs.push_back(b.total);
        programApp.push_back(p.toApp);
        bareApp.push_back(b.toApp);
        programShow.push_back(p.toShow);
        bareShow.push_back(b.toShow);
    }
    const bench::Stats p = bench::statsOf(programMs);
    const bench::Stats b = bench::statsOf(bareMs);
    const bool valid = *std::min_element(programMs.begin(), programMs.end()) > 0
        && *std::min_element(bareMs.begin(), bareMs.end()) > 0;
    const double ratio = p.median / b.median;
    bench::report(8, QStringLiteral("start-up to the shown main window vs a bare Qt window of its size"),
                  QStringLiteral("%1x").arg(bench::fmt(ratio)), QStringLiteral("<= 1.5x"), valid && ratio <= 1.5,
                  QStringLiteral("program %1 ms, bare %8 window %2 ms (medians of %3 alternate runs); of which "
                                 "loading and Qt set-up %4 vs %5 ms, building the window %6 vs %7 ms, "
                                 "showing and painting the rest; the bare window with one text and one icon "
                                 "%9 ms")
                      .arg(bench::fmt(p.median, 1), bench::fmt(b.median, 1))
                      .arg(Runs)
                      .arg(bench::fmt(bench::statsOf(programApp).median, 1),
                           bench::fmt(bench::statsOf(bareApp).median, 1),
                           bench::fmt(bench::statsOf(programShow).median, 1),
                           bench::fmt(bench::statsOf(bareShow).median, 1))
                      .arg(bareArgs.join(QLatin1Char('x')))
                      .arg(bench::fmt(bench::statsOf(plainContentMs).median, 1)));
    return 0;
}
