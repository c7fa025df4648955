// Finding supplies: adapter choice and the discovery broadcast.
#include "mainwindow.h"

#include "capplog.h"
#include "devbriefinfowidget.h"
#include "discoveryframes.h"
#include "networksetdlg.h"
#include "ui_mainwindow.h"

#include <QNetworkDatagram>

namespace {

QString dottedIPv4(const QHostAddress &address)
{
    const quint32 ip = address.toIPv4Address();
    return QStringLiteral("%1.%2.%3.%4")
        .arg((ip >> 24) & 0xFF).arg((ip >> 16) & 0xFF).arg((ip >> 8) & 0xFF).arg(ip & 0xFF);
}

// The adapter list comes from the injected source when one is set.
QStringList candidatesFrom(const std::function<QList<AdapterInfo>()> &source)
{
    return adapterCandidates(source ? source() : systemAdapters());
}

} // namespace

void MainWindow::setAdapterSource(std::function<QList<AdapterInfo>()> source)
{
    adapterSource = std::move(source);
}

void MainWindow::onSearchBtnClicked()
{
    if (adapterSelection.isEmpty()) {
        const QStringList candidates = candidatesFrom(adapterSource);
        if (candidates.size() == 1) {
            adapterSelection = candidates.first();
        } else {
            NetworkSetDlg dlg(adapterSelection, candidates, nullptr);
            if (dlg.exec() != QDialog::Accepted)
                return;
            adapterSelection = dlg.selectedText();
        }
    }

    const QList<DevBriefInfoWidget *> oldCards =
        ui->scrollAreaWidgetContents->findChildren<DevBriefInfoWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (DevBriefInfoWidget *card : oldCards)
        card->deleteLater();

    const QByteArray request = discoveryRequest();
    discoverySocket.close();
    discoverySocket.bind(QHostAddress(adapterSelection.section(QLatin1Char('('), 0, 0)), 0);
    discoverySocket.writeDatagram(request, QHostAddress(QStringLiteral("255.255.255.255")), discoveryPort);
    CAppLog::instance()->writeLog(tr("搜索设备..."), 0, true);
}

void MainWindow::onProcessPendingDatagrams()
{
    while (discoverySocket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = discoverySocket.receiveDatagram();
        if (!datagram.isValid())
            break;
        const QString IPAddr = dottedIPv4(datagram.senderAddress());
        // A datagram of the wrong length is dropped and reading goes on, so a
        // valid reply queued behind it is not left waiting.
        const std::optional<DeviceIdentity> identity = parseIdentityReply(datagram.data());
        if (!identity || !namesKlv2400(identity->model))
            continue;
        auto *card = new DevBriefInfoWidget(ui->scrollAreaWidgetContents);
        card->setBriefInfo({IPAddr, identity->devAddr, identity->manufacturer, identity->rating});
        connect(card, &DevBriefInfoWidget::sigConnectDev, this, &MainWindow::onConnectDevice);
        ui->verticalLayout_13->insertWidget(0, card);
    }
}

void MainWindow::onNetworkSetBtnClicked()
{
    NetworkSetDlg dlg(adapterSelection, candidatesFrom(adapterSource), nullptr);
    if (dlg.exec() == QDialog::Accepted)
        adapterSelection = dlg.selectedText();
}
