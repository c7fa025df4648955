#pragma once

// The single top-level window: tool bar, device-card pane, device-page tabs
// and log pane.

#include "adapterlist.h"

#include <QMainWindow>
#include <QString>
#include <QTextBlockFormat>
#include <QTranslator>
#include <QUdpSocket>

#include <functional>

namespace Ui {
class MainWindow;
}
class QAction;
class QMenu;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Where the adapter choice comes from; the default lists the machine's
    // real interfaces. Tests replace it so a search never reaches the LAN.
    void setAdapterSource(std::function<QList<AdapterInfo>()> source);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onSearchBtnClicked();
    void onHelpBtnClicked();
    void onAboutBtnClicked();
    void onProcessPendingDatagrams();
    void onConnectDevice(QString IPAddr);
    void onTabCloseRequested(int index);
    void onShowLogInfo(QString msg, int logType);
    void onLanguageCN();
    void onLanguageEN();

private:
    void initWindow();
    void onNetworkSetBtnClicked();
    void retranslateOwnTexts();
    bool closeAllPages();   // at shutdown; false while a page is still connecting
    void applyStyleSheet();
    void appendLogLine(const QString &line);

    Ui::MainWindow *ui;
    QTranslator translator;
    QUdpSocket discoverySocket;
    QString adapterSelection;
    QString language;
    QMenu *languageMenu = nullptr;
    QAction *actionCN = nullptr;
    QAction *actionEN = nullptr;
    QTextBlockFormat logBlockFormat;   // line spacing of the log pane
    std::function<QList<AdapterInfo>()> adapterSource;
};
