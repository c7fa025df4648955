// Linked into a start-up benchmark program: prints the monotonic clock when
// the application object exists (APP), when the first window is asked to
// show (SHOW) and when it has been exposed and painted (SHOWN), then ends
// the process at once (the shutdown is not part of start-up).

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

void stamp(const char *what)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::printf("%s %lld\n", what, static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
    std::fflush(stdout);
}

class ShownProbe : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !showSeen && watched->isWidgetType()) {
            showSeen = true;
            stamp("SHOW");
        }
        if (event->type() == QEvent::Expose) {
            if (auto *shown = qobject_cast<QWindow *>(watched))
                std::printf("SIZE %d %d\n", shown->width(), shown->height());
        }
        auto *window = event->type() == QEvent::Expose ? qobject_cast<QWindow *>(watched) : nullptr;
        if (window && window->isExposed()) {
            qApp->removeEventFilter(this);
            // Runs once the expose, and the paint it brings, are done.
            QTimer::singleShot(0, [] {
                stamp("SHOWN");
                _exit(0);
            });
        }
        return false;
    }

private:
    bool showSeen = false;
};

void installProbe()
{
    stamp("APP");
    qApp->installEventFilter(new ShownProbe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
