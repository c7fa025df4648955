#pragma once

// The state of one simulated supply behind its register map: what a read
// returns, what a write changes, the list files with their selectors and
// edit buffer, the commit of parameter groups, and the output and alarm.
// No sockets here: the Modbus and UDP sides call in with decoded values.

#include "simload.h"
#include "simregmap.h"
#include "simsupply.h"

#include <QVector>

namespace klvsim {

// Modbus exception codes the supply answers with.
enum ExceptionCode { NoException = 0, IllegalFunction = 1, IllegalAddress = 2, IllegalValue = 3 };

class SupplyModel
{
public:
    explicit SupplyModel(const SupplyConfig &config);

    const SupplyConfig &config() const { return cfg; }

    // The register space as a client reads it.
    quint16 word(quint16 reg) const;
    quint32 value(quint16 reg) const;          // reg (high word) and reg + 1
    quint32 committed(quint16 reg) const;      // the value a commit last applied
    float committedFloat(quint16 reg) const;

    // A 32-bit value written over the wire: check every value of a request
    // first, then write them, so a refused request changes nothing.
    int checkWrite(quint16 reg, quint32 value) const;
    void write(quint16 reg, quint32 value);
    // The supply's own state, set directly: takes effect at once, no checks.
    void setValue(quint16 reg, quint32 value);

    bool limitPair(quint16 reg, quint32 &first, quint32 &second) const;
    QByteArray deviceInfo() const;             // the data bytes of the block
    bool isFileNumber(int number) const;
    QByteArray fileName(int number) const;
    void setFileName(int number, const QByteArray &name);
    SimListFile listFile(int number) const;
    void setListFile(int number, const SimListFile &file);

    bool outputOn() const { return output; }
    void setOutput(bool on);                   // on is refused while an alarm is raised
    int alarmCode() const { return alarm; }
    void raiseAlarm(int code);                 // any code but 0 switches the output off
    void clearAlarm() { alarm = 0; }
    int testFunc() const { return func; }
    void setReportedTestFunc(int code) { reportedFunc = code; }
    quint32 statusWord() const;
    quint8 deviceAddress() const { return quint8(committed(reg::DevAddr)); }
    int commitCount() const { return commits; }
    int storeCount() const { return stores; }

    // The load model: measurements follow the committed settings.
    void tick(double seconds);
    void setMeasured(float v, float i, float p) { measV = v; measI = i; measP = p; }
    void setRunningData(quint32 data) { running = data; }

private:
    quint32 valueAt(quint16 even) const;
    void setPlain(quint16 reg, quint32 value);
    void selectFile(int number);
    void store();
    void commit();

    SupplyConfig cfg;
    QVector<quint16> words;
    QVector<quint16> applied;
    QVector<SimListFile> files;
    // The selected file as registers 210 to 225 show it until stored.
    int selectedFile = 1;
    int selectedStep = 1;
    SimListFile buffer;                        // always listStepMax steps
    int bufferCount = 0;
    bool output = false;
    int alarm = 0;
    int func = 0;
    int reportedFunc = -1;
    quint32 extraStatusBits = 0;
    float measV = 0, measI = 0, measP = 0;
    quint32 running = 0;
    int commits = 0;
    int stores = 0;
    LoadModel load;

    friend class LoadModel;
};

} // namespace klvsim
