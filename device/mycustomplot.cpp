#include "mycustomplot.h"

MyCustomPlot::MyCustomPlot(QWidget *parent) : QCustomPlot(parent) {}
void MyCustomPlot::setPlotType(int type) { plotType = type; }
void MyCustomPlot::addPoint(double, double) {}
void MyCustomPlot::addPoints(const QVector<double> &, const QVector<double> &) {}
void MyCustomPlot::setPlotData(QVector<double>, QVector<double>) {}
void MyCustomPlot::clearPlot() {}
void MyCustomPlot::retranslatePlot() {}
void MyCustomPlot::mouseMoveEvent(QMouseEvent *event) { QCustomPlot::mouseMoveEvent(event); }
void MyCustomPlot::wheelEvent(QWheelEvent *event) { QCustomPlot::wheelEvent(event); }
