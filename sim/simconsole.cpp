#include "simconsole.h"

#include "simfaults.h"
#include "simwire.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>

namespace klvsim {

namespace {

bool parseNumber(const QString &text, int &value)
{
    bool ok = false;
    value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                      : text.toInt(&ok, 10);
    return ok;
}

} // namespace

QStringList splitNonEmpty(const QString &text, QChar separator)
{
    QStringList parts = text.split(separator);
    parts.removeAll(QString());
    return parts;
}

bool parseFaultRule(const QString &text, FaultRule &rule, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QStringList parts = splitNonEmpty(text, QLatin1Char(','));
    if (parts.isEmpty())
        return fail(QStringLiteral("empty fault"));
    rule = FaultRule();
    const QString kindText = parts[0].section(QLatin1Char(':'), 0, 0).trimmed();
    const std::optional<FaultKind> kind = faultKindFromName(kindText);
    if (!kind)
        return fail(QStringLiteral("unknown fault kind \"%1\"").arg(kindText));
    rule.kind = *kind;
    if (parts[0].contains(QLatin1Char(':')) && !parseNumber(parts[0].section(QLatin1Char(':'), 1), rule.delayMs))
        return fail(QStringLiteral("bad milliseconds in \"%1\"").arg(parts[0]));
    for (int i = 1; i < parts.size(); ++i) {
        const QString key = parts[i].section(QLatin1Char('='), 0, 0).trimmed();
        const QString val = parts[i].section(QLatin1Char('='), 1).trimmed();
        int number = 0;
        const bool hasNumber = parseNumber(val, number);
        if (key == QLatin1String("udp"))
            rule.channel = FaultChannel::Udp;
        else if (key == QLatin1String("both"))
            rule.channel = FaultChannel::Both;
        else if (key == QLatin1String("after-commit"))
            rule.afterCommit = true;
        else if (!hasNumber)
            return fail(QStringLiteral("unknown or incomplete \"%1\"").arg(parts[i]));
        else if (key == QLatin1String("fn"))
            rule.function = number;
        else if (key == QLatin1String("addr"))
            rule.address = number;
        else if (key == QLatin1String("times"))
            rule.remaining = number;
        else if (key == QLatin1String("skip"))
            rule.skip = number;
        else
            return fail(QStringLiteral("unknown \"%1\"").arg(key));
    }
    return true;
}

QString faultSpecHelp()
{
    return QStringLiteral(
        "Faults: KIND[:MS][,fn=F][,addr=A][,times=N][,skip=N][,after-commit][,udp|,both]\n"
        "  silent         read the request, answer nothing (the request is not carried out)\n"
        "  delay:MS       answer MS milliseconds late\n"
        "  split:MS       send the reply in three TCP segments, MS apart (default 50)\n"
        "  wrong-length   one byte too many in the reply\n"
        "  error-byte     reply byte 7 = function | 0x80 (0xC2 for a 0x42 block read)\n"
        "  late[:MS]      answer after the client's 300 ms wait (default 400)\n"
        "  refuse-name    refuse 0x40 list-file name writes (older firmware)\n"
        "  short-devinfo  device-information reply of 180 bytes, one short\n"
        "  drop           close the TCP connection instead of answering\n"
        "  never-answer   keep the connection, answer nothing on it ever again\n"
        "  exception      Modbus exception reply, code 4\n"
        "  fn=F addr=A    only requests of function F / start or block address A\n"
        "  times=N        only the next N matching requests    skip=N  let N pass first\n"
        "  after-commit   only requests after the next commit (write of 1 to 48)\n"
        "  udp, both      watch the UDP side (silent, delay, late, wrong-length) or both\n"
        "Examples: silent   delay:200   late,fn=0x10,addr=122,times=1   split:80,fn=3\n"
        "          exception,fn=0x10,times=1,after-commit   silent,udp\n");
}

SimConsole::SimConsole(SimHost *h, QObject *parent)
    : QObject(parent), host(h)
{
}

void SimConsole::listenOnStdin()
{
    notifier = new QSocketNotifier(fileno(stdin), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char line[1024];
        if (!std::fgets(line, sizeof line, stdin)) {
            notifier->setEnabled(false);   // input closed: keep serving without commands
            return;
        }
        const QString answer = execute(QString::fromLocal8Bit(line));
        if (!answer.isEmpty()) {
            QTextStream out(stdout);
            out << answer << (answer.endsWith(QLatin1Char('\n')) ? "" : "\n");
        }
    });
}

QString SimConsole::help()
{
    return QStringLiteral(
        "Commands (SUPPLY: number from 1, IP address, or all):\n"
        "  list                      every supply: output, function, alarm, values\n"
        "  fault SUPPLY FAULT        add a fault, e.g. fault 1 late,fn=3,times=2\n"
        "  clear SUPPLY              remove every fault\n"
        "  output SUPPLY on|off      switch the output from the front panel\n"
        "  alarm SUPPLY CODE         raise alarm code 1-31 (switches the output off), 0 clears\n"
        "  func SUPPLY CODE          report test-function CODE in the status word, -1 stops\n"
        "  drop SUPPLY               close every open TCP connection\n"
        "  set SUPPLY REG VALUE      set a register value (a VALUE with a point is a float)\n"
        "  get SUPPLY REG            show a register value as integer and float\n"
        "  verbose on|off            one line per request and reply\n"
        "  help, quit\n")
        + faultSpecHelp();
}

QList<SimSupply *> SimConsole::select(const QString &which, QString *error) const
{
    const QList<SimSupply *> all = host->supplies();
    if (which == QLatin1String("all"))
        return all;
    int index = 0;
    if (parseNumber(which, index) && index >= 1 && index <= all.size())
        return {all[index - 1]};
    for (SimSupply *s : all)
        if (s->config().address == QHostAddress(which))
            return {s};
    *error = QStringLiteral("no supply \"%1\"").arg(which);
    return {};
}

QString SimConsole::status(const SimSupply *s, int index) const
{
    return QStringLiteral("%1: %2 | output %3, func %4, alarm %5, %6 V %7 A %8 W, %9 Modbus requests")
        .arg(index).arg(s->describe(), s->outputOn() ? QStringLiteral("on") : QStringLiteral("off"))
        .arg((s->value(8) >> 4) & 0xF).arg(s->alarmCode())
        .arg(double(s->floatValue(10)), 0, 'f', 3).arg(double(s->floatValue(12)), 0, 'f', 3)
        .arg(double(s->floatValue(14)), 0, 'f', 3).arg(s->modbusRequests().size());
}

QString SimConsole::execute(const QString &line)
{
    const QStringList w = splitNonEmpty(line.simplified(), QLatin1Char(' '));
    if (w.isEmpty())
        return QString();
    const QString cmd = w[0];
    if (cmd == QLatin1String("help"))
        return help();
    if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
        emit quitRequested();
        return QString();
    }
    if (cmd == QLatin1String("list")) {
        QStringList lines;
        for (int i = 0; i < host->supplies().size(); ++i)
            lines << status(host->supplies()[i], i + 1);
        return lines.join(QLatin1Char('\n'));
    }
    if (cmd == QLatin1String("verbose") && w.size() == 2) {
        for (SimSupply *s : host->supplies())
            s->setVerbose(w[1] == QLatin1String("on"));
        return QStringLiteral("verbose %1").arg(w[1]);
    }
    const int arity = (cmd == QLatin1String("clear") || cmd == QLatin1String("drop")) ? 2
        : cmd == QLatin1String("set") ? 4 : 3;
    if (w.size() != arity)
        return QStringLiteral("? %1 (try help)").arg(line.trimmed());
    QString error;
    const QList<SimSupply *> targets = select(w[1], &error);
    if (targets.isEmpty())
        return error;
    int number = 0;
    const bool numeric = w.size() > 2 && parseNumber(w[2], number);
    for (SimSupply *s : targets) {
        if (cmd == QLatin1String("fault")) {
            FaultRule rule;
            if (!parseFaultRule(w[2], rule, &error))
                return error;
            s->addFault(rule);
        } else if (cmd == QLatin1String("clear")) {
            s->clearFaults();
        } else if (cmd == QLatin1String("drop")) {
            s->dropConnections();
        } else if (cmd == QLatin1String("output") && (w[2] == QLatin1String("on") || w[2] == QLatin1String("off"))) {
            s->panelSetOutput(w[2] == QLatin1String("on"));
        } else if (cmd == QLatin1String("alarm") && numeric && number >= 0 && number <= 31) {
            s->raiseAlarm(number);
        } else if (cmd == QLatin1String("func") && numeric && number >= -1 && number <= 15) {
            s->setReportedTestFunc(number);
        } else if (cmd == QLatin1String("get") && numeric && number >= 0 && number < 65535) {
            return QStringLiteral("reg %1 = %2 (float %3)").arg(number).arg(qint32(s->value(quint16(number))))
                .arg(double(s->floatValue(quint16(number))));
        } else if (cmd == QLatin1String("set") && numeric && number >= 0 && number < 65535) {
            bool ok = false;
            if (w[3].contains(QLatin1Char('.'))) {
                const float f = w[3].toFloat(&ok);
                if (ok)
                    s->setFloatValue(quint16(number), f);
            } else {
                int v = 0;
                ok = parseNumber(w[3], v);
                if (ok)
                    s->setValue(quint16(number), quint32(v));
            }
            if (!ok)
                return QStringLiteral("bad value \"%1\"").arg(w[3]);
        } else {
            return QStringLiteral("? %1 (try help)").arg(line.trimmed());
        }
    }
    return QStringLiteral("ok");
}

} // namespace klvsim
