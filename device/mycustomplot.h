#pragma once

// One time plot of the device page (voltage or current against seconds),
// keeping a sliding window of windowSeconds.

#include <qcustomplot.h>

#include <QVector>

class WindowGraph;

class MyCustomPlot : public QCustomPlot
{
    Q_OBJECT
public:
    explicit MyCustomPlot(QWidget *parent = nullptr);

    void setPlotType(int type);   // 0 voltage, 1 current
    void addPoint(double time, double value);
    void addPoints(const QVector<double> &times, const QVector<double> &values);
    void setPlotData(QVector<double> times, QVector<double> values);
    void clearPlot();
    void retranslatePlot();

    int windowSeconds = 100000;

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void widenExtremes(double lo, double hi);
    void followNewest(double time);
    void clampTimeStart();
    void redraw();

    WindowGraph *graph = nullptr;
    bool firstPoint = true;
    double valueMax = 0;
    double valueMin = 0;
    int plotType = 0;
    bool redrawPending = false;
};
