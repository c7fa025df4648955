#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appsettings.h"
#include "capplog.h"
#include "klvresources.h"
#include "stylesheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QTextCursor>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    // Loaded always, so a later switch to English needs no file access;
    // installed only when English was saved, before the form takes its texts.
    // The existence check keeps QTranslator from trying look-alike names such
    // as the executable "./KLV2400" when the file is missing.
    const QString translationFile = "./KLV2400_EN.qm";
    if (QFileInfo::exists(translationFile))
        translator.load(translationFile);
    language = readLanguageSetting();
    if (isEnglish(language))
        QCoreApplication::installTranslator(&translator);

    klvInitResources();
    ui->setupUi(this);
    applyStyleSheet();
    initWindow();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::applyStyleSheet()
{
    QFile css(":/default.css");
    if (!css.open(QIODevice::ReadOnly))
        return;
    qApp->setStyleSheet(decodeStyleSheet(css.readAll()));
    css.close();
}

void MainWindow::initWindow()
{
    setWindowTitle(tr("KLV2400测试系统"));
    ui->splitter->setStretchFactor(0, 1);
    ui->splitter->setStretchFactor(1, 0);

    // The form's two placeholder tabs; the second goes first so the first
    // keeps its index.
    ui->tabWidget->removeTab(1);
    ui->tabWidget->removeTab(0);

    languageMenu = new QMenu(this);
    actionCN = languageMenu->addAction(tr("中文"));
    actionEN = languageMenu->addAction(tr("英文"));
    (isEnglish(language) ? actionEN : actionCN)->setEnabled(false);
    ui->tbtn_Language->setMenu(languageMenu);
    ui->tbtn_Language->setPopupMode(QToolButton::InstantPopup);

    QTextCursor cursor = ui->textEdit->textCursor();
    logBlockFormat = cursor.blockFormat();
    logBlockFormat.setLineHeight(5, QTextBlockFormat::LineDistanceHeight);
    cursor.setBlockFormat(logBlockFormat);
    ui->textEdit->setTextCursor(cursor);

    connect(actionCN, &QAction::triggered, this, &MainWindow::onLanguageCN);
    connect(actionEN, &QAction::triggered, this, &MainWindow::onLanguageEN);
    connect(ui->tbtn_searchDev, &QToolButton::clicked, this, &MainWindow::onSearchBtnClicked);
    connect(&discoverySocket, &QUdpSocket::readyRead, this, &MainWindow::onProcessPendingDatagrams);
    connect(CAppLog::instance(), &CAppLog::sigPassMsg, this, &MainWindow::onShowLogInfo);
    connect(ui->tbtn_logClear, &QToolButton::clicked, ui->textEdit, &QTextEdit::clear);
    connect(ui->tabWidget, &QTabWidget::tabCloseRequested, this, &MainWindow::onTabCloseRequested);
    connect(ui->tbtn_help, &QToolButton::clicked, this, &MainWindow::onHelpBtnClicked);
    connect(ui->tbtn_about, &QToolButton::clicked, this, &MainWindow::onAboutBtnClicked);
    connect(ui->tbtn_networkSet, &QToolButton::clicked, this, &MainWindow::onNetworkSetBtnClicked);
}

void MainWindow::onShowLogInfo(QString msg, int logType)
{
    QColor colour;
    switch (logType) {
    case 0: colour = Qt::black; break;
    case 1: colour = Qt::darkYellow; break;
    case 2: colour = Qt::red; break;
    default: break;
    }
    ui->textEdit->setTextColor(colour);
    msg.chop(1);   // every entry ends with a newline; the paragraph replaces it
    appendLogLine(msg);
}

// One paragraph per entry, shown verbatim: QTextEdit::append() would read a
// message that looks like HTML (a device's list name, say) as markup, and the
// pane's line spacing would be lost after the clear button.
void MainWindow::appendLogLine(const QString &line)
{
    QTextEdit *pane = ui->textEdit;
    QScrollBar *bar = pane->verticalScrollBar();
    const bool followEnd = bar->value() >= bar->maximum();
    // Taken first: inserting where the pane's own cursor stands resets it.
    const QTextCharFormat format = pane->currentCharFormat();

    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    if (pane->document()->isEmpty())
        cursor.setBlockFormat(logBlockFormat);
    else
        cursor.insertBlock(logBlockFormat);
    cursor.insertText(line, format);

    if (followEnd)
        bar->setValue(bar->maximum());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A page still waiting for its connection cannot be torn down yet.
    if (!closeAllPages()) {
        event->ignore();
        return;
    }
    event->accept();
}
