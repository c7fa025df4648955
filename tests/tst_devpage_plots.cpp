// The device page's plot tool bar without a supply: importing history files,
// the time window, the history folder button and a snapshot that fails.

#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mycustomplot.h"
#include "testsupport.h"

#include <QDesktopServices>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

QCPGraph *graphOf(MyCustomPlot *plot)
{
    return static_cast<QCustomPlot *>(plot)->graph(0);
}

QVector<double> keysOf(MyCustomPlot *plot)
{
    QVector<double> k;
    for (auto it = graphOf(plot)->data()->constBegin(); it != graphOf(plot)->data()->constEnd(); ++it)
        k << it->key;
    return k;
}

QVector<double> valuesOf(MyCustomPlot *plot)
{
    QVector<double> v;
    for (auto it = graphOf(plot)->data()->constBegin(); it != graphOf(plot)->data()->constEnd(); ++it)
        v << it->value;
    return v;
}

} // namespace

// Takes the place of the desktop's file manager.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TstDevPagePlots : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void importAFile_data();
    void importAFile();
    void importCancelled();
    void importOfAFileThatCannotBeRead();
    void importAlignsToTheTimeWindow();
    void folderButtonCreatesAndOpensTheFolder();
    void failedSnapshotIsReported();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    void importFile(const QString &path);
    template <typename T>
    T *w(const char *name)
    {
        T *found = page->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    MyCustomPlot *vol() { return w<MyCustomPlot>("widget_plot_Vol"); }
    MyCustomPlot *cur() { return w<MyCustomPlot>("widget_plot_Cur"); }

    TempWorkDir work;   // before the log's first use
    std::unique_ptr<DevWidget_KLV2400> page;
};

void TstDevPagePlots::init()
{
    page.reset(new DevWidget_KLV2400);
    page->resize(1200, 800);
    page->show();
    // What a previous run left on the plots.
    for (int t = 0; t < 5; ++t) {
        vol()->addPoint(t, 10 + t);
        cur()->addPoint(t, 1 + t);
    }
}

void TstDevPagePlots::cleanup()
{
    page.reset();
}

QString TstDevPagePlots::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = work.path() + "/" + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TstDevPagePlots::importFile(const QString &path)
{
    FileDialogAnswerer picker(path);
    w<QToolButton>("tbtn_plotImport")->click();
    QCOMPARE(picker.titles, QStringList{QStringLiteral("选择文件")});
}

void TstDevPagePlots::importAFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVector<double>>("times");
    QTest::addColumn<QVector<double>>("voltages");
    QTest::addColumn<QVector<double>>("currents");
    using V = QVector<double>;

    QTest::newRow("recorded run") << QByteArray("KLV2400Data\ntime,Vol,Cur\n0,12,1.5\n0.1,12,1.49999\n") << true
                                  << V{0, 0.1} << V{12, 12} << V{1.5, 1.49999};
    QTest::newRow("CRLF, blanks after the marker")
        << QByteArray("KLV2400Data \t\r\ntime,Vol,Cur\r\n0,1,2\r\n1,3,4\r\n") << true << V{0, 1} << V{1, 3}
        << V{2, 4};
    QTest::newRow("second line holds data") << QByteArray("KLV2400Data\n5,6,7\n8,9,10") << true << V{8} << V{9}
                                            << V{10};
    QTest::newRow("header only") << QByteArray("KLV2400Data\ntime,Vol,Cur\n") << true << V{} << V{} << V{};
    QTest::newRow("marker only") << QByteArray("KLV2400Data") << true << V{} << V{} << V{};
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFKLV2400Data\ntime,Vol,Cur\n0,1,2\n") << false
                                     << V{} << V{} << V{};
    QTest::newRow("no marker") << QByteArray("time,Vol,Cur\n0,1,2\n") << false << V{} << V{} << V{};
    QTest::newRow("empty file") << QByteArray() << false << V{} << V{} << V{};
}

void TstDevPagePlots::importAFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QFETCH(QVector<double>, times);
    QFETCH(QVector<double>, voltages);
    QFETCH(QVector<double>, currents);
    const QString path = writeFile(QStringLiteral("run 1.csv"), bytes);
    const QCPRange x = vol()->xAxis->range();
    const QCPRange y = cur()->yAxis->range();
    const QVector<double> oldKeys = keysOf(vol());

    MessageBoxAnswerer boxes;
    importFile(path);

    if (!accepted) {
        QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("文件格式错误！")});
        QVERIFY(w<QLabel>("lab_csvFileName")->isHidden());
        QVERIFY(w<QLabel>("lab_importPlotName")->isHidden());
        QCOMPARE(keysOf(vol()), oldKeys);
        QCOMPARE(keysOf(cur()), oldKeys);
        return;
    }
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(!w<QLabel>("lab_csvFileName")->isHidden());
    QVERIFY(!w<QLabel>("lab_importPlotName")->isHidden());
    QCOMPARE(w<QLabel>("lab_importPlotName")->text(), QStringLiteral("run 1.csv"));
    QCOMPARE(keysOf(vol()), times);
    QCOMPARE(keysOf(cur()), times);
    QCOMPARE(valuesOf(vol()), voltages);
    QCOMPARE(valuesOf(cur()), currents);
    if (times.isEmpty()) {   // empty curves, the axes as they were
        QCOMPARE(vol()->xAxis->range(), x);
        QCOMPARE(cur()->yAxis->range(), y);
    }
}

void TstDevPagePlots::importCancelled()
{
    MessageBoxAnswerer boxes;
    importFile(QString());
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(graphOf(vol())->dataCount(), 5);
    QVERIFY(w<QLabel>("lab_importPlotName")->isHidden());
}

void TstDevPagePlots::importOfAFileThatCannotBeRead()
{
    const QString path = writeFile(QStringLiteral("gone.csv"), "KLV2400Data\ntime,Vol,Cur\n0,1,2\n");
    MessageBoxAnswerer boxes;
    FileDialogAnswerer picker(path);
    picker.afterPicking = [path] { QFile::remove(path); };
    w<QToolButton>("tbtn_plotImport")->click();
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("文件格式错误！")});
    QCOMPARE(graphOf(vol())->dataCount(), 5);
}

void TstDevPagePlots::importAlignsToTheTimeWindow()
{
    auto *window = w<QSpinBox>("sbox_plotPointSize");
    QCOMPARE(window->value(), 100000);
    window->setValue(10);
    QCOMPARE(vol()->windowSeconds, 100000);   // only when editing is finished
    emit window->editingFinished();
    QCOMPARE(vol()->windowSeconds, 10);
    QCOMPARE(cur()->windowSeconds, 10);

    QByteArray bytes("KLV2400Data\ntime,Vol,Cur\n");
    for (int t = 0; t <= 50; ++t)
        bytes += QByteArray::number(t) + "," + QByteArray::number(t * 2) + ",1\n";
    const QString path = writeFile(QStringLiteral("long.csv"), bytes);
    MessageBoxAnswerer boxes;
    importFile(path);
    QCOMPARE(graphOf(vol())->dataCount(), 51);   // kept whole, only the view is aligned
    QCOMPARE(vol()->xAxis->range(), QCPRange(40, 50));
    QCOMPARE(cur()->xAxis->range(), QCPRange(40, 50));
    QCOMPARE(vol()->yAxis->range(), QCPRange(0, 100));
}

void TstDevPagePlots::folderButtonCreatesAndOpensTheFolder()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    w<QToolButton>("tbtn_folderOpen")->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QVERIFY(QFileInfo(work.path() + "/historyData").isDir());
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QDir::currentPath() + "/historyData")});
}

void TstDevPagePlots::failedSnapshotIsReported()
{
    writeFile(QStringLiteral("plotShot"), "in the way of the folder");
    MessageBoxAnswerer boxes;
    w<QToolButton>("tbtn_plotPDFPrint")->click();
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("曲线图片保存失败！")});
    QFile::remove(work.path() + "/plotShot");
}

QTEST_MAIN(TstDevPagePlots)
#include "tst_devpage_plots.moc"
