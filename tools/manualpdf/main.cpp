// Renders one user manual, written in the Markdown subset of markdown.h, to
// an A4 PDF:  klv-manualpdf <manual.md> <output.pdf>
// Fonts need a GUI platform; the offscreen one is used unless another is set.

#include "markdown.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QVector>
#include <QTextStream>

#include <cstdio>

namespace {

const char *styleSheet =
    "body { color: #202020; }"
    "h1 { font-size: 22pt; color: #004100; margin-bottom: 12px; }"
    "h2 { font-size: 15pt; color: #004100; margin-top: 22px; margin-bottom: 6px; }"
    "h3 { font-size: 12pt; color: #335533; margin-top: 12px; margin-bottom: 4px; }"
    "p { margin-top: 3px; margin-bottom: 5px; }"
    "li { margin-bottom: 2px; }"
    "th { background-color: #dce8dc; font-weight: bold; }"
    "pre { font-family: 'Noto Sans Mono CJK SC', 'DejaVu Sans Mono', monospace; background-color: #f2f2f2; }"
    "code { font-family: 'Noto Sans Mono CJK SC', 'DejaVu Sans Mono', monospace; color: #004100; }"
    "table.note { background-color: #fdf6d8; margin-top: 6px; margin-bottom: 6px; }"
    "table.contents { margin-bottom: 10px; }"
    "p.caption { color: #555555; margin-bottom: 10px; }"
    "a { color: #004100; text-decoration: none; }";

int fail(const QString &message)
{
    std::fprintf(stderr, "klv-manualpdf: %s\n", qPrintable(message));
    return 1;
}

// Widest picture in CSS pixels that fits between the 2 cm page margins of A4.
const int maxPictureWidth = 620;

// Names every picture by its absolute path (printing works on a copy of the
// document, which would lose a base URL) and shrinks the ones wider than the
// text column, keeping their aspect.
void fitPictures(QTextDocument &document, const QDir &baseDir)
{
    struct Picture {
        int position;
        QTextImageFormat format;
    };
    QVector<Picture> pictures; // collected first: reformatting moves fragments
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                pictures.append({it.fragment().position(), it.fragment().charFormat().toImageFormat()});
        }
    }
    for (Picture &p : pictures) {
        p.format.setName(baseDir.absoluteFilePath(p.format.name()));
        const QImage picture(p.format.name());
        const qreal scale = qMin<qreal>(1.0, qreal(maxPictureWidth) / picture.width());
        p.format.setWidth(picture.width() * scale);
        p.format.setHeight(picture.height() * scale);
        QTextCursor cursor(&document);
        cursor.setPosition(p.position);
        cursor.setPosition(p.position + 1, QTextCursor::KeepAnchor); // one object character
        cursor.setCharFormat(p.format);
    }
}

QString titleOf(const QString &markdown)
{
    static const QRegularExpression h1(QStringLiteral("^#\\s+(.*)$"), QRegularExpression::MultilineOption);
    return h1.match(markdown).captured(1).trimmed();
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: klv-manualpdf <manual.md> <output.pdf>"));

    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read %1").arg(args[1]));
    QTextStream in(&source);
    in.setCodec("UTF-8");
    const QString markdown = in.readAll();
    if (markdown.trimmed().isEmpty())
        return fail(QStringLiteral("%1 is empty").arg(args[1]));

    // Chinese and Latin text from one family; the substitutes cover
    // machines without the Noto CJK fonts.
    const QString family = QStringLiteral("Noto Sans CJK SC");
    QFont::insertSubstitutions(family, {QStringLiteral("Microsoft YaHei"), QStringLiteral("SimHei"),
                                        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Droid Sans Fallback"),
                                        QStringLiteral("DejaVu Sans")});
    QFont font(family);
    font.setPointSizeF(10.5);

    // Pictures are named relative to the manual; a missing one is an error,
    // not an empty frame in the PDF.
    const QDir baseDir = QFileInfo(args[1]).absoluteDir();
    for (const QString &picture : markdownImages(markdown)) {
        if (QImage(baseDir.filePath(picture)).isNull())
            return fail(QStringLiteral("cannot load picture %1").arg(baseDir.filePath(picture)));
    }

    QTextDocument document;
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QString::fromLatin1(styleSheet));
    document.setHtml(markdownToHtml(markdown));
    fitPictures(document, baseDir);

    const QString output = args[2];
    QPdfWriter writer(output);
    writer.setTitle(titleOf(markdown));
    writer.setCreator(QStringLiteral("KLV2400"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    // Not paginated beforehand: print() lays it out with 2 cm margins and
    // numbers the pages.
    document.print(&writer);

    if (QFileInfo(output).size() == 0)
        return fail(QStringLiteral("nothing written to %1").arg(output));
    return 0;
}
