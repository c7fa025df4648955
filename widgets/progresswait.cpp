#include "progresswait.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QtMath>

namespace {

const double degToRad = 0.017453292519943295;

// Tail alphas fade towards 0 but never below the faintest visible level.
int visibleAlpha(int alpha)
{
    return qBound(30, alpha, 255);
}

QColor withAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

} // namespace

ProgressWait::ProgressWait(QWidget *parent)
    : QWidget(parent),
      m_clockWise(true),
      m_showPercent(true),
      m_currentValue(0),
      m_maxValue(10),
      m_interval(100),
      m_barStyle(BarStyle_Line),
      m_background(255, 255, 255),
      m_foreground(50, 60, 255),
      m_textColor(50, 60, 255),
      percentValue(0)
{
    resetDoubleCircle();

    timer = new QTimer(this);
    timer->setInterval(m_interval);
    connect(timer, &QTimer::timeout, this, &ProgressWait::updateValue);
    timer->start();

    setFont(QFont("Arial", 8));
}

ProgressWait::~ProgressWait()
{
    if (timer->isActive())
        timer->stop();
}

QSize ProgressWait::sizeHint() const
{
    return QSize(100, 100);
}

QSize ProgressWait::minimumSizeHint() const
{
    return QSize(20, 20);
}

void ProgressWait::updateValue()
{
    if (m_currentValue < m_maxValue)
        ++m_currentValue;
    else
        m_currentValue = 0;
    update();
}

void ProgressWait::onChangeValue(int value)
{
    percentValue = value;
    update();
}

void ProgressWait::setClockWise(bool clockWise)
{
    if (m_clockWise == clockWise)
        return;
    m_clockWise = clockWise;
    update();
}

void ProgressWait::setShowPercent(bool showPercent)
{
    if (m_showPercent == showPercent)
        return;
    m_showPercent = showPercent;
    update();
}

void ProgressWait::setCurrentValue(int currentValue)
{
    if (m_currentValue == currentValue)
        return;
    m_currentValue = currentValue;
    update();
}

void ProgressWait::setMaxValue(int maxValue)
{
    // Below 1 the step angles become infinite or divide by zero.
    if (maxValue < 1 || m_maxValue == maxValue)
        return;
    m_maxValue = maxValue;
    m_currentValue = 0;
    update();
}

void ProgressWait::setInterval(int interval)
{
    // A timer cannot run with a negative period.
    if (interval < 0 || m_interval == interval)
        return;
    m_interval = interval;
    timer->setInterval(interval);
    update();
}

void ProgressWait::setBarStyle(BarStyle barStyle)
{
    if (m_barStyle == barStyle)
        return;
    m_barStyle = barStyle;
    update();
}

void ProgressWait::setBackground(const QColor &background)
{
    if (m_background == background)
        return;
    m_background = background;
    update();
}

void ProgressWait::setForeground(const QColor &foreground)
{
    if (m_foreground == foreground)
        return;
    m_foreground = foreground;
    update();
}

void ProgressWait::setTextColor(const QColor &textColor)
{
    if (m_textColor == textColor)
        return;
    m_textColor = textColor;
    update();
}

void ProgressWait::resizeEvent(QResizeEvent *event)
{
    if (m_barStyle == BarStyle_DoubleCircle)
        resetDoubleCircle();
    QWidget::resizeEvent(event);
}

void ProgressWait::paintEvent(QPaintEvent *)
{
    const int side = qMin(width(), height());
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(width() / 2, height() / 2);
    painter.scale(side / 200.0, side / 200.0);

    switch (m_barStyle) {
    case BarStyle_Arc: drawArc(&painter); break;
    case BarStyle_RoundCircle: drawRoundCircle(&painter); break;
    case BarStyle_Pie: drawPie(&painter); break;
    case BarStyle_Line: drawLine(&painter); break;
    case BarStyle_Ring: drawRing(&painter); break;
    case BarStyle_SingleCircle: drawSingleCircle(&painter); break;
    case BarStyle_DoubleCircle: drawDoubleCircle(&painter); break;
    }

    if (m_showPercent)
        drawValue(&painter);
}

int ProgressWait::stepAngle() const
{
    return (360 / (m_maxValue + 1)) * m_currentValue;
}

void ProgressWait::resetDoubleCircle()
{
    leftRadius = 20;
    rightRadius = 40;
    minRadius = 20;
    maxRadius = 40;
    radiusStep = 6;
    leftIncrease = true;
    rightIncrease = false;
}

void ProgressWait::drawArc(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);

    const double theta = m_clockWise ? -stepAngle() : stepAngle();
    const double theta2 = theta + 180;
    const double cx1 = 49 * qCos(theta * degToRad);
    const double cy1 = -49 * qSin(theta * degToRad);
    const double cx2 = 49 * qCos(theta2 * degToRad);
    const double cy2 = -49 * qSin(theta2 * degToRad);
    const QPointF start(99 * qCos(theta * degToRad), -99 * qSin(theta * degToRad));
    const QRectF outer(-99, -99, 198, 198);
    const QRectF small1(cx1 - 49, cy1 - 49, 98, 98);
    const QRectF small2(cx2 - 49, cy2 - 49, 98, 98);

    // The two halves share the S-curve through both small circles.
    for (const double firstSweep : {180.0, -180.0}) {
        QPainterPath path;
        path.moveTo(start);
        path.arcTo(outer, theta, firstSweep);
        path.arcTo(small2, theta2, 180);
        path.arcTo(small1, theta2, -180);
        painter->setBrush(firstSweep > 0 ? m_foreground : m_background);
        painter->drawPath(path);
    }

    painter->setBrush(m_foreground);
    painter->drawEllipse(QRectF(cx1 - 16, cy1 - 16, 32, 32));
    painter->setBrush(m_background);
    painter->drawEllipse(QRectF(cx2 - 16, cy2 - 16, 32, 32));

    painter->restore();
}

void ProgressWait::drawRoundCircle(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);

    const double step = (m_clockWise ? 360.0 : -360.0) / m_maxValue;
    for (int i = 0; i < m_maxValue; ++i) {
        const double angle = (m_currentValue + i) * step * degToRad;
        const double x = 82.5 * qCos(angle);
        const double y = 82.5 * qSin(angle);
        const int alpha = visibleAlpha(int(double(i) / m_maxValue * 255));
        painter->setBrush(withAlpha(m_foreground, alpha));
        painter->drawEllipse(int(x - 16), int(y - 16), 32, 32);
    }

    painter->restore();
}

void ProgressWait::drawPie(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);

    const QRect rect(-99, -99, 198, 198);
    painter->setBrush(m_background);
    painter->drawEllipse(rect);

    const int startAngle = stepAngle() * 16;
    painter->setBrush(m_foreground);
    painter->drawPie(rect, m_clockWise ? -startAngle : startAngle, 960);

    painter->restore();
}

void ProgressWait::drawLine(QPainter *painter)
{
    painter->save();
    painter->setBrush(Qt::NoBrush);
    QPen pen;
    pen.setWidth(10);
    pen.setCapStyle(Qt::RoundCap);

    const double step = (m_clockWise ? 360.0 : -360.0) / m_maxValue;
    for (int i = 0; i <= m_maxValue; ++i) {
        int alpha = int(double(m_currentValue - i) / m_maxValue * 255);
        if (alpha < 0)
            alpha += 255;
        pen.setColor(withAlpha(m_foreground, visibleAlpha(alpha)));
        painter->setPen(pen);
        painter->drawLine(0, 50, 0, 95);
        painter->rotate(step);
    }

    painter->restore();
}

void ProgressWait::drawRing(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);

    const QRectF rect(-99, -99, 198, 198);
    QPainterPath inner;
    inner.addEllipse(rect.adjusted(30, 30, -30, -30));

    const int angle = stepAngle();
    QPainterPath pathA;
    pathA.moveTo(0, 0);
    pathA.arcTo(rect, m_clockWise ? -angle : angle, 90);
    painter->setBrush(m_foreground);
    painter->drawPath(pathA.subtracted(inner));

    QPainterPath pathB;
    pathB.moveTo(0, 0);
    pathB.arcTo(rect, m_clockWise ? -(angle - 90) : angle + 90, 270);
    painter->setBrush(m_background);
    painter->drawPath(pathB.subtracted(inner));

    painter->restore();
}

void ProgressWait::drawSingleCircle(QPainter *painter)
{
    painter->save();
    painter->setPen(Qt::NoPen);

    const int radius = m_currentValue * 10;
    painter->setBrush(m_foreground);
    painter->drawEllipse(QPoint(0, 0), radius, radius);

    painter->restore();
}

void ProgressWait::drawDoubleCircle(QPainter *painter)
{
    // Advances on every paint, not only on timer ticks.
    if (leftRadius <= minRadius)
        leftIncrease = true;
    else if (leftRadius >= maxRadius)
        leftIncrease = false;
    if (rightRadius <= minRadius)
        rightIncrease = true;
    else if (rightRadius >= maxRadius)
        rightIncrease = false;
    leftRadius += leftIncrease ? radiusStep : -radiusStep;
    rightRadius += rightIncrease ? radiusStep : -radiusStep;

    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_foreground);
    painter->drawEllipse(QPoint(-50, 0), leftRadius, leftRadius);
    painter->setBrush(m_background);
    painter->drawEllipse(QPoint(50, 0), rightRadius, rightRadius);
    painter->restore();
}

void ProgressWait::drawValue(QPainter *painter)
{
    painter->save();

    QFont font;
    font.setPixelSize(40);
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    painter->setPen(m_textColor);
    painter->drawText(QRect(-100, -100, 200, 200), Qt::AlignCenter,
                      QString("%1%").arg(percentValue));

    painter->restore();
}
