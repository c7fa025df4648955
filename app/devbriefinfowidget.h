#pragma once

// One supply found by a search: its address, identity and a brief live
// status polled over UDP once a second, with buttons to open its device
// page, clear its alarm and close the card.

#include <QDateTime>
#include <QString>
#include <QTimer>
#include <QUdpSocket>
#include <QWidget>

namespace Ui {
class DevBriefInfoWidget;
}

// What a discovery reply tells a card about its supply.
struct ST_BriefInfo {
    QString IPAddr;
    quint8 devAddr = 0;
    QString manufacturer;
    QString rating;
};

class DevBriefInfoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DevBriefInfoWidget(QWidget *parent = nullptr);
    ~DevBriefInfoWidget() override;

    void setBriefInfo(const ST_BriefInfo &info);

signals:
    void sigConnectDev(QString IPAddr);

private slots:
    void onTimeOut();
    void onProcessPendingDatagrams();
    void onPushButtonClicked();
    void onCloseBtnClicked();
    void onConnectBtnClicked();

private:
    void sendToSupply(const QByteArray &datagram);

    Ui::DevBriefInfoWidget *ui;
    QUdpSocket statusSocket;
    QTimer pollTimer;
    QDateTime lastSeen;
    quint8 devAddr = 0;
};
