// The busy indicator: setters that refuse values it cannot run with, one
// telling pixel pair per figure, and the modal busy window.

#include "frmprogresswait.h"
#include "progresswait.h"
#include "testsupport.h"

#include <QLabel>
#include <QPointer>
#include <QtMath>
#include <QtTest>

namespace {

const QColor fg(200, 0, 0), bg(0, 0, 200), none(Qt::transparent);

// The widget alone on a transparent image.
QImage paint(ProgressWait &w)
{
    QImage img(w.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

// Whether the pixel under a point of the 200 x 200 logical square centred
// in the image has about this colour.
bool isAt(const QImage &img, QPointF p, const QColor &c)
{
    const double scale = qMin(img.width(), img.height()) / 200.0;
    const QColor got = QColor::fromRgba(img.pixel(qFloor(img.width() / 2 + p.x() * scale),
                                                  qFloor(img.height() / 2 + p.y() * scale)));
    const int off = qAbs(got.red() - c.red()) + qAbs(got.green() - c.green()) + qAbs(got.blue() - c.blue());
    return off + qAbs(got.alpha() - c.alpha()) <= 6;
}

} // namespace

class TestProgressWait : public QObject
{
    Q_OBJECT

    TempWorkDir work;

private slots:
    void settersRefuseValuesItCannotRunWith()
    {
        ProgressWait w;
        w.setCurrentValue(5);
        w.setMaxValue(0);   // would divide by zero when painting
        QCOMPARE(w.maxValue(), 10);
        QCOMPARE(w.currentValue(), 5);
        w.setMaxValue(1);   // the lowest allowed; a new maximum restarts the phase
        QCOMPARE(w.maxValue(), 1);
        QCOMPARE(w.currentValue(), 0);
        w.updateValue();
        w.updateValue();   // wraps after the maximum
        QCOMPARE(w.currentValue(), 0);
        w.setInterval(40);
        w.setInterval(-1);
        QCOMPARE(w.interval(), 40);
        QCOMPARE(w.findChild<QTimer *>()->interval(), 40);
    }

    // Phase 3 (step angle 96), clockwise, in a wide widget.
    void eachStylePaintsItsFigure()
    {
        const struct { int style; QPointF on; QColor onColour; QPointF off; QColor offColour; } figures[] = {
            {0, {79.6, 8.4}, fg, {-79.6, -8.4}, bg},                    // arc: the two halves, turned
            {1, {25, 78}, QColor(200, 0, 0, 229), {0, 0}, none},        // round circle: last dot, (3 + 9) * 36 deg
            {2, {24.4, 54.8}, fg, {-24.4, -54.8}, bg},                  // pie: 60 deg wedge from the step angle
            {3, {-42.6, -58.7}, QColor(200, 0, 0, 230), {0, 0}, none},  // line: spoke 4, 144 deg from down
            {4, {52.9, 65.3}, fg, {-52.9, -65.3}, bg},                  // ring: a quarter from the step angle
            {5, {0, 25}, fg, {0, -35}, none},                           // single circle: radius 30
            {6, {-50, 0}, fg, {50, 0}, bg},                             // double circle
            {99, {0, 0}, none, {60, 60}, none},                         // unknown: nothing
        };
        for (const auto &f : figures) {
            ProgressWait w;
            w.setShowPercent(false);
            w.setBarStyle(ProgressWait::BarStyle(f.style));
            w.setForeground(fg);
            w.setBackground(bg);
            w.setCurrentValue(3);
            w.resize(300, 200);
            const QImage img = paint(w);
            QVERIFY2(isAt(img, f.on, f.onColour) && isAt(img, f.off, f.offColour), qPrintable(QString::number(f.style)));
            QCOMPARE(qAlpha(img.pixel(0, 0)), 0);   // outside the centred square
            // The percent text is drawn over the figure only when asked for.
            w.setShowPercent(true);
            w.onChangeValue(42);
            QVERIFY(paint(w) != img);
        }
    }

    void busyWindow()
    {
        QPointer<frmProgressWait> form = new frmProgressWait(QStringLiteral("正在连接设备..."));
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowModality(), Qt::ApplicationModal);
        QCOMPARE(form->findChild<QLabel *>("labelText")->text(), QStringLiteral("正在连接设备..."));
        QVERIFY(!form->findChild<ProgressWait *>("progressWait1")->showPercent());

        // Frameless: dragged by any point with any button.
        form->move(100, 80);
        QTRY_COMPARE(form->pos(), QPoint(100, 80));
        QMouseEvent press(QEvent::MouseButtonPress, {30, 40}, {130, 120}, Qt::RightButton, Qt::RightButton, {});
        QApplication::sendEvent(form, &press);
        QMouseEvent move(QEvent::MouseMove, {87, 17}, {187, 97}, Qt::NoButton, Qt::RightButton, {});
        QApplication::sendEvent(form, &move);
        QTRY_COMPARE(form->pos(), QPoint(157, 57));

        // Released: off the screen at once, even if a modal loop delays the deletion.
        form->onDone();
        QVERIFY(form && !form->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
    }
};

QTEST_MAIN(TestProgressWait)
#include "tst_progresswait.moc"
