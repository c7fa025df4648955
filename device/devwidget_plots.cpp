// The device page's live plots: samples, pause, time window and snapshots.
#include "devwidget_klv2400.h"
#include "ui_devwidget_klv2400.h"

#include <QDir>
#include <QMessageBox>
#include <QPixmap>

void DevWidget_KLV2400::onGetSamplingValue(ST_SamplingValue value)
{
    if (!outputOn)
        return;
    const QDateTime sampled = now();
    if (firstSample) {
        runStart = sampled;
        firstSample = false;
    }
    const double t = runStart.msecsTo(sampled) / 1000.0;
    const double voltage = value.voltage;
    const double current = value.current;
    if (ui->tbtn_plotPause->isChecked()) {
        pendingTimes.append(t);
        pendingVoltages.append(voltage);
        pendingCurrents.append(current);
    } else {
        drawPendingSamples();
        ui->widget_plot_Vol->addPoint(t, voltage);
        ui->widget_plot_Cur->addPoint(t, current);
    }
    writeHistoryRow(t, voltage, current);
}

// Everything that arrived while paused, in one step.
void DevWidget_KLV2400::drawPendingSamples()
{
    if (pendingTimes.isEmpty())
        return;
    ui->widget_plot_Vol->addPoints(pendingTimes, pendingVoltages);
    ui->widget_plot_Cur->addPoints(pendingTimes, pendingCurrents);
    pendingTimes.clear();
    pendingVoltages.clear();
    pendingCurrents.clear();
}

void DevWidget_KLV2400::onPlotPauseBtnClicked(bool checked)
{
    if (!checked)
        drawPendingSamples();
}

void DevWidget_KLV2400::onPlotCumulTimeChanged()
{
    const int seconds = ui->sbox_plotPointSize->value();
    ui->widget_plot_Vol->windowSeconds = seconds;
    ui->widget_plot_Cur->windowSeconds = seconds;
}

void DevWidget_KLV2400::onPlotSaveBtnClicked()
{
    const QString folder = QDir::currentPath() + QStringLiteral("/plotShot/");
    QDir().mkpath(folder);
    const QString name = QStringLiteral("%1_%2.png")
                             .arg(driver.hostAddress(),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
    if (ui->widget_13->grab().save(folder + name, "PNG"))
        QMessageBox::information(this, QStringLiteral("保存成功"), QStringLiteral("曲线图片已保存至%1").arg(folder));
    else
        QMessageBox::information(this, tr("提示"), tr("曲线图片保存失败！"));
}
