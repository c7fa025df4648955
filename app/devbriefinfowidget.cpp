#include "devbriefinfowidget.h"

#include "discoveryframes.h"
#include "ui_devbriefinfowidget.h"

#include <QHostAddress>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QPushButton>

namespace {

const char lampGreen[] = "background-color: #00ff00;border-radius:10px;";
const char lampRed[] = "background-color: #ff0000; color: rgb(255, 255, 255);border-radius:10px;";
const char lampGrey[] = "background-color: #cccccc;border-radius:10px;";

constexpr int pollIntervalMs = 1000;
constexpr qint64 silentSecsForGrey = 4;

} // namespace

DevBriefInfoWidget::DevBriefInfoWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::DevBriefInfoWidget)
{
    ui->setupUi(this);
    // Every text here comes from the network: never let it be read as markup.
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);

    connect(&pollTimer, &QTimer::timeout, this, &DevBriefInfoWidget::onTimeOut);
    connect(&statusSocket, &QUdpSocket::readyRead, this, &DevBriefInfoWidget::onProcessPendingDatagrams);
    connect(ui->pushButton, &QPushButton::clicked, this, &DevBriefInfoWidget::onPushButtonClicked);
    connect(ui->btn_close, &QPushButton::clicked, this, &DevBriefInfoWidget::onCloseBtnClicked);
    connect(ui->btn_devConnect, &QPushButton::clicked, this, &DevBriefInfoWidget::onConnectBtnClicked);

    lastSeen = QDateTime::currentDateTime();
    pollTimer.start(pollIntervalMs);
}

DevBriefInfoWidget::~DevBriefInfoWidget()
{
    delete ui;
}

void DevBriefInfoWidget::setBriefInfo(const ST_BriefInfo &info)
{
    ui->lab_IPAddr->setText(info.IPAddr);
    devAddr = info.devAddr;
    ui->lab_manufacturer->setText(info.manufacturer);
    ui->lab_specification->setText(info.rating);
}

void DevBriefInfoWidget::onTimeOut()
{
    if (lastSeen.secsTo(QDateTime::currentDateTime()) >= silentSecsForGrey)
        ui->pushButton->setStyleSheet(QLatin1String(lampGrey));
    sendToSupply(statusRequest(devAddr));
}

void DevBriefInfoWidget::onProcessPendingDatagrams()
{
    while (statusSocket.hasPendingDatagrams()) {
        // Any datagram at all shows the supply is alive.
        lastSeen = QDateTime::currentDateTime();
        const QNetworkDatagram datagram = statusSocket.receiveDatagram();
        if (!datagram.isValid())
            break;
        // Wrong-length datagrams (such as the answer to a clear-alarm
        // command) are dropped; the status behind them is still read now.
        const std::optional<BriefStatus> status = parseStatusReply(datagram.data());
        if (!status)
            continue;
        const BriefStatusTexts texts = briefStatusTexts(*status);
        ui->lab_testFunc->setText(texts.testFunc);
        ui->lab_outPutState->setText(texts.outputState);
        ui->pushButton->setStyleSheet(QLatin1String(texts.alarm ? lampRed : lampGreen));
        ui->lab_vol->setText(texts.voltage);
        ui->lab_cur->setText(texts.current);
        ui->lab_power->setText(texts.power);
    }
}

void DevBriefInfoWidget::onPushButtonClicked()
{
    const QString state = ui->lab_outPutState->text();
    if (state == QLatin1String("ON") || state == QLatin1String("OFF"))
        return;
    QMessageBox box(QMessageBox::Information, tr("提示"), tr("是否清除当前报警？"),
                    QMessageBox::Ok | QMessageBox::Cancel, nullptr);
    box.button(QMessageBox::Ok)->setText(tr("是"));
    box.button(QMessageBox::Cancel)->setText(tr("否"));
    if (box.exec() == QMessageBox::Ok)
        sendToSupply(clearAlarmCommand(devAddr));
}

void DevBriefInfoWidget::onCloseBtnClicked()
{
    deleteLater();
}

void DevBriefInfoWidget::onConnectBtnClicked()
{
    emit sigConnectDev(ui->lab_IPAddr->text());
}

void DevBriefInfoWidget::sendToSupply(const QByteArray &datagram)
{
    statusSocket.writeDatagram(datagram, QHostAddress(ui->lab_IPAddr->text()), discoveryPort);
}
