// The history file's numbers against Qt's own number forms: rows must be
// byte for byte what QString::number(x, 'g', 6) writes, and reading a file
// must give bit for bit what the plain reading gives (each line decoded from
// the local code page, trimmed, split at commas, each field read with
// QString::toDouble, anything not a finite number as 0, lines with fewer
// than three fields skipped).
#include "historycsv.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

QByteArray qtRow(double t, double v, double c)
{
    return QStringLiteral("%1,%2,%3\n")
        .arg(QString::number(t, 'g', 6), QString::number(v, 'g', 6), QString::number(c, 'g', 6))
        .toLatin1();
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

// NUL is an ordinary character here: the line's bytes are decoded whole.
historycsv::Curves plainReading(const QByteArray &rows)
{
    historycsv::Curves curves;
    QBuffer buffer;
    buffer.setData(rows);
    buffer.open(QIODevice::ReadOnly);
    while (!buffer.atEnd()) {
        const QByteArray bytes = buffer.readLine();
        const QStringList fields = QString::fromLocal8Bit(bytes.constData(), bytes.size()).trimmed().split(QLatin1Char(','));
        if (fields.size() < 3)
            continue;
        curves.times << plainField(fields.at(0));
        curves.voltages << plainField(fields.at(1));
        curves.currents << plainField(fields.at(2));
    }
    return curves;
}

bool sameBits(const QVector<double> &a, const QVector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.constData(), b.constData(), size_t(a.size()) * sizeof(double)) == 0;
}

QString describe(const QVector<double> &a, const QVector<double> &b)
{
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
            return QStringLiteral("value %1: %2 against %3").arg(i).arg(a[i], 0, 'g', 17).arg(b[i], 0, 'g', 17);
    return QStringLiteral("%1 values against %2").arg(a.size()).arg(b.size());
}

double fromBits(quint64 bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

} // namespace

class TstHistoryCsvExact : public QObject
{
    Q_OBJECT
private slots:
    void numbersAsQtWritesThem_data();
    void numbersAsQtWritesThem();
    void randomNumbersAsQtWritesThem();
    void fieldsAsQtReadsThem_data();
    void fieldsAsQtReadsThem();
    void randomFilesAsQtReadsThem();
};

void TstHistoryCsvExact::numbersAsQtWritesThem_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QByteArray>("text");   // what Qt writes, pinned
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero") << 0.0 << QByteArray("0");
    QTest::newRow("negative zero") << -0.0 << QByteArray("0");
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << QByteArray("nan");
    QTest::newRow("negative nan") << -std::numeric_limits<double>::quiet_NaN() << QByteArray("nan");
    QTest::newRow("inf") << inf << QByteArray("inf");
    QTest::newRow("minus inf") << -inf << QByteArray("-inf");
    QTest::newRow("carry to a power of ten") << 999999.5 << QByteArray("1e+06");
    QTest::newRow("carry below one") << 9.9999950000000001e-05 << QByteArray("0.0001");
    QTest::newRow("exact tie rounds away from zero") << 12.03125 << QByteArray("12.0313");
    QTest::newRow("negative tie") << -1.453125 << QByteArray("-1.45313");
    QTest::newRow("tie of an integer") << 123456.5 << QByteArray("123457");
    QTest::newRow("tie in exponent form") << 1234565.0 << QByteArray("1.23457e+06");
    QTest::newRow("float widened") << double(12.3f) << QByteArray("12.3");
    QTest::newRow("exponent limits") << 1e-5 << QByteArray("1e-05");
    QTest::newRow("large") << 2.5e6 << QByteArray("2.5e+06");
    QTest::newRow("long run loses its fraction") << 100000.25 << QByteArray("100000");
    QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min() << QByteArray("4.94066e-324");
    QTest::newRow("largest") << std::numeric_limits<double>::max() << QByteArray("1.79769e+308");
    QTest::newRow("smallest normal") << std::numeric_limits<double>::min() << QByteArray("2.22507e-308");
}

void TstHistoryCsvExact::numbersAsQtWritesThem()
{
    QFETCH(double, x);
    QFETCH(QByteArray, text);
    QCOMPARE(QString::number(x, 'g', 6).toLatin1(), text);   // the rule itself
    QCOMPARE(fastRow(x, -x, x), qtRow(x, -x, x));
    QCOMPARE(fastRow(x, 1, 2), text + ",1,2\n");
}

void TstHistoryCsvExact::randomNumbersAsQtWritesThem()
{
    std::mt19937_64 rng(20240527);
    const auto check = [](double x) {
        const QByteArray fast = fastRow(x, x, x);
        if (fast != qtRow(x, x, x))
            QFAIL(qPrintable(QStringLiteral("%1: %2 instead of %3")
                                 .arg(x, 0, 'g', 17)
                                 .arg(QString::fromLatin1(fast), QString::fromLatin1(qtRow(x, x, x)))));
    };
    for (int i = 0; i < 60000; ++i) {
        check(fromBits(rng()));                                             // anything a double can be
        float f;
        const quint32 fbits = quint32(rng());
        std::memcpy(&f, &fbits, sizeof f);
        check(double(f));                                                   // what a supply measures
        check(std::ldexp(double(rng() % (1u << 24) | 1), int(rng() % 80) - 60));   // few bits: ties
        check(double(qint64(rng() % 200000000)) / 1000.0);                  // sample times
        check(double(qint64(rng() % 2000000) - 1000000) * 0.5 / std::pow(10.0, int(rng() % 12)));
    }
}

void TstHistoryCsvExact::fieldsAsQtReadsThem_data()
{
    QTest::addColumn<QByteArray>("field");
    for (const char *field :
         {"12.5", " 12.5 ", "\t-3e-7\r", "+1", "+.5", "-.5", ".5", "5.", "1e5", "1E+05", "00012", "-0", "+-1", "-+1",
          "++1", "--1", "+", "-", ".", "", " ", "1e", "1e+", ".e5", "1.5x", "0x10", "1 2", "1..2", "inf", "-inf", "+inf",
          "nan", "Infinity", "1e400", "-1e400", "1e-400", "4e-320", "2.2250738585072011e-308",
          "123456789012345678901234567890", "0.000000000000000000000000000000000000000000001",
          "1.00000000000000011102230246251565404236316680908203125", "12\xC2\xA0", "\xC2\xA0" "12", "\xA0" "12",
          "1\v", "\f1", "1\x1c", "\x85" "1", "１２"})
        QTest::newRow(QByteArray(field).toPercentEncoding().constData()) << QByteArray(field);
}

void TstHistoryCsvExact::fieldsAsQtReadsThem()
{
    QFETCH(QByteArray, field);
    const QByteArray rows = field + ',' + field + "," + field + "\n";
    const historycsv::Curves fast = historycsv::parseRows(rows);
    const historycsv::Curves plain = plainReading(rows);
    QVERIFY2(sameBits(fast.times, plain.times), qPrintable(describe(fast.times, plain.times)));
    QVERIFY2(sameBits(fast.currents, plain.currents), qPrintable(describe(fast.currents, plain.currents)));
}

void TstHistoryCsvExact::randomFilesAsQtReadsThem()
{
    std::mt19937 rng(7000502);
    const auto pick = [&rng](const QList<QByteArray> &from) { return from.at(int(rng() % unsigned(from.size()))); };
    const QList<QByteArray> blanks = {"", "", "", " ", "\t", "\r", "  ", "\v", "\f", "\xC2\xA0", "\xA0"};
    const QList<QByteArray> signs = {"", "", "", "-", "+", "+-", "--"};
    const QList<QByteArray> oddities = {"inf", "nan", "x", "e", ".", "1e400", "4e-320", QByteArray(1, '\0'),
                                        "\xC3", "0x1p3", "d", "99999999999999999999999999999999999999999"};
    const QList<QByteArray> lineEnds = {"\n", "\n", "\r\n", "\n\n"};
    std::uniform_real_distribution<double> magnitude(-12, 12);
    const auto number = [&]() -> QByteArray {
        const double x = std::pow(10.0, magnitude(rng)) * (rng() % 2 ? 1 : -1);
        const char format = "gef"[rng() % 3];
        QByteArray text = QByteArray::number(x, format, int(rng() % 18));
        if (rng() % 5 == 0)
            text.truncate(int(rng() % unsigned(text.size() + 1)));   // a number cut short
        if (rng() % 8 == 0)
            text.insert(int(rng() % unsigned(text.size() + 1)), pick(oddities));
        return text;
    };
    for (int file = 0; file < 40; ++file) {
        QByteArray rows;
        for (int line = 0; line < 500; ++line) {
            const int fields = int(rng() % 6);
            for (int f = 0; f < fields; ++f) {
                if (f > 0)
                    rows += ',';
                const bool oddOne = rng() % 10 == 0;
                rows += pick(blanks) + (oddOne ? pick(oddities) : pick(signs) + number()) + pick(blanks);
            }
            rows += pick(lineEnds);
        }
        if (rng() % 2)
            rows.chop(1);   // the last line end is optional
        const historycsv::Curves fast = historycsv::parseRows(rows);
        const historycsv::Curves plain = plainReading(rows);
        QVERIFY2(sameBits(fast.times, plain.times), qPrintable(describe(fast.times, plain.times)));
        QVERIFY2(sameBits(fast.voltages, plain.voltages), qPrintable(describe(fast.voltages, plain.voltages)));
        QVERIFY2(sameBits(fast.currents, plain.currents), qPrintable(describe(fast.currents, plain.currents)));
    }
}

QTEST_MAIN(TstHistoryCsvExact)
#include "tst_historycsv_exact.moc"
