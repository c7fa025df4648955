// Device pages in the tab area: one tab per connected supply, titled with
// its IP address.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "capplog.h"
#include "devwidget_klv2400.h"

#include <QMessageBox>

namespace {

// A page inside its connect wait (which lets user input through) must not be
// destroyed under that call: its tab, and the window, stay until it is over.
// Nothing retries the close on its own: a later close could land inside
// another page's transaction and delete that page under it.
void logStillConnecting(const QString &ip)
{
    CAppLog::instance()->writeLog(MainWindow::tr("%1设备正在连接，请在连接结束后关闭").arg(ip), 1, true);
}

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
    if (!page)
        return;
    if (page->isConnecting()) {
        logStillConnecting(ui->tabWidget->tabText(index));
        return;
    }
    if (!page->closeCheck(false))
        return;
    ui->tabWidget->removeTab(ui->tabWidget->indexOf(page));
    page->deleteLater();
}

bool MainWindow::closeAllPages()
{
    QList<DevWidget_KLV2400 *> pages;
    for (int i = 0; i < ui->tabWidget->count(); ++i) {
        auto *page = qobject_cast<DevWidget_KLV2400 *>(ui->tabWidget->widget(i));
        if (!page)
            continue;
        if (page->isConnecting()) {
            logStillConnecting(ui->tabWidget->tabText(i));
            return false;
        }
        pages << page;
    }
    for (DevWidget_KLV2400 *page : pages) {
        page->closeCheck(true);
        page->deleteLater();
    }
    return true;
}
