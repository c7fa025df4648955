// The history file: rows byte for byte what QString::number(x, 'g', 6)
// writes; reading bit for bit what the plain Qt reading gives, in pieces of
// any size and within the limits.
#include "historycsv.h"

#include <QtTest>

#include <cstring>
#include <random>

using historycsv::Curves;

namespace {
QByteArray qtRow(double t, double v, double c)
{
    const auto n = [](double x) { return QString::number(x, 'g', 6); };
    return QStringLiteral("%1,%2,%3\n").arg(n(t), n(v), n(c)).toLatin1();
}
QByteArray fastRow(double t, double v, double c)
{
    char row[historycsv::MaxRowBytes];
    return QByteArray(row, historycsv::formatRow(row, t, v, c));
}
double plainField(const QString &field)
{
    bool ok = false;
    const double v = field.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}
// Each line decoded, trimmed, split at commas, fields by QString::toDouble, non-finite as 0.
Curves plainReading(const QByteArray &rows)
{
    Curves curves;
    for (const QByteArray &line : rows.split('\n')) {   // NUL is an ordinary character here
        const QStringList fields = QString::fromLocal8Bit(line.constData(), line.size()).trimmed().split(',');
        if (fields.size() >= 3)
            curves.times << plainField(fields[0]), curves.voltages << plainField(fields[1]),
                curves.currents << plainField(fields[2]);
    }
    return curves;
}
QString differs(const QVector<double> &a, const QVector<double> &b)
{
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
            return QStringLiteral("value %1: %2 against %3").arg(i).arg(a[i], 0, 'g', 17).arg(b[i], 0, 'g', 17);
    return a.size() == b.size() ? QString() : QStringLiteral("%1 values against %2").arg(a.size()).arg(b.size());
}
#define COMPARE_CURVES(a, b)                                                                    \
    do {                                                                                        \
        const Curves ca = (a), cb = (b);                                                        \
        for (auto m : {&Curves::times, &Curves::voltages, &Curves::currents})                   \
            QVERIFY2(differs(ca.*m, cb.*m).isEmpty(), qPrintable(differs(ca.*m, cb.*m)));       \
    } while (0)
} // namespace

class TstHistoryCsv : public QObject
{
    Q_OBJECT
private slots:
void numbersAsQtWritesThem_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QByteArray>("text");   // what Qt writes, pinned
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("negative zero") << -0.0 << QByteArray("0");   // Qt's number form has none
    QTest::newRow("negative nan") << -nan << QByteArray("nan");
    QTest::newRow("minus inf") << -inf << QByteArray("-inf");
    QTest::newRow("carry to a power of ten") << 999999.5 << QByteArray("1e+06");
    QTest::newRow("carry below one") << 9.9999950000000001e-05 << QByteArray("0.0001");
    QTest::newRow("tie rounds away from zero") << -1.453125 << QByteArray("-1.45313");
    QTest::newRow("tie of an integer") << 123456.5 << QByteArray("123457");
    QTest::newRow("tie in exponent form") << 1234565.0 << QByteArray("1.23457e+06");
    QTest::newRow("float widened") << double(12.3f) << QByteArray("12.3");
    QTest::newRow("long run loses its fraction") << 100000.25 << QByteArray("100000");
    QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min() << QByteArray("4.94066e-324");
    QTest::newRow("largest") << std::numeric_limits<double>::max() << QByteArray("1.79769e+308");
}

void numbersAsQtWritesThem()
{
    QFETCH(double, x); QFETCH(QByteArray, text);
    QCOMPARE(QString::number(x, 'g', 6).toLatin1(), text);   // the rule itself
    QCOMPARE(fastRow(x, -x, x), qtRow(x, -x, x));
    QCOMPARE(historycsv::formatRow(x, 1, 2), text + ",1,2\n");
    QCOMPARE(historycsv::headerBytes() + historycsv::formatRow(0.1, 12.0f, 1.49999f),
             QByteArray("KLV2400Data\ntime,Vol,Cur\n0.1,12,1.49999\n"));   // LF only
}

void randomNumbersAsQtWritesThem()
{
    std::mt19937_64 rng(20240527);
    const auto check = [](double x) { QVERIFY2(fastRow(x, x, x) == qtRow(x, x, x), qPrintable(QString::number(x, 'g', 17))); };
    for (int i = 0; i < 60000; ++i) {
        const quint64 bits = rng();
        double d;
        float f;
        std::memcpy(&d, &bits, sizeof d), std::memcpy(&f, &bits, sizeof f);
        check(d);                                                                  // anything a double can be
        check(double(f));                                                          // what a supply measures
        check(std::ldexp(double(rng() % (1u << 24) | 1), int(rng() % 80) - 60));   // few bits: ties
        check(double(qint64(rng() % 200000000)) / 1000.0);                         // sample times
        check(double(qint64(rng() % 2000000) - 1000000) * 0.5 / std::pow(10.0, int(rng() % 12)));
    }
}

void markerAndRowEnd()
{
    for (const char *line : {"KLV2400Data", "KLV2400Data\r\n", "  KLV2400Data  \t \r\n"})
        QVERIFY2(historycsv::isMarkerLine(line), line);
    for (const QByteArray &line : {QByteArray("\xEF\xBB\xBFKLV2400Data\n"), QByteArray("klv2400data\n"),
                                   QByteArray("KLV2400Data,\n"), QByteArray("KLV2400Data\0\n", 13), QByteArray()})
        QVERIFY2(!historycsv::isMarkerLine(line), line.constData());
    historycsv::Row r;   // only "1,2" belongs to the line: the rest of the buffer must not count
    const char *buffer = "1,2,3\n";
    QVERIFY(!historycsv::parseRow(buffer, buffer + 3, r));
    QVERIFY(historycsv::parseRow(buffer, buffer + 4, r) && r.voltage == 2.0 && r.current == 0.0);
}

void fieldsAsQtReadsThem()
{
    for (const char *f :
         {"12.5", " 12.5 ", "\t-3e-7\r", "+1", "+.5", "-.5", "5.", "1E+05", "00012", "-0", "+-1", "--1", "+", ".", "",
          "1e", "1e+", ".e5", "1.5x", "0x10", "1 2", "1..2", "inf", "-inf", "nan", "Infinity", "1e400", "-1e400",
          "1e-400", "4e-320", "2.2250738585072011e-308", "123456789012345678901234567890",
          "1.00000000000000011102230246251565404236316680908203125", "12\xC2\xA0", "\xA0" "12", "1\v", "\f1",
          "1\x1c", "\x85" "1", "１２"}) {
        const QByteArray rows = QByteArray(f) + ',' + f + ',' + f + "\n";
        COMPARE_CURVES(historycsv::parseRows(rows), plainReading(rows));
    }
}

void randomFilesAsQtReadsThem()
{
    std::mt19937 rng(7000502);
    const auto pick = [&rng](const QList<QByteArray> &from) { return from.at(int(rng() % unsigned(from.size()))); };
    const QList<QByteArray> blanks = {"", "", "", " ", "\t", "\r", "\v", "\f", "\xC2\xA0", "\xA0"};
    const QList<QByteArray> signs = {"", "", "", "-", "+", "+-", "--"};
    const QList<QByteArray> oddities = {"inf", "nan", "x", "e", ".", "1e400", "4e-320", QByteArray(1, '\0'),
                                        "\xC3", "0x1p3", "99999999999999999999999999999999999999999"};
    std::uniform_real_distribution<double> magnitude(-12, 12);
    const auto number = [&]() {
        QByteArray text = QByteArray::number(std::pow(10.0, magnitude(rng)) * (rng() % 2 ? 1 : -1), "gef"[rng() % 3],
                                             int(rng() % 18));
        if (rng() % 5 == 0)
            text.truncate(int(rng() % unsigned(text.size() + 1)));   // a number cut short
        if (rng() % 8 == 0)
            text.insert(int(rng() % unsigned(text.size() + 1)), pick(oddities));
        return text;
    };
    for (int file = 0; file < 40; ++file) {
        QByteArray rows;
        for (int line = 0; line < 500; ++line) {
            for (int f = 0, fields = int(rng() % 6); f < fields; ++f)
                rows += (f ? "," : "") + pick(blanks) + (rng() % 10 ? pick(signs) + number() : pick(oddities)) + pick(blanks);
            rows += pick({"\n", "\n", "\r\n", "\n\n"});
        }
        if (rng() % 2)
            rows.chop(1);   // the last line end is optional
        COMPARE_CURVES(historycsv::parseRows(rows), plainReading(rows));
    }
}

void rowsReadInPiecesOfAnySize()
{
    // The page reads a file in pieces: a line, CRLF or number cut at any byte reads as in the whole.
    const QByteArray data = QByteArray("0,1,2\r\n 3 ,\t4,5,extra\n\n6,") + QByteArray(3000, '7')
        + QByteArray(",8\n,,\n9,1e309,-0\n10,\0,11\n12,13", 30);
    const Curves whole = historycsv::parseRows(data);
    QCOMPARE(whole.times.size(), 6);
    COMPARE_CURVES(whole, plainReading(data));
    for (int piece = 1; piece <= data.size(); piece += piece < 40 ? 1 : 97) {
        historycsv::RowReader reader(piece);
        for (int at = 0; at < data.size(); at += piece)
            QVERIFY(reader.feed(data.mid(at, piece)));
        QVERIFY(reader.finish());
        COMPARE_CURVES(reader.takeCurves(), whole);
    }
}

void rowLimitRefusesAndFreesTheRows()
{
    // Non-rows do not count; the first row past the limit refuses the file and drops what was read.
    historycsv::RowReader atLimit(0, 3);
    QVERIFY(atLimit.feed(QByteArray("1,2,3\nshort\n\n4,5,6\n7,8,9")) && atLimit.finish());
    QCOMPARE(atLimit.takeCurves().times, (QVector<double>{1, 4, 7}));
    historycsv::RowReader overLimit(1 << 20, 3);
    QVERIFY(overLimit.feed(QByteArray("1,2,3\n4,5,6\n7,8,9\n")));
    QVERIFY(!overLimit.feed(QByteArray("10,11,12\n")) && !overLimit.feed(QByteArray("16,17,18\n")) && !overLimit.finish());
    QCOMPARE(overLimit.refusal(), historycsv::RowReader::Refusal::TooManyRows);
    COMPARE_CURVES(overLimit.takeCurves(), Curves());
    historycsv::RowReader lastLine(0, 1);   // an unended last line counts too
    QVERIFY(lastLine.feed(QByteArray("1,2,3\n4,5,6")) && !lastLine.finish());
    // A line is refused by its length however it arrives, ended or not.
    historycsv::RowReader longLine(0, 100, 10);
    QVERIFY(longLine.feed(QByteArray("1,2,3\n123,456")));
    QVERIFY(longLine.feed(QByteArray("789\n")));   // exactly 10 bytes
    QVERIFY(!longLine.feed(QByteArray("12345678901")));
    QCOMPARE(longLine.refusal(), historycsv::RowReader::Refusal::LineTooLong);
    QVERIFY(!longLine.finish() && longLine.takeCurves().times.isEmpty());
}
};

QTEST_GUILESS_MAIN(TstHistoryCsv)
#include "tst_historycsv.moc"
