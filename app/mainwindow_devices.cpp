// Device pages in the tab area.
#include "mainwindow.h"

void MainWindow::onConnectDevice(QString) {}
void MainWindow::onTabCloseRequested(int) {}
bool MainWindow::closeAllPages() { return true; }
