// Finding supplies: adapter choice and the discovery broadcast.
#include "mainwindow.h"

void MainWindow::setAdapterSource(std::function<QList<AdapterInfo>()> source) { adapterSource = source; }
void MainWindow::onSearchBtnClicked() {}
void MainWindow::onProcessPendingDatagrams() {}
void MainWindow::onNetworkSetBtnClicked() {}
