#include "demosteps.h"

#include "devbriefinfowidget.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLayout>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include <cstdio>
#include <qcustomplot.h>

namespace {

// Samples plotted before the picture: a few seconds of curve at the
// default 100 ms interval.
constexpr int kSamplesShown = 30;

template <typename T>
T *child(QWidget *parent, const char *name)
{
    return parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
}

} // namespace

DemoSteps::DemoSteps(MainWindow &window)
    : window(window)
{
    QObject::connect(&boxWatch, &QTimer::timeout, [this] { answerMessageBoxes(); });
    boxWatch.start(100);
}

// Any message box means the program met a problem the demo did not expect:
// note what it said and close it, so the step waiting on it can report.
void DemoSteps::answerMessageBoxes()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible()) {
            boxTexts += box->text() + '\n';
            box->reject();
        }
    }
}

bool DemoSteps::step(const char *what, const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.hasExpired(timeoutMs) || !boxTexts.isEmpty())
            loop.quit();
    });
    poll.start(50);
    if (!done())
        loop.exec();
    if (done() && boxTexts.isEmpty())
        return true;
    std::fprintf(stderr, "klv-demo: %s did not happen within %d s\n", what, timeoutMs / 1000);
    if (!boxTexts.isEmpty())
        std::fprintf(stderr, "klv-demo: the program said: %s", qPrintable(boxTexts));
    return false;
}

bool DemoSteps::cardsAreLive(int expectedCards) const
{
    const QList<DevBriefInfoWidget *> cards = window.findChildren<DevBriefInfoWidget *>();
    if (cards.size() != expectedCards)
        return false;
    for (DevBriefInfoWidget *card : cards) {
        auto *lamp = child<QPushButton>(card, "pushButton");
        if (!lamp || !lamp->styleSheet().contains("#00ff00"))
            return false;
    }
    return true;
}

QWidget *DemoSteps::openPage() const
{
    auto *tabs = child<QTabWidget>(&window, "tabWidget");
    return tabs && tabs->count() > 0 ? tabs->widget(0) : nullptr;
}

bool DemoSteps::run(int expectedCards, const QString &screenshotPath)
{
    auto *search = child<QToolButton>(&window, "tbtn_searchDev");
    if (!search) {
        std::fprintf(stderr, "klv-demo: the main window has no search button\n");
        return false;
    }
    search->click();
    if (!step("a live card for every supply", [&] { return cardsAreLive(expectedCards); }, 15000))
        return false;

    // The top card is the newest answer.
    QWidget *pane = child<QWidget>(&window, "scrollAreaWidgetContents");
    QWidget *top = pane && pane->layout() && pane->layout()->count() > 0 ? pane->layout()->itemAt(0)->widget()
                                                                           : nullptr;
    auto *connectButton = child<QPushButton>(top, "btn_devConnect");
    if (!connectButton) {
        std::fprintf(stderr, "klv-demo: the top card has no connect button\n");
        return false;
    }
    connectButton->click();
    if (!step("the device page", [&] { return openPage() != nullptr; }, 15000))
        return false;

    QWidget *page = openPage();
    auto *start = child<QToolButton>(page, "tbtn_startOutput");
    auto *plot = child<QCustomPlot>(page, "widget_plot_Vol");
    if (!start || !plot) {
        std::fprintf(stderr, "klv-demo: the device page lacks its output button or plot\n");
        return false;
    }
    start->click();
    if (!step("a plotted run",
              [&] { return plot->graphCount() > 0 && plot->graph(0)->dataCount() >= kSamplesShown; }, 20000))
        return false;

    QDir().mkpath(QFileInfo(screenshotPath).absolutePath());
    if (!window.grab().save(screenshotPath)) {
        std::fprintf(stderr, "klv-demo: cannot write %s\n", qPrintable(screenshotPath));
        return false;
    }
    return true;
}
