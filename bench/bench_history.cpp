// History files: writing a row (figure 4) against std::to_chars of the same
// three numbers, and importing a 1,000,000-row file into both plots of a
// shown device page (figure 3) against a plain std::from_chars loop over
// the same file.

#include "benchkit.h"
#include "devwidget_klv2400.h"
#include "historycsv.h"
#include "mycustomplot.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int Rows = 1000000;

// Picks the file in the import's file dialog as soon as it shows and notes
// the moment.
class FilePicker : public QObject
{
public:
    explicit FilePicker(const QString &file) : file(file)
    {
        connect(&timer, &QTimer::timeout, this, &FilePicker::poll);
        timer.start(5);
    }
    qint64 pickedAt = 0;

private:
    void poll()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog || !dialog->isVisible() || pickedAt != 0)
                continue;
            dialog->selectFile(file);
            // The name field keeps its text once focused; accept() reads it.
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(file);
            pickedAt = bench::monotonicNs();
            static_cast<QDialog *>(dialog)->accept();
        }
    }

    QString file;
    QTimer timer;
};

struct Sample {
    double t, v, c;
};

// What a long run at 100 ms records: times from the page's millisecond
// clock, voltage and current from 32-bit floats.
std::vector<Sample> runSamples(int count)
{
    std::vector<Sample> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const float v = float(12.0 + 0.25 * std::sin(i * 0.001));
        const float c = float(1.5 + 0.125 * std::cos(i * 0.0007));
        samples[size_t(i)] = {double(qint64(i) * 100 + i % 3) / 1000.0, double(v), double(c)};
    }
    return samples;
}

template <typename Fn>
double bestOf(int runs, Fn fn)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const qint64 t0 = bench::monotonicNs();
        fn();
        best = std::min(best, double(bench::monotonicNs() - t0) / 1e6);
    }
    return best;
}

// std::to_chars of the three numbers, 'g' with 6 digits, into one buffer.
size_t plainRow(char *out, const Sample &s)
{
    char *p = out;
    p = std::to_chars(p, p + 32, s.t, std::chars_format::general, 6).ptr;
    *p++ = ',';
    p = std::to_chars(p, p + 32, s.v, std::chars_format::general, 6).ptr;
    *p++ = ',';
    p = std::to_chars(p, p + 32, s.c, std::chars_format::general, 6).ptr;
    *p++ = '\n';
    return size_t(p - out);
}

void rowFormatting(const std::vector<Sample> &samples)
{
    size_t sink = 0;
    auto plain = [&] {
        char buf[128];
        for (const Sample &s : samples)
            sink += plainRow(buf, s);
    };
    // What the page does per sample.
    auto page = [&] {
        char buf[historycsv::MaxRowBytes];
        for (const Sample &s : samples)
            sink += size_t(historycsv::formatRow(buf, s.t, s.v, s.c));
    };
    double plainMs = 1e300, pageMs = 1e300;
    for (int round = 0; round < 5; ++round) {
        plainMs = std::min(plainMs, bestOf(1, plain));
        pageMs = std::min(pageMs, bestOf(1, page));
    }
    // The same bytes as Qt's own number form, row for row.
    int differing = 0;
    for (const Sample &s : samples) {
        const QString qt = QStringLiteral("%1,%2,%3\n").arg(QString::number(s.t, 'g', 6),
                                                             QString::number(s.v, 'g', 6),
                                                             QString::number(s.c, 'g', 6));
        differing += historycsv::formatRow(s.t, s.v, s.c) != qt.toLatin1();
    }
    const double ratio = pageMs / plainMs;
    bench::report(4, QStringLiteral("history row formatting vs std::to_chars (%1 rows)").arg(samples.size()),
                  QStringLiteral("%1x").arg(bench::fmt(ratio)), QStringLiteral("<= 1.5x, same bytes"),
                  ratio <= 1.5 && differing == 0,
                  QStringLiteral("page %1 ns/row, to_chars %2 ns/row, %3 rows differ (checksum %4)")
                      .arg(bench::fmt(pageMs * 1e6 / double(samples.size()), 0),
                           bench::fmt(plainMs * 1e6 / double(samples.size()), 0))
                      .arg(differing)
                      .arg(sink % 997));
}

// The plain reader: the whole file, two header lines skipped, three numbers
// a line with std::from_chars.
size_t plainImport(const QString &path, std::vector<double> &t, std::vector<double> &v, std::vector<double> &c)
{
    std::FILE *f = std::fopen(QFile::encodeName(path).constData(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<char> bytes(static_cast<size_t>(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    const char *p = bytes.data();
    const char *end = p + got;
    for (int header = 0; header < 2; ++header)
        p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))) + 1;
    t.clear();
    v.clear();
    c.clear();
    t.reserve(got / 16);
    v.reserve(got / 16);
    c.reserve(got / 16);
    while (p < end) {
        double a = 0, b = 0, d = 0;
        p = std::from_chars(p, end, a).ptr + 1;
        p = std::from_chars(p, end, b).ptr + 1;
        p = std::from_chars(p, end, d).ptr + 1;
        t.push_back(a);
        v.push_back(b);
        c.push_back(d);
    }
    return t.size();
}

void fileImport(const std::vector<Sample> &samples)
{
    const QString path = QStringLiteral("run.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(historycsv::headerBytes());
    for (const Sample &s : samples)
        file.write(historycsv::formatRow(s.t, s.v, s.c));
    file.close();

    DevWidget_KLV2400 page;
    page.resize(1280, 800);
    page.show();
    QApplication::processEvents();
    auto *vol = page.findChild<MyCustomPlot *>(QStringLiteral("widget_plot_Vol"));
    auto *importButton = page.findChild<QToolButton *>(QStringLiteral("tbtn_plotImport"));

    std::vector<double> t, v, c;
    std::vector<double> plainMs, pageMs;
    for (int round = 0; round < 5; ++round) {
        plainMs.push_back(bestOf(1, [&] { plainImport(path, t, v, c); }));
        // From the moment the dialog hands over the file to the end of the
        // import: the operator's wait after picking.
        FilePicker picker(QFileInfo(path).absoluteFilePath());
        importButton->click();
        pageMs.push_back(double(bench::monotonicNs() - picker.pickedAt) / 1e6);
    }
    const int imported = static_cast<QCustomPlot *>(vol)->graph(0)->dataCount();
    const double pageMedian = bench::statsOf(pageMs).median;
    const double plainMedian = bench::statsOf(plainMs).median;
    const double ratio = pageMedian / plainMedian;
    bench::report(3, QStringLiteral("CSV import of %1 rows into both plots vs std::from_chars loop").arg(Rows),
                  QStringLiteral("%1x (%2 ms)").arg(bench::fmt(ratio), bench::fmt(pageMedian, 0)),
                  QStringLiteral("<= 2x"), ratio <= 2 && imported == int(samples.size()),
                  QStringLiteral("page import %1 ms (median of 5), plain from_chars %2 ms, %3 points per plot")
                      .arg(bench::fmt(pageMedian, 1), bench::fmt(plainMedian, 1))
                      .arg(imported));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bench::ScratchDir scratch;
    const std::vector<Sample> samples = runSamples(Rows);
    rowFormatting(samples);
    fileImport(samples);
    return 0;
}
