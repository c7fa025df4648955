#ifndef PROGRESSWAIT_H
#define PROGRESSWAIT_H

#include <QColor>
#include <QWidget>

class QPainter;
class QTimer;

// Self-animating busy indicator. A timer advances the phase (currentValue)
// from 0 to maxValue and round again; each phase is drawn in one of seven
// styles inside a centred 200 x 200 logical square.
class ProgressWait : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool clockWise READ clockWise WRITE setClockWise)
    Q_PROPERTY(bool showPercent READ showPercent WRITE setShowPercent)
    Q_PROPERTY(int currentValue READ currentValue WRITE setCurrentValue)
    Q_PROPERTY(int maxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(int interval READ interval WRITE setInterval)
    Q_PROPERTY(BarStyle barStyle READ barStyle WRITE setBarStyle)
    Q_PROPERTY(QColor background READ background WRITE setBackground)
    Q_PROPERTY(QColor foreground READ foreground WRITE setForeground)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)

public:
    // A fixed underlying type: a style number from outside the list (a
    // property set by name or number) is then a defined value that draws
    // no bar, not undefined behaviour.
    enum BarStyle : int {
        BarStyle_Arc = 0,
        BarStyle_RoundCircle = 1,
        BarStyle_Pie = 2,
        BarStyle_Line = 3,
        BarStyle_Ring = 4,
        BarStyle_SingleCircle = 5,
        BarStyle_DoubleCircle = 6
    };
    Q_ENUM(BarStyle)

    explicit ProgressWait(QWidget *parent = nullptr);
    ~ProgressWait() override;

    bool clockWise() const { return m_clockWise; }
    bool showPercent() const { return m_showPercent; }
    int currentValue() const { return m_currentValue; }
    int maxValue() const { return m_maxValue; }
    int interval() const { return m_interval; }
    BarStyle barStyle() const { return m_barStyle; }
    QColor background() const { return m_background; }
    QColor foreground() const { return m_foreground; }
    QColor textColor() const { return m_textColor; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void updateValue();
    void onChangeValue(int value);
    void setClockWise(bool clockWise);
    void setShowPercent(bool showPercent);
    void setCurrentValue(int currentValue);
    void setMaxValue(int maxValue);
    void setInterval(int interval);
    void setBarStyle(BarStyle barStyle);
    void setBackground(const QColor &background);
    void setForeground(const QColor &foreground);
    void setTextColor(const QColor &textColor);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int stepAngle() const;
    void resetDoubleCircle();
    void drawArc(QPainter *painter);
    void drawRoundCircle(QPainter *painter);
    void drawPie(QPainter *painter);
    void drawLine(QPainter *painter);
    void drawRing(QPainter *painter);
    void drawSingleCircle(QPainter *painter);
    void drawDoubleCircle(QPainter *painter);
    void drawValue(QPainter *painter);

    bool m_clockWise;
    bool m_showPercent;
    int m_currentValue;
    int m_maxValue;
    int m_interval;
    BarStyle m_barStyle;
    QColor m_background;
    QColor m_foreground;
    QColor m_textColor;

    int percentValue;

    // Double-circle animation: two radii breathing in opposite phase.
    int leftRadius;
    int rightRadius;
    int minRadius;
    int maxRadius;
    int radiusStep;
    bool leftIncrease;
    bool rightIncrease;

    QTimer *timer;
};

#endif // PROGRESSWAIT_H
