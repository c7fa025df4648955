// Language switch, help manual and about box.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "appsettings.h"
#include "devwidget_klv2400.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

void MainWindow::onLanguageCN()
{
    QCoreApplication::removeTranslator(&translator);
    ui->retranslateUi(this);
    actionCN->setEnabled(false);
    actionEN->setEnabled(true);
    retranslateOwnTexts();
    writeLanguageSetting("Chinese");
}

void MainWindow::onLanguageEN()
{
    QCoreApplication::installTranslator(&translator);
    ui->retranslateUi(this);
    actionCN->setEnabled(true);
    actionEN->setEnabled(false);
    retranslateOwnTexts();
    writeLanguageSetting("English");
}

// Texts the form does not own. The tab texts are IP addresses and stay.
void MainWindow::retranslateOwnTexts()
{
    actionCN->setText(tr("中文"));
    actionEN->setText(tr("英文"));
    setWindowTitle(tr("KLV2400测试系统"));
    for (int i = 0; i < ui->tabWidget->count(); ++i) {
        if (auto *page = qobject_cast<DevWidget_KLV2400 *>(ui->tabWidget->widget(i)))
            page->retranslate();
    }
}

// The manual follows the saved language, so a switch made in this run counts.
void MainWindow::onHelpBtnClicked()
{
    const QString name = isEnglish(readLanguageSetting()) ? "help_EN.pdf" : "help_CN.pdf";
    const QString path = QString("%1/%2").arg(QCoreApplication::applicationDirPath(), name);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::onAboutBtnClicked()
{
    AboutDialog dialog;
    dialog.exec();
}
