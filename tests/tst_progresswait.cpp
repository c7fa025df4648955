// The busy indicator: its animation phase, setters, the figures it paints
// (checked at pixels the geometry fixes) and the modal busy window.

#include "frmprogresswait.h"
#include "progresswait.h"
#include "testsupport.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QtMath>
#include <QtTest>

namespace {

using Style = ProgressWait::BarStyle;

const QColor fg(200, 0, 0);
const QColor bg(0, 0, 200);

// Paints the widget alone onto a transparent image, so every pixel the
// figure leaves untouched keeps alpha 0.
QImage paint(ProgressWait &w)
{
    QImage img(w.size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

// Pixel under a point of the 200 x 200 logical square centred in the widget.
QPoint pixelAt(const QSize &size, double lx, double ly)
{
    const double scale = qMin(size.width(), size.height()) / 200.0;
    return QPoint(qFloor(size.width() / 2 + lx * scale), qFloor(size.height() / 2 + ly * scale));
}

int alphaAt(const QImage &img, double lx, double ly)
{
    return qAlpha(img.pixel(pixelAt(img.size(), lx, ly)));
}

// Colour at a point on a figure that covers the pixel with an opaque brush.
QColor colourAt(const QImage &img, double lx, double ly)
{
    return QColor::fromRgba(img.pixel(pixelAt(img.size(), lx, ly)));
}

// Point at a Qt angle (degrees, counter-clockwise on screen) and radius.
QPointF polar(double degrees, double radius)
{
    const double rad = qDegreesToRadians(degrees);
    return QPointF(radius * qCos(rad), -radius * qSin(rad));
}

void sizes()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("clockWise");
    QTest::addColumn<int>("current");
    QTest::newRow("square cw 0") << QSize(200, 200) << true << 0;
    QTest::newRow("square cw 3") << QSize(200, 200) << true << 3;
    QTest::newRow("wide ccw 7") << QSize(300, 200) << false << 7;
    QTest::newRow("tall scaled cw 10") << QSize(160, 301) << true << 10;
    QTest::newRow("large ccw 4") << QSize(400, 400) << false << 4;
}

void prepare(ProgressWait &w, Style style, const QSize &size, bool clockWise, int current)
{
    w.setShowPercent(false);
    w.setBarStyle(style);
    w.setForeground(fg);
    w.setBackground(bg);
    w.setClockWise(clockWise);
    w.setCurrentValue(current);
    w.resize(size);
}

bool near(int actual, int expected, int tolerance = 2)
{
    return qAbs(actual - expected) <= tolerance;
}

// Length of the run of figure pixels from (x, y) in direction dx.
int runLength(const QImage &img, int x, int y, int dx)
{
    int n = 0;
    while (x >= 0 && x < img.width() && qAlpha(img.pixel(x, y)) >= 128) {
        ++n;
        x += dx;
    }
    return n;
}

} // namespace

class TestProgressWait : public QObject
{
    Q_OBJECT

private slots:
    void metaObjectShape();
    void defaults();
    void phaseCyclesAndWraps();
    void timerAdvancesPhase();
    void setMaxValueRules();
    void setIntervalRetimesTimer();
    void roundCircleDots_data() { sizes(); }
    void roundCircleDots();
    void lineSpokes_data() { sizes(); }
    void lineSpokes();
    void pieWedge_data() { sizes(); }
    void pieWedge();
    void ringPieces_data() { sizes(); }
    void ringPieces();
    void singleCircleGrowsWithPhase();
    void doubleCircleBreathes();
    void percentText();
    void unknownStyleDrawsNothing();
    void busyWindowShape();
    void busyWindowForwardsPercent();
    void busyWindowDragsWithAnyButton_data();
    void busyWindowDragsWithAnyButton();
    void busyWindowDone();

private:
    TempWorkDir work;
};

void TestProgressWait::metaObjectShape()
{
    const QMetaObject *mo = &ProgressWait::staticMetaObject;
    QStringList props;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
        props << mo->property(i).name();
    QCOMPARE(props, QStringList({"clockWise", "showPercent", "currentValue", "maxValue", "interval",
                                 "barStyle", "background", "foreground", "textColor"}));
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
        QVERIFY2(mo->property(i).isWritable(), mo->property(i).name());

    QStringList slotNames;
    for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
        if (mo->method(i).methodType() == QMetaMethod::Slot && mo->method(i).access() == QMetaMethod::Public)
            slotNames << mo->method(i).methodSignature();
    QCOMPARE(slotNames, QStringList({"updateValue()", "onChangeValue(int)", "setClockWise(bool)",
                                     "setShowPercent(bool)", "setCurrentValue(int)", "setMaxValue(int)",
                                     "setInterval(int)", "setBarStyle(BarStyle)", "setBackground(QColor)",
                                     "setForeground(QColor)", "setTextColor(QColor)"}));

    const QMetaEnum e = QMetaEnum::fromType<ProgressWait::BarStyle>();
    QCOMPARE(e.keyCount(), 7);
    const char *names[] = {"BarStyle_Arc", "BarStyle_RoundCircle", "BarStyle_Pie", "BarStyle_Line",
                           "BarStyle_Ring", "BarStyle_SingleCircle", "BarStyle_DoubleCircle"};
    for (int v = 0; v < 7; ++v)
        QCOMPARE(e.valueToKey(v), names[v]);
}

void TestProgressWait::defaults()
{
    ProgressWait w;
    QCOMPARE(w.clockWise(), true);
    QCOMPARE(w.showPercent(), true);
    QCOMPARE(w.currentValue(), 0);
    QCOMPARE(w.maxValue(), 10);
    QCOMPARE(w.interval(), 100);
    QCOMPARE(w.barStyle(), ProgressWait::BarStyle_Line);
    QCOMPARE(w.background(), QColor(255, 255, 255));
    QCOMPARE(w.foreground(), QColor(50, 60, 255));
    QCOMPARE(w.textColor(), QColor(50, 60, 255));
    QCOMPARE(w.sizeHint(), QSize(100, 100));
    QCOMPARE(w.minimumSizeHint(), QSize(20, 20));
    QCOMPARE(w.font().family(), QString("Arial"));
    QCOMPARE(w.font().pointSize(), 8);
    QTimer *timer = w.findChild<QTimer *>();
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    QVERIFY(!timer->isSingleShot());
}

void TestProgressWait::phaseCyclesAndWraps()
{
    ProgressWait w;
    QList<int> seen;
    for (int i = 0; i < 13; ++i) {
        w.updateValue();
        seen << w.currentValue();
    }
    QCOMPARE(seen, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1, 2}));

    w.setMaxValue(2);
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        w.updateValue();
        seen << w.currentValue();
    }
    QCOMPARE(seen, QList<int>({1, 2, 0, 1}));

    // A phase set beyond the range comes back to 0 on the next tick.
    w.setCurrentValue(7);
    w.updateValue();
    QCOMPARE(w.currentValue(), 0);
}

void TestProgressWait::timerAdvancesPhase()
{
    ProgressWait w;
    w.setInterval(5);
    QList<int> seen;
    QVERIFY(waitUntil([&] {
        if (seen.isEmpty() || seen.last() != w.currentValue())
            seen << w.currentValue();
        return seen.size() >= 14;
    }, 10000));
    // Each tick advances by exactly one and wraps after 10.
    for (int i = 1; i < seen.size(); ++i)
        QCOMPARE(seen[i], seen[i - 1] == 10 ? 0 : seen[i - 1] + 1);
}

void TestProgressWait::setMaxValueRules()
{
    ProgressWait w;
    w.setCurrentValue(5);
    w.setMaxValue(10);
    QCOMPARE(w.currentValue(), 5);
    QCOMPARE(w.maxValue(), 10);

    for (int refused : {0, -1, -100}) {
        w.setMaxValue(refused);
        QCOMPARE(w.maxValue(), 10);
        QCOMPARE(w.currentValue(), 5);
    }
    // Painting never sees a refused value (would divide by zero).
    for (Style s : {ProgressWait::BarStyle_RoundCircle, ProgressWait::BarStyle_Line, ProgressWait::BarStyle_Pie}) {
        w.setBarStyle(s);
        w.resize(50, 50);
        paint(w);
    }

    w.setMaxValue(12);
    QCOMPARE(w.maxValue(), 12);
    QCOMPARE(w.currentValue(), 0);
    w.setMaxValue(1);
    QCOMPARE(w.maxValue(), 1);

    QVERIFY(w.setProperty("maxValue", 4));
    QCOMPARE(w.maxValue(), 4);
}

void TestProgressWait::setIntervalRetimesTimer()
{
    ProgressWait w;
    QTimer *timer = w.findChild<QTimer *>();
    w.setInterval(40);
    QCOMPARE(w.interval(), 40);
    QCOMPARE(timer->interval(), 40);
    QVERIFY(timer->isActive());
    w.setInterval(-5);
    QCOMPARE(w.interval(), 40);
    QCOMPARE(timer->interval(), 40);
    QVERIFY(timer->isActive());
}

void TestProgressWait::roundCircleDots()
{
    QFETCH(QSize, size);
    QFETCH(bool, clockWise);
    QFETCH(int, current);
    ProgressWait w;
    prepare(w, ProgressWait::BarStyle_RoundCircle, size, clockWise, current);
    const QImage img = paint(w);

    // Ten dots of diameter 32 on radius 82.5, the i-th one at
    // (current + i) * 36 degrees (y down), fading from alpha 229 to 30.
    const double step = clockWise ? 36.0 : -36.0;
    for (int i = 0; i < 10; ++i) {
        const double a = qDegreesToRadians((current + i) * step);
        const double cx = int(82.5 * qCos(a) - 16) + 16;
        const double cy = int(82.5 * qSin(a) - 16) + 16;
        const int expected = qMax(30, int(i / 10.0 * 255));
        const int got = alphaAt(img, cx, cy);
        QVERIFY2(near(got, expected), qPrintable(QString("dot %1: alpha %2, expected %3").arg(i).arg(got).arg(expected)));
        QVERIFY2(near(colourAt(img, cx, cy).red(), 200, 255 / got + 2), qPrintable(colourAt(img, cx, cy).name(QColor::HexArgb)));
        // Halfway to the next dot, on the ring and just inside it, is empty.
        const double mid = a + qDegreesToRadians(step / 2);
        QCOMPARE(alphaAt(img, 82.5 * qCos(mid), 82.5 * qSin(mid)), 0);
        QCOMPARE(alphaAt(img, 75 * qCos(mid), 75 * qSin(mid)), 0);
    }
    QCOMPARE(alphaAt(img, 0, 0), 0);
    QCOMPARE(alphaAt(img, 40, 40), 0);
    QCOMPARE(alphaAt(img, 95, 95), 0);
    // Outside the centred square of a non-square widget nothing is drawn.
    if (size.width() != size.height()) {
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(size.width() - 1, size.height() / 2)), 0);
        QCOMPARE(qAlpha(img.pixel(size.width() / 2, size.height() - 1)), 0);
    }
}

void TestProgressWait::lineSpokes()
{
    QFETCH(QSize, size);
    QFETCH(bool, clockWise);
    QFETCH(int, current);
    ProgressWait w;
    prepare(w, ProgressWait::BarStyle_Line, size, clockWise, current);
    const QImage img = paint(w);

    // Eleven spokes from radius 50 to 95, the i-th turned by i * 36 degrees
    // from straight down; the last lies on the first.
    auto spokeAlpha = [&](int i) {
        int a = int((current - i) / 10.0 * 255);
        if (a < 0)
            a += 255;
        return qMax(30, a);
    };
    const double step = clockWise ? 36.0 : -36.0;
    for (int i = 0; i < 10; ++i) {
        int expected = spokeAlpha(i);
        if (i == 0)
            expected += spokeAlpha(10) * (255 - expected) / 255;
        const double a = qDegreesToRadians(i * step);
        const double sx = -qSin(a), sy = qCos(a);
        const int got = alphaAt(img, 72.5 * sx, 72.5 * sy);
        QVERIFY2(near(got, expected, 3), qPrintable(QString("spoke %1: alpha %2, expected %3").arg(i).arg(got).arg(expected)));
        QVERIFY(alphaAt(img, 52 * sx, 52 * sy) > 0);
        QVERIFY(alphaAt(img, 93 * sx, 93 * sy) > 0);
        // Not inside the hub (the round cap reaches 45), not between spokes.
        QCOMPARE(alphaAt(img, 40 * sx, 40 * sy), 0);
        const double mid = a + qDegreesToRadians(step / 2);
        QCOMPARE(alphaAt(img, -72.5 * qSin(mid), 72.5 * qCos(mid)), 0);
    }
}

void TestProgressWait::pieWedge()
{
    QFETCH(QSize, size);
    QFETCH(bool, clockWise);
    QFETCH(int, current);
    ProgressWait w;
    prepare(w, ProgressWait::BarStyle_Pie, size, clockWise, current);
    const QImage img = paint(w);

    // A 60 degree wedge starting at the integer step angle 32 * current.
    const double start = clockWise ? -32.0 * current : 32.0 * current;
    for (double offset : {5.0, 30.0, 55.0}) {
        const QPointF p = polar(start + offset, 60);
        QCOMPARE(colourAt(img, p.x(), p.y()), fg);
    }
    for (double offset : {-30.0, -5.0, 65.0, 90.0, 180.0, 270.0}) {
        const QPointF p = polar(start + offset, 60);
        QCOMPARE(colourAt(img, p.x(), p.y()), bg);
    }
    QCOMPARE(alphaAt(img, 90, 90), 0);
    QCOMPARE(alphaAt(img, -90, 90), 0);
}

void TestProgressWait::ringPieces()
{
    QFETCH(QSize, size);
    QFETCH(bool, clockWise);
    QFETCH(int, current);
    ProgressWait w;
    prepare(w, ProgressWait::BarStyle_Ring, size, clockWise, current);
    const QImage img = paint(w);

    // A quarter of the ring in the main colour from the step angle, the
    // other three quarters in the second colour, the inner disc empty.
    const double start = clockWise ? -32.0 * current : 32.0 * current;
    for (double offset : {5.0, 45.0, 85.0}) {
        const QPointF p = polar(start + offset, 84);
        QCOMPARE(colourAt(img, p.x(), p.y()), fg);
    }
    for (double offset : {95.0, 180.0, 265.0, 355.0}) {
        const QPointF p = polar(start + offset, 84);
        QCOMPARE(colourAt(img, p.x(), p.y()), bg);
    }
    for (double deg : {0.0, 45.0, 200.0}) {
        const QPointF p = polar(deg, 60);
        QCOMPARE(alphaAt(img, p.x(), p.y()), 0);
    }
    QCOMPARE(alphaAt(img, 0, 0), 0);
}

void TestProgressWait::singleCircleGrowsWithPhase()
{
    ProgressWait w;
    prepare(w, ProgressWait::BarStyle_SingleCircle, QSize(300, 200), true, 4);
    QImage img = paint(w);
    QCOMPARE(colourAt(img, 0, 0), fg);
    QCOMPARE(colourAt(img, 36, 0), fg);
    QCOMPARE(alphaAt(img, 44, 0), 0);
    QCOMPARE(alphaAt(img, 0, -44), 0);

    w.setCurrentValue(0);
    img = paint(w);
    QCOMPARE(alphaAt(img, 3, 3), 0);
}

void TestProgressWait::doubleCircleBreathes()
{
    ProgressWait w;
    prepare(w, ProgressWait::BarStyle_DoubleCircle, QSize(200, 200), true, 0);

    auto radii = [&](const QImage &img) {
        // Runs from the two centres (50, 100) and (150, 100) outwards.
        return qMakePair(runLength(img, 50, 100, -1), runLength(img, 150, 100, 1));
    };
    const QList<int> left = {26, 32, 38, 44, 38, 32, 26, 20, 26, 32};
    const QList<int> right = {34, 28, 22, 16, 22, 28, 34, 40, 34, 28};
    for (int i = 0; i < left.size(); ++i) {
        const QImage img = paint(w);
        const auto r = radii(img);
        QVERIFY2(near(r.first, left[i], 1) && near(r.second, right[i], 1),
                 qPrintable(QString("paint %1: radii %2/%3").arg(i).arg(r.first).arg(r.second)));
        QCOMPARE(colourAt(img, -50, 0), fg);
        QCOMPARE(colourAt(img, 50, 0), bg);
    }

    // A resize in this style starts the cycle again ...
    w.resize(200, 210);
    auto r = radii(paint(w));
    QVERIFY2(near(r.first, 26, 1) && near(r.second, 34, 1), qPrintable(QString("%1/%2").arg(r.first).arg(r.second)));

    // ... in another style it does not.
    paint(w);
    w.setBarStyle(ProgressWait::BarStyle_Pie);
    w.resize(200, 200);
    paint(w);
    w.setBarStyle(ProgressWait::BarStyle_DoubleCircle);
    r = radii(paint(w));
    QVERIFY2(near(r.first, 38, 1) && near(r.second, 22, 1), qPrintable(QString("%1/%2").arg(r.first).arg(r.second)));
}

void TestProgressWait::percentText()
{
    auto expectedText = [](const QSize &size, const QString &text, const QColor &colour) {
        QImage img(size, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        const int side = qMin(size.width(), size.height());
        p.translate(size.width() / 2, size.height() / 2);
        p.scale(side / 200.0, side / 200.0);
        // The family comes from the widget's own font.
        QFont font("Arial");
        font.setPixelSize(40);
        font.setBold(true);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRect(-100, -100, 200, 200), Qt::AlignCenter, text);
        return img;
    };

    ProgressWait w;
    w.setBarStyle(static_cast<Style>(99));
    w.setTextColor(Qt::darkRed);
    w.resize(300, 200);
    QCOMPARE(paint(w), expectedText(w.size(), "0%", Qt::darkRed));

    w.onChangeValue(42);
    QCOMPARE(paint(w), expectedText(w.size(), "42%", Qt::darkRed));
    // The phase never touches the text.
    w.updateValue();
    w.setCurrentValue(9);
    QCOMPARE(paint(w), expectedText(w.size(), "42%", Qt::darkRed));
    w.onChangeValue(-7);
    QCOMPARE(paint(w), expectedText(w.size(), "-7%", Qt::darkRed));

    w.setShowPercent(false);
    QCOMPARE(paint(w), expectedText(w.size(), "", Qt::darkRed));
}

void TestProgressWait::unknownStyleDrawsNothing()
{
    ProgressWait w;
    w.setShowPercent(false);
    w.setBarStyle(static_cast<Style>(7));
    w.resize(120, 120);
    QImage empty(w.size(), QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    QCOMPARE(paint(w), empty);
}

void TestProgressWait::busyWindowShape()
{
    frmProgressWait form(QString::fromUtf8("正在连接设备..."));
    QVERIFY(form.isVisible());
    QVERIFY(form.isWindow());
    QCOMPARE(form.windowTitle(), QString("Form"));
    QCOMPARE(form.size(), QSize(209, 144));
    QVERIFY(form.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(form.testAttribute(Qt::WA_ShowModal));
    QCOMPARE(form.windowModality(), Qt::ApplicationModal);
    const Qt::WindowFlags wanted = Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
    QCOMPARE(form.windowFlags() & ~Qt::WindowType_Mask, wanted);

    auto *label = form.findChild<QLabel *>("labelText");
    QVERIFY(label);
    QCOMPARE(label->text(), QString::fromUtf8("正在连接设备..."));
    QCOMPARE(label->font().family(), QString::fromUtf8("微软雅黑"));
    QCOMPARE(label->font().pointSize(), 10);
    QCOMPARE(label->font().weight(), 9);
    QVERIFY(!label->font().italic());
    QCOMPARE(label->styleSheet(), QString("color: rgb(0, 170, 255);"));

    auto *wait = form.findChild<ProgressWait *>("progressWait1");
    QVERIFY(wait);
    QCOMPARE(wait->showPercent(), false);
    QCOMPARE(wait->barStyle(), ProgressWait::BarStyle_RoundCircle);
    QCOMPARE(wait->foreground(), QColor(Qt::darkGreen));

    auto *vbox = form.findChild<QVBoxLayout *>("verticalLayout");
    QVERIFY(vbox);
    QCOMPARE(vbox->contentsMargins().top(), 20);
    QCOMPARE(vbox->contentsMargins().bottom(), 20);
    QCOMPARE(vbox->stretch(0), 1110);
    QCOMPARE(vbox->stretch(1), 0);
    QCOMPARE(vbox->itemAt(0)->widget(), wait);
    auto *hbox = form.findChild<QHBoxLayout *>("horizontalLayout");
    QVERIFY(hbox);
    QCOMPARE(hbox->count(), 3);
    QCOMPARE(hbox->itemAt(1)->widget(), label);
    for (int i : {0, 2}) {
        QSpacerItem *spacer = hbox->itemAt(i)->spacerItem();
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), QSize(40, 20));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    }
}

void TestProgressWait::busyWindowForwardsPercent()
{
    frmProgressWait form("x");
    auto *wait = form.findChild<ProgressWait *>("progressWait1");
    wait->setInterval(1000000); // keep the phase still while comparing
    const QImage before = paint(*wait);
    emit form.sigChangeValue(42);
    QCOMPARE(paint(*wait), before); // percent text is off in the busy window

    // The value did arrive: with the text on it shows 42%.
    wait->setShowPercent(true);
    ProgressWait reference;
    reference.setShowPercent(true);
    reference.setBarStyle(ProgressWait::BarStyle_RoundCircle);
    reference.setForeground(Qt::darkGreen);
    reference.setCurrentValue(wait->currentValue());
    reference.onChangeValue(42);
    reference.resize(wait->size());
    QCOMPARE(paint(*wait), paint(reference));
}

void TestProgressWait::busyWindowDragsWithAnyButton_data()
{
    QTest::addColumn<int>("buttonCode");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void TestProgressWait::busyWindowDragsWithAnyButton()
{
    QFETCH(int, buttonCode);
    const auto button = Qt::MouseButton(buttonCode);
    frmProgressWait form("x");
    form.move(100, 80);
    QTRY_COMPARE(form.pos(), QPoint(100, 80));

    const QPoint local(30, 40);
    const QPoint pressAt = form.pos() + local;
    QMouseEvent press(QEvent::MouseButtonPress, local, pressAt, button, button, Qt::NoModifier);
    QApplication::sendEvent(&form, &press);
    const QPoint moveTo = pressAt + QPoint(57, -23);
    QMouseEvent move(QEvent::MouseMove, local + QPoint(57, -23), moveTo, Qt::NoButton, button, Qt::NoModifier);
    QApplication::sendEvent(&form, &move);
    QTRY_COMPARE(form.pos(), QPoint(157, 57));
}

void TestProgressWait::busyWindowDone()
{
    QPointer<frmProgressWait> form = new frmProgressWait("x");
    QSignalSpy done(form.data(), &frmProgressWait::sigDone);
    form->onDone();
    QVERIFY(!form->isVisible());
    QVERIFY(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!form);
    QCOMPARE(done.count(), 0);
}

QTEST_MAIN(TestProgressWait)
#include "tst_progresswait.moc"
