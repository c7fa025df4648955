// The device page's history files: recording a run, importing a recorded
// run into the plots, and opening the folder that holds them.
#include "devwidget_klv2400.h"
#include "ui_devwidget_klv2400.h"

#include "capplog.h"
#include "historycsv.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#ifdef Q_OS_WIN
#include <QProcess>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

void DevWidget_KLV2400::openHistoryFile()
{
    const QString folder = QDir::currentPath() + QStringLiteral("/historyData/");
    QDir().mkpath(folder);
    const QString ip = driver.hostAddress();
    historyFile.setFileName(
        folder
        + QStringLiteral("%1_%2.csv")
              .arg(ip, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"))));
    // Binary mode: LF line ends on every platform.
    if (historyFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        historyFile.write(historycsv::headerBytes());
    else
        CAppLog::instance()->writeLog(tr("%1设备数据文件无法创建，本次输出不记录数据！").arg(ip), 2, true);
}

void DevWidget_KLV2400::writeHistoryRow(double t, double voltage, double current)
{
    // Unflushed: rows reach the disk as the buffer fills and at the close.
    if (outputOn && historyFile.isOpen()) {
        char row[historycsv::MaxRowBytes];
        historyFile.write(row, historycsv::formatRow(row, t, voltage, current));
    }
}

// A run's file counts as saved only if every write reached the disk. A file
// that never opened is a failed one, reported once; a run without a file
// (started at the supply's panel) has nothing to report.
DevWidget_KLV2400::HistoryClose DevWidget_KLV2400::closeHistoryFile()
{
    if (historyFile.fileName().isEmpty())
        return HistoryClose::NotOpen;
    bool ok = historyFile.isOpen() && historyFile.error() == QFileDevice::NoError;
    if (historyFile.isOpen()) {
        ok = historyFile.flush() && ok;
        historyFile.close();
        ok = ok && historyFile.error() == QFileDevice::NoError;
    }
    historyFile.setFileName(QString());
    return ok ? HistoryClose::Saved : HistoryClose::Failed;
}

namespace {

// Skips a line, whatever it holds, if it ends within the import's line bound.
bool skipLine(QIODevice &file)
{
    for (qint64 skipped = 0; skipped <= historycsv::MaxImportLineBytes;) {
        const QByteArray part = file.readLine(4096);
        if (part.isEmpty() || part.endsWith('\n'))
            return true;
        skipped += part.size();
    }
    return false;
}

} // namespace

void DevWidget_KLV2400::onPlotImportBtnClicked()
{
    const auto refuseWhileOutput = [this] {
        QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("设备正在输出，请在空闲时导入曲线！"));
    };
    if (outputOn) {
        refuseWhileOutput();
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("选择文件"), QStringLiteral("./"),
                                                      QStringLiteral("CSVFile (*.csv)"));
    if (path.isEmpty())
        return;
    // A run may have started at the supply's panel while the dialog was open.
    if (outputOn) {
        refuseWhileOutput();
        return;
    }
    // Every line is read to a bound: a file without line ends must not be
    // taken into memory whole.
    QFile file(path);
    const QByteArray firstLine = file.open(QIODevice::ReadOnly) ? file.readLine(4096) : QByteArray();
    if (!historycsv::isMarkerLine(firstLine) || !skipLine(file)) {
        QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("文件格式错误！"));
        return;
    }
    // Read in pieces: a file of hundreds of megabytes never sits in memory
    // whole, only the rows it holds, and those up to a limit.
    historycsv::RowReader reader(file.size());
    for (QByteArray piece; !(piece = file.read(1 << 20)).isEmpty();) {
        if (!reader.feed(piece))
            break;
    }
    if (!reader.finish()) {
        QMessageBox::information(this, QStringLiteral("提示"),
                                 reader.refusal() == historycsv::RowReader::Refusal::TooManyRows
                                     ? QStringLiteral("文件数据超过%1行，无法导入！").arg(historycsv::MaxImportRows)
                                     : QStringLiteral("文件格式错误！"));
        return;
    }
    if (file.error() != QFileDevice::NoError) {
        QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("文件读取失败！"));
        return;
    }
    const historycsv::Curves curves = reader.takeCurves();
    ui->lab_importPlotName->setText(path.split(QLatin1Char('/')).last());
    ui->lab_importPlotName->show();
    ui->lab_csvFileName->show();
    ui->widget_plot_Vol->setPlotData(curves.times, curves.voltages);
    ui->widget_plot_Cur->setPlotData(curves.times, curves.currents);
}

void DevWidget_KLV2400::onFolderOpenBtnClicked()
{
    const QString path = QDir::currentPath() + QStringLiteral("/historyData");
    QDir().mkpath(path);
#ifdef Q_OS_WIN
    // One argument, so a folder with blanks in its path opens as it is.
    QProcess::startDetached(QStringLiteral("explorer"), {QDir::toNativeSeparators(path)});
#else
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}
