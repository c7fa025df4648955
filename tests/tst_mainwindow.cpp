// The main window: its form, start language, style sheet, log pane,
// language switch, help and about.

#include "aboutdialog.h"
#include "capplog.h"
#include "devwidget_klv2400.h"
#include "mainwindow.h"
#include "stylesheet.h"
#include "testsupport.h"
#include "translationfile.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

Q_DECLARE_METATYPE(QMargins)

namespace {

struct LogReset {
    ~LogReset() { delete CAppLog::instance(); }
};

void saveLanguage(const QString &value)
{
    QSettings("./sys_klv.ini", QSettings::IniFormat).setValue("Language", value);
}

QVariant savedLanguage()
{
    return QSettings("./sys_klv.ini", QSettings::IniFormat).value("Language");
}

// The English texts the window is checked against; the real translation
// file is not needed for that.
bool writeEnglish()
{
    QString error;
    const bool ok = writeTranslationFile("KLV2400_EN.qm",
                                         {{"MainWindow", "查找设备", "Search"},
                                          {"MainWindow", " 网络设置", " Network"},
                                          {"MainWindow", " 语言   ", " Language"},
                                          {"MainWindow", " 帮助 ", " Help "},
                                          {"MainWindow", " 关于 ", " About "},
                                          {"MainWindow", "在线设备", "Online devices"},
                                          {"MainWindow", "日志输出", "Log"},
                                          {"MainWindow", "清除", "Clear"},
                                          {"MainWindow", "KLV2400测试系统", "KLV2400 Test System"},
                                          {"MainWindow", "中文", "Chinese"},
                                          {"MainWindow", "英文", "English"},
                                          {"CAppLog", "警告: ", "Warning: "},
                                          {"DevWidget_KLV2400", "未连接", "Not connected"}},
                                         &error);
    if (!ok)
        qWarning("%s", qPrintable(error));
    return ok;
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(name);
}

QToolButton *button(QWidget &w, const char *name) { return child<QToolButton>(w, name); }

QList<QAction *> languageActions(QWidget &w)
{
    QMenu *menu = button(w, "tbtn_Language")->menu();
    return menu ? menu->actions() : QList<QAction *>();
}

// Captures what the window asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("file"); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void startsInChineseWithoutSettings();
    void savedLanguageChoosesStartLanguage_data();
    void savedLanguageChoosesStartLanguage();
    void formTexts_data();
    void formTexts();
    void formLayouts_data();
    void formLayouts();
    void formStructure();
    void everyIconIsInTheResources();
    void styleSheetResourceIsApplied();
    void decodesStyleSheetBytes_data();
    void decodesStyleSheetBytes();
    void logPaneColoursOneParagraphPerLine();
    void logPaneClearKeepsFileAndSpacing();
    void languageSwitchRoundTrip();
    void helpOpensManualOfSavedLanguage_data();
    void helpOpensManualOfSavedLanguage();
    void aboutDialogShowsNameAndVersion();
    void closesWithoutPages();
};

void TestMainWindow::startsInChineseWithoutSettings()
{
    TempWorkDir wd;
    LogReset reset;
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QString("KLV2400测试系统"));
        QCOMPARE(button(w, "tbtn_searchDev")->text(), QString("查找设备"));
        const QList<QAction *> actions = languageActions(w);
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text(), QString("中文"));
        QCOMPARE(actions[1]->text(), QString("英文"));
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isEnabled());
        QCOMPARE(button(w, "tbtn_Language")->popupMode(), QToolButton::InstantPopup);
        QCOMPARE(button(w, "tbtn_Language")->menu()->parent(), &w);
        QCOMPARE(child<QTabWidget>(w, "tabWidget")->count(), 0);
        // Reaching the log during start-up opens the day's file.
        QVERIFY(QDir("log").exists());
    }
    // Start-up and shutdown only read the settings.
    QVERIFY(!QFile::exists("sys_klv.ini"));
}

void TestMainWindow::savedLanguageChoosesStartLanguage_data()
{
    QTest::addColumn<QString>("saved");   // empty: no key at all
    QTest::addColumn<bool>("translationFile");
    QTest::addColumn<bool>("english");     // the "英文" action is disabled
    QTest::addColumn<bool>("englishTexts");
    QTest::newRow("English") << "English" << true << true << true;
    QTest::newRow("English without file") << "English" << false << true << false;
    QTest::newRow("Chinese") << "Chinese" << true << false << false;
    QTest::newRow("no key") << "" << true << false << false;
    QTest::newRow("lower case") << "english" << true << false << false;
    QTest::newRow("trailing blank") << "English " << true << false << false;
}

void TestMainWindow::savedLanguageChoosesStartLanguage()
{
    QFETCH(QString, saved);
    QFETCH(bool, translationFile);
    QFETCH(bool, english);
    QFETCH(bool, englishTexts);
    TempWorkDir wd;
    LogReset reset;
    if (!saved.isEmpty())
        saveLanguage(saved);
    if (translationFile)
        QVERIFY(writeEnglish());
    {
        MainWindow w;
        const QList<QAction *> actions = languageActions(w);
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->isEnabled(), english);
        QCOMPARE(actions[1]->isEnabled(), !english);
        // The form's texts are only translated if the translator was in
        // place before the form was built.
        QCOMPARE(button(w, "tbtn_searchDev")->text(), QString(englishTexts ? "Search" : "查找设备"));
        QCOMPARE(child<QLabel>(w, "label_31")->text(), QString(englishTexts ? "Log" : "日志输出"));
        QCOMPARE(w.windowTitle(), QString(englishTexts ? "KLV2400 Test System" : "KLV2400测试系统"));
        QCOMPARE(actions[1]->text(), QString(englishTexts ? "English" : "英文"));
    }
    // The window's translator leaves with it.
    QCOMPARE(QCoreApplication::translate("MainWindow", "查找设备"), QString("查找设备"));
}

void TestMainWindow::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("search") << "tbtn_searchDev" << "查找设备";
    QTest::newRow("network") << "tbtn_networkSet" << " 网络设置";
    QTest::newRow("language") << "tbtn_Language" << " 语言   ";
    QTest::newRow("help") << "tbtn_help" << " 帮助 ";
    QTest::newRow("about") << "tbtn_about" << " 关于 ";
    QTest::newRow("devices title") << "label" << "在线设备";
    QTest::newRow("log title") << "label_31" << "日志输出";
    QTest::newRow("log clear") << "tbtn_logClear" << "清除";
}

void TestMainWindow::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    QWidget *widget = w.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->property("text").toString(), text);
}

void TestMainWindow::formLayouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");
    QTest::newRow("central") << "verticalLayout_2" << 0 << QMargins(2, 0, 2, 0);
    QTest::newRow("tool bar") << "horizontalLayout" << 0 << QMargins(0, 2, 0, 2);
    QTest::newRow("device pane") << "verticalLayout" << 0 << QMargins(0, 0, 0, 0);
    QTest::newRow("device title") << "horizontalLayout_2" << 7 << QMargins(0, 4, 0, 4);
    QTest::newRow("device cards") << "verticalLayout_13" << 0 << QMargins(0, 0, 0, 0);
    QTest::newRow("log part") << "verticalLayout_10" << 0 << QMargins(0, 0, 0, 0);
    QTest::newRow("log title") << "horizontalLayout_20" << 6 << QMargins(0, 0, 0, 0);
}

void TestMainWindow::formLayouts()
{
    QFETCH(QString, name);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    QLayout *layout = w.findChild<QLayout *>(name);
    QVERIFY2(layout, qPrintable(name));
    QCOMPARE(layout->spacing(), spacing);
    QCOMPARE(layout->contentsMargins(), margins);
}

void TestMainWindow::formStructure()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    QCOMPARE(w.size(), QSize(1049, 768));
    QCOMPARE(w.centralWidget()->objectName(), QString("centralWidget"));

    auto *central = qobject_cast<QBoxLayout *>(w.centralWidget()->layout());
    QVERIFY(central);
    QCOMPARE(central->count(), 2);
    QCOMPARE(central->itemAt(0)->widget()->objectName(), QString("widget"));
    QCOMPARE(central->itemAt(1)->widget()->objectName(), QString("splitter_2"));
    QCOMPARE(central->stretch(0), 0);
    QCOMPARE(central->stretch(1), 1);

    // Tool bar, left to right, with the spacer pushing help and about right.
    QLayout *bar = child<QWidget>(w, "widget")->layout();
    const QStringList order = {"tbtn_searchDev", "tbtn_networkSet", "tbtn_Language", "", "tbtn_help", "tbtn_about"};
    QCOMPARE(bar->count(), order.size());
    for (int i = 0; i < order.size(); ++i) {
        if (order[i].isEmpty()) {
            QVERIFY(bar->itemAt(i)->spacerItem());
            QVERIFY(bar->itemAt(i)->expandingDirections() & Qt::Horizontal);
            continue;
        }
        auto *b = qobject_cast<QToolButton *>(bar->itemAt(i)->widget());
        QVERIFY2(b && b->objectName() == order[i], qPrintable(order[i]));
        QCOMPARE(b->iconSize(), QSize(32, 32));
        QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(!b->icon().isNull());
    }
    QCOMPARE(button(w, "tbtn_logClear")->iconSize(), QSize(24, 24));
    QVERIFY(!button(w, "tbtn_logClear")->icon().isNull());

    auto *outer = child<QSplitter>(w, "splitter_2");
    QCOMPARE(outer->orientation(), Qt::Horizontal);
    QCOMPARE(outer->handleWidth(), 2);
    QCOMPARE(outer->count(), 2);
    QCOMPARE(outer->widget(0)->objectName(), QString("widget_4"));
    QCOMPARE(outer->widget(1)->objectName(), QString("splitter"));
    auto *inner = child<QSplitter>(w, "splitter");
    QCOMPARE(inner->orientation(), Qt::Vertical);
    QCOMPARE(inner->handleWidth(), 2);
    QCOMPARE(inner->count(), 2);
    QCOMPARE(inner->widget(0)->objectName(), QString("tabWidget"));
    QCOMPARE(inner->widget(1)->objectName(), QString("layoutWidget"));
    QCOMPARE(inner->widget(0)->sizePolicy().verticalStretch(), 1);
    QCOMPARE(inner->widget(1)->sizePolicy().verticalStretch(), 0);

    QCOMPARE(child<QWidget>(w, "widget_4")->styleSheet(), QString("QWidget#widget_4{\nborder:1px solid #A0A0A0}"));
    for (const char *titleBar : {"widget_3", "widget_10"})
        QCOMPARE(child<QWidget>(w, titleBar)->styleSheet(), QString("background-color: rgb(0, 102, 102);"));
    for (const char *label : {"label", "label_31"})
        QCOMPARE(child<QWidget>(w, label)->styleSheet(), QString("color: rgb(255, 255, 255);"));

    auto *scroll = child<QScrollArea>(w, "scrollArea");
    QVERIFY(scroll->widgetResizable());
    QCOMPARE(scroll->widget()->objectName(), QString("scrollAreaWidgetContents"));
    // New cards go in above the spacer, which is all the pane holds at start.
    QLayout *cards = child<QLayout>(w, "verticalLayout_13");
    QCOMPARE(cards->count(), 1);
    QVERIFY(cards->itemAt(0)->spacerItem());
    QCOMPARE(cards->itemAt(0)->sizeHint(), QSize(20, 675));
    QVERIFY(cards->itemAt(0)->expandingDirections() & Qt::Vertical);

    QLayout *logBar = child<QLayout>(w, "horizontalLayout_20");
    QCOMPARE(logBar->count(), 3);
    QCOMPARE(logBar->itemAt(0)->widget()->objectName(), QString("label_31"));
    QCOMPARE(logBar->itemAt(1)->sizeHint(), QSize(669, 20));
    QCOMPARE(logBar->itemAt(2)->widget()->objectName(), QString("tbtn_logClear"));
    QLayout *logPart = child<QLayout>(w, "verticalLayout_10");
    QCOMPARE(logPart->itemAt(0)->widget()->objectName(), QString("widget_10"));
    QCOMPARE(logPart->itemAt(1)->widget()->objectName(), QString("textEdit"));

    auto *tabs = child<QTabWidget>(w, "tabWidget");
    QVERIFY(tabs->tabsClosable());
    QCOMPARE(tabs->count(), 0);
    QCOMPARE(tabs->styleSheet(), QString());

    const QFont font = child<QTextEdit>(w, "textEdit")->font();
    QCOMPARE(font.family(), QString("微软雅黑"));
    QCOMPARE(font.pointSize(), 10);
}

void TestMainWindow::everyIconIsInTheResources()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;   // registers the resources
    const QStringList names = {"search", "networkSet", "langSwitch", "help", "about", "clear",
                               "devConnect", "close_white", "connect", "disconnect", "startOutput",
                               "stopOutput", "systemSet", "listSet", "plotSave", "pause", "start",
                               "vernier", "folderOpen", "import", "save", "pdfPrint"};
    QSet<QByteArray> seen;
    for (const QString &name : names) {
        const QImage image(":/icon/" + name + ".png");
        QVERIFY2(!image.isNull(), qPrintable(name));
        QVERIFY2(image.width() >= 32 && image.width() == image.height(), qPrintable(name));
        QVERIFY2(image.hasAlphaChannel(), qPrintable(name));
        // A drawing on a transparent ground, neither empty nor a filled square.
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 0;
        const int all = image.width() * image.height();
        QVERIFY2(opaque > all / 10 && opaque < all * 9 / 10, qPrintable(name));
        // Every icon is a drawing of its own, not a copy of another.
        const QByteArray bytes(reinterpret_cast<const char *>(image.constBits()), int(image.sizeInBytes()));
        QVERIFY2(!seen.contains(bytes), qPrintable(name));
        seen.insert(bytes);
    }
    // The tool bar shows the files named for it.
    const QImage search = QImage(":/icon/search.png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QIcon icon = button(w, "tbtn_searchDev")->icon();
    QCOMPARE(icon.pixmap(search.size()).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), search);
}

void TestMainWindow::styleSheetResourceIsApplied()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    QFile css(":/default.css");
    QVERIFY(css.open(QIODevice::ReadOnly));
    const QByteArray bytes = css.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QString sheet = qApp->styleSheet();
    QCOMPARE(sheet, decodeStyleSheet(bytes));
    QVERIFY(!sheet.startsWith(QChar(0xFEFF)));
    QString compact = sheet;
    compact.remove(QRegularExpression("\\s"));
    for (const char *rule : {"QToolButton{border-top-left-radius:5px;border-top-right-radius:5px;"
                             "border:0pxsolid#999999;background:transparent;}",
                             "QToolButton:hover{border:0pxsolid#999999;background:qlineargradient(spread:pad,"
                             "x1:0,y1:0,x2:0,y2:1,stop:0#FDE38A,stop:1#FDFAE0);}",
                             "QAbstractSpinBox,QComboBox{height:22px;}"})
        QVERIFY2(compact.contains(rule), rule);
}

void TestMainWindow::decodesStyleSheetBytes_data()
{
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    QVERIFY(gbk);
    const QString chinese = "QLabel{color:red;} /* 提示按钮的颜色 */";
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + chinese.toUtf8() << chinese;
    QTest::newRow("UTF-8 without BOM") << chinese.toUtf8() << chinese;
    QTest::newRow("GBK") << gbk->fromUnicode(chinese) << chinese;
    // Ends inside a GBK character whose first byte starts a UTF-8 sequence.
    const QByteArray cut = gbk->fromUnicode("/* 中 */a") + "\xD6";
    QTest::newRow("GBK, last byte alone") << cut << gbk->toUnicode(cut);
    QTest::newRow("ASCII") << QByteArray("QWidget{}") << "QWidget{}";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestMainWindow::decodesStyleSheetBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeStyleSheet(bytes), text);
}

void TestMainWindow::logPaneColoursOneParagraphPerLine()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    CAppLog *log = CAppLog::instance();
    log->writeLog("一切正常", 0, true);
    log->writeLog("温度偏高", 1, true);
    log->writeLog("file only", 2, false);
    log->writeLog("连接失败", 2, true);
    log->writeLog("<b>list</b> & \"名称\"", 0, true);
    log->writeLog("untyped", 9, true);

    QFile file(QDir("log").entryInfoList(QDir::Files).value(0).filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList shown = QString::fromUtf8(file.readAll()).split('\n');
    shown.removeAll(QString());
    shown.removeAll(shown.filter("file only").value(0));

    QTextDocument *doc = child<QTextEdit>(w, "textEdit")->document();
    QCOMPARE(doc->blockCount(), shown.size());
    const QList<QColor> colours = {Qt::black, Qt::darkYellow, Qt::red, Qt::black, QColor()};
    int i = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next(), ++i) {
        QCOMPARE(block.text(), shown[i]);
        const QTextCharFormat format = block.begin().fragment().charFormat();
        QCOMPARE(format.foreground().color(), colours[i]);
        QCOMPARE(block.blockFormat().lineHeight(), 5.0);
        QCOMPARE(block.blockFormat().lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    }
}

void TestMainWindow::logPaneClearKeepsFileAndSpacing()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    auto *pane = child<QTextEdit>(w, "textEdit");
    CAppLog::instance()->writeLog("before", 1, true);
    QCOMPARE(pane->document()->blockCount(), 1);
    button(w, "tbtn_logClear")->click();
    QVERIFY(pane->toPlainText().isEmpty());
    CAppLog::instance()->writeLog("after", 2, true);
    QCOMPARE(pane->document()->blockCount(), 1);
    QVERIFY(pane->toPlainText().endsWith("  错误: after"));
    QCOMPARE(pane->document()->begin().blockFormat().lineHeight(), 5.0);

    QFile file(QDir("log").entryInfoList(QDir::Files).value(0).filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains("  警告: before\n"));
    QVERIFY(text.contains("  错误: after\n"));
}

void TestMainWindow::languageSwitchRoundTrip()
{
    TempWorkDir wd;
    LogReset reset;
    QVERIFY(writeEnglish());
    {
        MainWindow w;
        auto *tabs = child<QTabWidget>(w, "tabWidget");
        tabs->addTab(new QWidget, "192.168.1.10");   // not a device page: left alone
        auto *page = new DevWidget_KLV2400(&w);
        tabs->addTab(page, "192.168.1.11");
        QLabel *pageState = page->findChild<QLabel *>("lab_connectState");
        QVERIFY(pageState);
        QCOMPARE(pageState->text(), QString("未连接"));
        const QList<QAction *> actions = languageActions(w);
        QCOMPARE(actions.size(), 2);

        actions[1]->trigger();
        QCOMPARE(savedLanguage().toString(), QString("English"));
        QCOMPARE(w.windowTitle(), QString("KLV2400 Test System"));
        QCOMPARE(button(w, "tbtn_searchDev")->text(), QString("Search"));
        QCOMPARE(button(w, "tbtn_logClear")->text(), QString("Clear"));
        QCOMPARE(child<QLabel>(w, "label")->text(), QString("Online devices"));
        QCOMPARE(actions[0]->text(), QString("Chinese"));
        QCOMPARE(actions[1]->text(), QString("English"));
        QVERIFY(actions[0]->isEnabled());
        QVERIFY(!actions[1]->isEnabled());
        QCOMPARE(tabs->tabText(0), QString("192.168.1.10"));
        QCOMPARE(tabs->tabText(1), QString("192.168.1.11"));
        QCOMPARE(pageState->text(), QString("Not connected"));
        CAppLog::instance()->writeLog("hot", 1, true);
        QVERIFY(child<QTextEdit>(w, "textEdit")->toPlainText().endsWith("  Warning: hot"));

        actions[0]->trigger();
        QCOMPARE(savedLanguage().toString(), QString("Chinese"));
        QCOMPARE(w.windowTitle(), QString("KLV2400测试系统"));
        QCOMPARE(button(w, "tbtn_searchDev")->text(), QString("查找设备"));
        QCOMPARE(button(w, "tbtn_networkSet")->text(), QString(" 网络设置"));
        QCOMPARE(actions[0]->text(), QString("中文"));
        QCOMPARE(actions[1]->text(), QString("英文"));
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isEnabled());
        QCOMPARE(tabs->tabText(0), QString("192.168.1.10"));
        QCOMPARE(pageState->text(), QString("未连接"));

        actions[1]->trigger();
    }
    // The next start picks up the last switch.
    MainWindow again;
    QCOMPARE(again.windowTitle(), QString("KLV2400 Test System"));
    QVERIFY(!languageActions(again)[1]->isEnabled());
}

void TestMainWindow::helpOpensManualOfSavedLanguage_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("switchToEnglish");
    QTest::addColumn<QString>("manual");
    QTest::newRow("English") << "English" << false << "help_EN.pdf";
    QTest::newRow("Chinese") << "Chinese" << false << "help_CN.pdf";
    QTest::newRow("no key") << "" << false << "help_CN.pdf";
    QTest::newRow("lower case") << "english" << false << "help_CN.pdf";
    QTest::newRow("switched in this run") << "" << true << "help_EN.pdf";
}

void TestMainWindow::helpOpensManualOfSavedLanguage()
{
    QFETCH(QString, saved);
    QFETCH(bool, switchToEnglish);
    QFETCH(QString, manual);
    TempWorkDir wd;
    LogReset reset;
    if (!saved.isEmpty())
        saveLanguage(saved);
    MainWindow w;
    if (switchToEnglish)
        languageActions(w)[1]->trigger();
    UrlCatcher catcher;
    button(w, "tbtn_help")->click();
    QCOMPARE(catcher.urls.size(), 1);
    QVERIFY(catcher.urls[0].isLocalFile());
    // Beside the executable, wherever the working directory is.
    QCOMPARE(catcher.urls[0].toLocalFile(), QCoreApplication::applicationDirPath() + "/" + manual);
}

void TestMainWindow::aboutDialogShowsNameAndVersion()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    QStringList seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(top);
            if (!dialog || !dialog->isVisible())
                continue;
            seen << dialog->objectName() << dialog->windowTitle()
                 << QString::number(dialog->parent() == nullptr) << QString::number(dialog->isModal());
            for (const char *name : {"label_3", "label_4", "label", "label_2"}) {
                auto *label = dialog->findChild<QLabel *>(name);
                seen << (label ? label->text() : QString("<missing %1>").arg(name));
            }
            dialog->close();
        }
    });
    poll.start(10);
    button(w, "tbtn_about")->click();   // returns once the dialog is closed
    QCOMPARE(seen, QStringList({"AboutDialog", "关于", "1", "1", "软件名称：", "可编程直流电源测试系统",
                                "软件版本：", "V1.3.3.2025052701"}));
    // The form's size; the layout may widen it for the fonts at hand.
    QCOMPARE(AboutDialog().size(), QSize(254, 159));
}

void TestMainWindow::closesWithoutPages()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    w.show();
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    QVERIFY(!QFile::exists("sys_klv.ini"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
