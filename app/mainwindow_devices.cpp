// Device pages in the tab area: one tab per connected supply, titled with
// its IP address.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "devwidget_klv2400.h"

#include <QMessageBox>
#include <QTimer>

namespace {

// A page inside its connect wait must not be destroyed; a refused window
// close is retried at this pace until the wait is over.
constexpr int kCloseRetryMs = 200;

} // namespace

void MainWindow::onConnectDevice(QString IPAddr)
{
    for (int i = 0; i < ui->tabWidget->count(); ++i) {
        if (ui->tabWidget->tabText(i) == IPAddr) {
            QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("设备已添加！"), QMessageBox::Ok);
            return;
        }
    }

    auto *page = new DevWidget_KLV2400(this);
    if (page->openDevice(IPAddr)) {
        const int index = ui->tabWidget->addTab(page, IPAddr);
        ui->tabWidget->setCurrentIndex(index);
    } else {
        delete page;
    }
}

void MainWindow::onTabCloseRequested(int index)
{
    auto *page = qobject_cast<DevWidget_KLV2400 *>(ui->tabWidget->widget(index));
    if (!page || page->isConnecting() || !page->closeCheck(false))
        return;
    ui->tabWidget->removeTab(ui->tabWidget->indexOf(page));
    page->deleteLater();
}

bool MainWindow::closeAllPages()
{
    QList<DevWidget_KLV2400 *> pages;
    for (int i = 0; i < ui->tabWidget->count(); ++i)
        if (auto *page = qobject_cast<DevWidget_KLV2400 *>(ui->tabWidget->widget(i)))
            pages << page;

    for (DevWidget_KLV2400 *page : pages) {
        if (page->isConnecting()) {
            // The operator asked to close: do it once the connect wait is over.
            QTimer::singleShot(kCloseRetryMs, this, &QWidget::close);
            return false;
        }
    }
    for (DevWidget_KLV2400 *page : pages) {
        page->closeCheck(true);
        page->deleteLater();
    }
    return true;
}
