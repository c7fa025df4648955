#include "listsettingdialog.h"
#include "ui_listsettingdialog.h"

#include "capplog.h"
#include "centerdelegate.h"
#include "devdriver_klv2400.h"
#include "dialogmovingfilter.h"
#include "doublespinboxdelegate.h"
#include "readonlydelegate.h"

#include <QMessageBox>
#include <QRegExpValidator>

#include <charconv>

namespace {

const char *const kNamePattern = "[A-Za-z0-9`~!@#$%^&*()_-+=<>,.\\/]{0,19}";

// A file's name lives at block address 49 + number, which must fit in 16 bits.
const int kMaxListFiles = 0xFFFF - 49;

enum Column { StepColumn, VoltageColumn, CurrentColumn, DelayColumn };

// The shortest decimal that reads back as the same float, so a value from the
// supply shows as "0.1" rather than the float's binary expansion and still
// writes back bit for bit.
double displayValue(float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    double shown = value;
    std::from_chars(text, result.ptr, shown);
    return shown;
}

} // namespace

ListSettingDialog::ListSettingDialog(DevDriver_KLV2400 *driver, QWidget *parent)
    : QDialog(parent), driver(driver), ui(new Ui::ListSettingDialog)
{
    ui->setupUi(this);
    new DialogMovingFilter(this, ui->widget);

    ui->edit_fileName->setAttribute(Qt::WA_InputMethodEnabled, false);
    ui->edit_fileName->setValidator(new QRegExpValidator(
        QRegExp(QString::fromLatin1(kNamePattern), Qt::CaseSensitive), ui->edit_fileName));

    model.setHorizontalHeaderLabels({tr("序号"), tr("电压(V)"), tr("电流(A)"), tr("延时(S)")});
    ui->tableView->setModel(&model);
    ui->tableView->setColumnWidth(StepColumn, 50);
    ui->tableView->setColumnWidth(VoltageColumn, 120);
    ui->tableView->setColumnWidth(CurrentColumn, 120);
    ui->tableView->horizontalHeader()->setStretchLastSection(true);

    ui->tableView->setItemDelegate(new CenterDelegate(this));
    ui->tableView->setItemDelegateForColumn(StepColumn, new ReadOnlyDelegate(this));
    voltageDelegate = new DoubleSpinBoxDelegate(this);
    currentDelegate = new DoubleSpinBoxDelegate(this);
    auto *delayDelegate = new DoubleSpinBoxDelegate(this);
    delayDelegate->setRange(0.001, 86400.0);
    ui->tableView->setItemDelegateForColumn(VoltageColumn, voltageDelegate);
    ui->tableView->setItemDelegateForColumn(CurrentColumn, currentDelegate);
    ui->tableView->setItemDelegateForColumn(DelayColumn, delayDelegate);

    connect(ui->sbox_listLenth, &QSpinBox::editingFinished, this, &ListSettingDialog::onListLenthSet);
    connect(ui->cbox_fileNumber, QOverload<int>::of(&QComboBox::currentIndexChanged),
            this, &ListSettingDialog::onLoadListInfo);
    connect(ui->closeBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btn_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btn_save, &QPushButton::clicked, this, &ListSettingDialog::onSaveSettings);
    connect(ui->btn_ok, &QPushButton::clicked, this, [this] {
        onSaveSettings();
        accept();
    });

    loadListFile(1);
}

ListSettingDialog::~ListSettingDialog()
{
    delete ui;
}

void ListSettingDialog::setListLimits(double voltageMin, double voltageMax, double currentMin,
                                      double currentMax, int listFileCount, int listStepMax)
{
    voltageDelegate->setRange(voltageMin, voltageMax);
    currentDelegate->setRange(currentMin, currentMax);
    const int fileCount = qBound(0, listFileCount, kMaxListFiles);
    // Ranges before the file numbers: adding the first number reloads file 1,
    // whose length and link must not be clamped to the form's defaults.
    ui->sbox_listLenth->setRange(1, listStepMax);
    ui->sbox_linkListNumber->setRange(0, fileCount);
    for (int number = 1; number <= fileCount; ++number)
        ui->cbox_fileNumber->addItem(QString::number(number));
}

void ListSettingDialog::onListLenthSet()
{
    const int length = ui->sbox_listLenth->value();
    const int rows = model.rowCount();
    if (length == rows)
        return;
    model.setRowCount(length);
    for (int row = rows; row < length; ++row)
        setStepRow(row, 0.0, 0.0, 1.0);
}

void ListSettingDialog::onSaveSettings()
{
    ST_ListFile file;
    file.fileName = QString::fromLocal8Bit(ui->edit_fileName->text().toLocal8Bit());
    file.cycleTimes = ui->sbox_cycleTimes->value();
    file.linkListNumber = ui->sbox_linkListNumber->value();
    for (int row = 0; row < model.rowCount(); ++row) {
        ST_ListStep step;
        step.voltage = float(model.data(model.index(row, VoltageColumn), Qt::EditRole).toDouble());
        step.current = float(model.data(model.index(row, CurrentColumn), Qt::EditRole).toDouble());
        step.delay = float(model.data(model.index(row, DelayColumn), Qt::EditRole).toDouble());
        file.steps.append(step);
    }

    // Until the file numbers are known the dialog shows file 1.
    const int number = qMax(0, ui->cbox_fileNumber->currentIndex()) + 1;
    const QString host = driver->hostAddress();
    bool nameWritten = true;
    if (driver->writeListFile(number, file, nameWritten)) {
        CAppLog::instance()->writeLog(tr("%1设备列表文件%2参数设置成功！").arg(host).arg(number), 0, true);
        QString message = tr("列表文件%1参数设置成功！").arg(number);
        if (!nameWritten) {
            CAppLog::instance()->writeLog(
                tr("%1设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！").arg(host), 1, true);
            message += tr("但设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！");
        }
        QMessageBox::information(this, tr("提示"), message);
    } else {
        CAppLog::instance()->writeLog(tr("%1设备列表文件%2参数设置失败！").arg(host).arg(number), 2, true);
        QMessageBox::information(this, QStringLiteral("提示"), tr("列表文件%1参数设置失败！").arg(number));
    }
}

void ListSettingDialog::onLoadListInfo()
{
    const int index = ui->cbox_fileNumber->currentIndex();
    if (index >= 0)
        loadListFile(index + 1);
}

void ListSettingDialog::loadListFile(int fileNumber)
{
    ST_ListFile file;
    if (!driver->readListFile(fileNumber, file)) {
        QMessageBox::information(this, tr("提示"), tr("列表文件参数读取失败！"));
        return;
    }
    model.setRowCount(file.steps.size());
    ui->edit_fileName->setText(file.fileName);
    ui->sbox_listLenth->setValue(file.steps.size());
    ui->sbox_cycleTimes->setValue(file.cycleTimes);
    ui->sbox_linkListNumber->setValue(file.linkListNumber);
    for (int row = 0; row < file.steps.size(); ++row) {
        const ST_ListStep &step = file.steps.at(row);
        setStepRow(row, displayValue(step.voltage), displayValue(step.current), displayValue(step.delay));
    }
}

void ListSettingDialog::setStepRow(int row, double voltage, double current, double delay)
{
    model.setData(model.index(row, StepColumn), row + 1, Qt::EditRole);
    model.setData(model.index(row, VoltageColumn), voltage, Qt::EditRole);
    model.setData(model.index(row, CurrentColumn), current, Qt::EditRole);
    model.setData(model.index(row, DelayColumn), delay, Qt::EditRole);
}
