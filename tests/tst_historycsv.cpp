// The history file's bytes and reading them back.
#include "historycsv.h"

#include <QtTest>

#include <cmath>
#include <limits>

using historycsv::Curves;
using historycsv::Row;

class TstHistoryCsv : public QObject
{
    Q_OBJECT
private slots:
    void rowFormat_data();
    void rowFormat();
    void wholeRunBytes();
    void marker_data();
    void marker();
    void row_data();
    void row();
    void rowNeverReadsPastItsEnd();
    void rowsOfAFile();
    void rowsReadInPiecesOfAnySize();
    void rowLimitRefusesAndFreesTheRows();
    void roundTripToSixDigits();
};

void TstHistoryCsv::rowFormat_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("voltage");
    QTest::addColumn<double>("current");
    QTest::addColumn<QByteArray>("row");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("plain") << 0.0 << 12.0 << 1.5 << QByteArray("0,12,1.5\n");
    QTest::newRow("float widened") << 0.1 << double(12.3f) << double(1.49999f)
                                   << QByteArray("0.1,12.3,1.49999\n");
    QTest::newRow("six digits") << 1234.567 << 0.1 << 12.5 << QByteArray("1234.57,0.1,12.5\n");
    QTest::newRow("exponent forms") << 2.5e6 << 1e-5 << -3.25e-7
                                    << QByteArray("2.5e+06,1e-05,-3.25e-07\n");
    QTest::newRow("exponent limits") << 999999.0 << 0.0001 << 999999.5
                                     << QByteArray("999999,0.0001,1e+06\n");
    QTest::newRow("long run drops the fraction") << 100000.25 << 123456.7 << -0.5
                                                 << QByteArray("100000,123457,-0.5\n");
    // Qt's number form has no negative zero.
    QTest::newRow("negative zero") << 0.0 << -0.0 << double(-0.0f) << QByteArray("0,0,0\n");
    QTest::newRow("non-finite as it comes") << 1.0 << nan << -inf << QByteArray("1,nan,-inf\n");
}

void TstHistoryCsv::rowFormat()
{
    QFETCH(double, time);
    QFETCH(double, voltage);
    QFETCH(double, current);
    QFETCH(QByteArray, row);
    QCOMPARE(historycsv::formatRow(time, voltage, current), row);
}

void TstHistoryCsv::wholeRunBytes()
{
    const QByteArray file = historycsv::headerBytes()
        + historycsv::formatRow(0, 12.0f, 1.5f)
        + historycsv::formatRow(0.1, 12.0f, 1.49999f);
    QCOMPARE(file, QByteArray("KLV2400Data\ntime,Vol,Cur\n0,12,1.5\n0.1,12,1.49999\n"));
    QVERIFY(!file.contains('\r'));
}

void TstHistoryCsv::marker_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("bare") << QByteArray("KLV2400Data") << true;
    QTest::newRow("LF") << QByteArray("KLV2400Data\n") << true;
    QTest::newRow("CRLF") << QByteArray("KLV2400Data\r\n") << true;
    QTest::newRow("trailing blanks") << QByteArray("KLV2400Data  \t \r\n") << true;
    QTest::newRow("leading blanks") << QByteArray("  KLV2400Data\n") << true;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFKLV2400Data\n") << false;
    QTest::newRow("UTF-16 mark") << QByteArray("\xFF\xFEK\0L\0V\0", 9) << false;
    QTest::newRow("lower case") << QByteArray("klv2400data\n") << false;
    QTest::newRow("longer") << QByteArray("KLV2400Data2\n") << false;
    QTest::newRow("with a field") << QByteArray("KLV2400Data,\n") << false;
    QTest::newRow("shorter") << QByteArray("KLV2400Dat\n") << false;
    QTest::newRow("embedded NUL") << QByteArray("KLV2400Data\0\n", 13) << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("column names") << QByteArray("time,Vol,Cur\n") << false;
}

void TstHistoryCsv::marker()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    QCOMPARE(historycsv::isMarkerLine(line), accepted);
}

void TstHistoryCsv::row_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("isRow");
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("voltage");
    QTest::addColumn<double>("current");
    QTest::newRow("plain") << QByteArray("0.1,12,1.49999") << true << 0.1 << 12.0 << 1.49999;
    QTest::newRow("CR and blanks") << QByteArray(" 1 , 2.5 ,3e2 \r") << true << 1.0 << 2.5 << 300.0;
    QTest::newRow("extra fields ignored") << QByteArray("1,2,3,4,x") << true << 1.0 << 2.0 << 3.0;
    QTest::newRow("empty fields") << QByteArray("1,,") << true << 1.0 << 0.0 << 0.0;
    QTest::newRow("only commas") << QByteArray(",,") << true << 0.0 << 0.0 << 0.0;
    QTest::newRow("words") << QByteArray("time,Vol,Cur") << true << 0.0 << 0.0 << 0.0;
    QTest::newRow("non-finite") << QByteArray("nan,inf,-inf") << true << 0.0 << 0.0 << 0.0;
    QTest::newRow("overflow") << QByteArray("1e999,-1e999,NaN") << true << 0.0 << 0.0 << 0.0;
    QTest::newRow("half a number") << QByteArray("1.5x,0x10,1e") << true << 0.0 << 0.0 << 0.0;
    QTest::newRow("two fields") << QByteArray("1,2") << false << 0.0 << 0.0 << 0.0;
    QTest::newRow("one field") << QByteArray("123") << false << 0.0 << 0.0 << 0.0;
    QTest::newRow("empty") << QByteArray("") << false << 0.0 << 0.0 << 0.0;
    QTest::newRow("blank") << QByteArray(" \r") << false << 0.0 << 0.0 << 0.0;
}

void TstHistoryCsv::row()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, isRow);
    Row r;
    r.time = r.voltage = r.current = -99;
    QCOMPARE(historycsv::parseRow(line.constData(), line.constData() + line.size(), r), isRow);
    if (!isRow)
        return;
    QFETCH(double, time);
    QFETCH(double, voltage);
    QFETCH(double, current);
    QCOMPARE(r.time, time);
    QCOMPARE(r.voltage, voltage);
    QCOMPARE(r.current, current);
}

void TstHistoryCsv::rowNeverReadsPastItsEnd()
{
    // Only "1,2" belongs to the line: the rest of the buffer must not count.
    const QByteArray buffer("1,2,3\n");
    Row r;
    QVERIFY(!historycsv::parseRow(buffer.constData(), buffer.constData() + 3, r));
    QVERIFY(historycsv::parseRow(buffer.constData(), buffer.constData() + 5, r));
    QCOMPARE(r.current, 3.0);
    // A number cut off by the line's end reads as far as the line goes.
    QVERIFY(historycsv::parseRow(buffer.constData(), buffer.constData() + 4, r));
    QCOMPARE(r.voltage, 2.0);
    QCOMPARE(r.current, 0.0);
}

void TstHistoryCsv::rowsOfAFile()
{
    const QByteArray data("0,1,2\r\n"
                          "\n"
                          "0.5,3\n"
                          "1,4,5,extra\n"
                          "\r\n"
                          "2,x,6");   // no final line end
    const Curves c = historycsv::parseRows(data);
    QCOMPARE(c.times, (QVector<double>{0, 1, 2}));
    QCOMPARE(c.voltages, (QVector<double>{1, 4, 0}));
    QCOMPARE(c.currents, (QVector<double>{2, 5, 6}));

    const Curves none = historycsv::parseRows(QByteArray("\n\n"));
    QVERIFY(none.times.isEmpty() && none.voltages.isEmpty() && none.currents.isEmpty());
    QVERIFY(historycsv::parseRows(QByteArray()).times.isEmpty());
}

void TstHistoryCsv::rowsReadInPiecesOfAnySize()
{
    // The page reads a file in pieces: a line, a CRLF or a number cut at
    // any byte must read as in the whole file.
    const QByteArray data = QByteArray("0,1,2\r\n 3 ,\t4,5,extra\n\n6,") + QByteArray(3000, '7')
        + QByteArray(",8\n,,\n9,1e309,-0\n10,\0,11\n12,13", 30);
    const Curves whole = historycsv::parseRows(data);
    QCOMPARE(whole.times.size(), 6);
    for (int piece = 1; piece <= data.size(); piece += piece < 40 ? 1 : 97) {
        historycsv::RowReader reader(piece);
        for (int at = 0; at < data.size(); at += piece)
            QVERIFY(reader.feed(data.mid(at, piece)));
        QVERIFY(reader.finish());
        const Curves c = reader.takeCurves();
        QCOMPARE(c.times, whole.times);
        QCOMPARE(c.voltages, whole.voltages);
        QCOMPARE(c.currents, whole.currents);
    }
}

void TstHistoryCsv::rowLimitRefusesAndFreesTheRows()
{
    // Lines that are not rows do not count; the first row past the limit
    // refuses the file, and nothing read before it is kept.
    historycsv::RowReader atLimit(0, 3);
    QVERIFY(atLimit.feed(QByteArray("1,2,3\nshort\n\n4,5,6\n7,8,9")));
    QVERIFY(atLimit.finish());
    QCOMPARE(atLimit.takeCurves().times, (QVector<double>{1, 4, 7}));

    historycsv::RowReader overLimit(1 << 20, 3);
    QVERIFY(overLimit.feed(QByteArray("1,2,3\n4,5,6\n7,8,9\n")));
    QVERIFY(!overLimit.feed(QByteArray("10,11,12\n13,14,15\n")));
    QVERIFY(!overLimit.feed(QByteArray("16,17,18\n")));
    QVERIFY(!overLimit.finish());
    QCOMPARE(overLimit.refusal(), historycsv::RowReader::Refusal::TooManyRows);
    const Curves refused = overLimit.takeCurves();
    QVERIFY(refused.times.isEmpty() && refused.voltages.isEmpty() && refused.currents.isEmpty());

    // An unended last line is a row too, and counts.
    historycsv::RowReader lastLine(0, 1);
    QVERIFY(lastLine.feed(QByteArray("1,2,3\n4,5,6")));
    QVERIFY(!lastLine.finish());

    // A line is refused by its length however it arrives, ended or not.
    historycsv::RowReader longLine(0, 100, 10);
    QVERIFY(longLine.feed(QByteArray("1,2,3\n123,456")));
    QVERIFY(longLine.feed(QByteArray("789\n")));   // exactly 10 bytes
    QVERIFY(!longLine.feed(QByteArray("12345678901")));
    QCOMPARE(longLine.refusal(), historycsv::RowReader::Refusal::LineTooLong);
    QVERIFY(!longLine.finish());
    QVERIFY(longLine.takeCurves().times.isEmpty());
}

void TstHistoryCsv::roundTripToSixDigits()
{
    // Values a run produces: float readings at 100 ms steps, with long runs.
    QVector<double> t, v, c;
    for (int i = 0; i < 2000; ++i) {
        t << i * 0.1 + (i % 7 == 0 ? 123456.789 : 0);
        v << double(float(std::sin(i * 0.37) * 60.0));
        c << double(float(std::exp(-i * 0.01) * 1e-3 * (i % 3 - 1)));
    }
    t << 0 << 2.5e6 << 1e-5;
    v << 1e7 << -0.0 << 1234.567;
    c << 5e-300 << 1e300 << 99999.95;

    QByteArray file;
    for (int i = 0; i < t.size(); ++i)
        file += historycsv::formatRow(t[i], v[i], c[i]);
    const Curves back = historycsv::parseRows(file);
    QCOMPARE(back.times.size(), t.size());
    for (int i = 0; i < t.size(); ++i) {
        QCOMPARE(QByteArray::number(back.times[i], 'g', 6), QByteArray::number(t[i], 'g', 6));
        QCOMPARE(QByteArray::number(back.voltages[i], 'g', 6), QByteArray::number(v[i], 'g', 6));
        QCOMPARE(QByteArray::number(back.currents[i], 'g', 6), QByteArray::number(c[i], 'g', 6));
        QVERIFY(qAbs(back.voltages[i] - v[i]) <= 5e-6 * qAbs(v[i]));
    }
}

QTEST_GUILESS_MAIN(TstHistoryCsv)
#include "tst_historycsv.moc"
