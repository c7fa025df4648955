#include "markdown.h"

#include <QRegularExpression>
#include <QStringList>
#include <QVector>

namespace {

QString inlineHtml(const QString &text)
{
    QString html = text.toHtmlEscaped();
    static const QRegularExpression bold(QStringLiteral("\\*\\*(.+?)\\*\\*"));
    static const QRegularExpression code(QStringLiteral("`([^`]+)`"));
    html.replace(bold, QStringLiteral("<b>\\1</b>"));
    html.replace(code, QStringLiteral("<code>\\1</code>"));
    return html;
}

QStringList tableCells(QString line)
{
    line = line.trimmed();
    if (line.startsWith('|'))
        line.remove(0, 1);
    if (line.endsWith('|'))
        line.chop(1);
    QStringList cells = line.split('|');
    for (QString &cell : cells)
        cell = cell.trimmed();
    return cells;
}

bool isTableSeparator(const QString &line)
{
    static const QRegularExpression sep(QStringLiteral("^\\s*\\|?\\s*:?-+:?\\s*(\\|\\s*:?-+:?\\s*)*\\|?\\s*$"));
    return sep.match(line).hasMatch();
}

int indentOf(const QString &line)
{
    int n = 0;
    while (n < line.size() && line.at(n) == ' ')
        ++n;
    return n;
}

class Converter
{
public:
    QString run(const QStringList &lines);

private:
    struct ListLevel {
        QString tag; // "ul" or "ol"
        int indent;
    };

    void flushText();
    void closeLists(int downToIndent = -1);
    void heading(int level, const QString &text);
    void listItem(const QString &tag, int indent, const QString &text);
    void image(const QString &path, const QString &caption);
    int table(const QStringList &lines, int start);
    int note(const QStringList &lines, int start);
    int codeBlock(const QStringList &lines, int start);

    QString body;
    QStringList paragraph;     // lines of the open paragraph
    QStringList itemLines;     // lines of the innermost open list item
    QVector<ListLevel> lists;  // open lists, outermost first
    QStringList sections;      // level-2 headings, for the contents
    int contentsAt = -1;       // where [TOC] stood in body
    bool breakBefore = false;  // [PAGEBREAK] seen: the next heading starts a page
};

void Converter::flushText()
{
    if (!itemLines.isEmpty()) {
        body += inlineHtml(itemLines.join(' '));
        itemLines.clear();
    }
    if (!paragraph.isEmpty()) {
        body += QStringLiteral("<p>") + inlineHtml(paragraph.join(' ')) + QStringLiteral("</p>\n");
        paragraph.clear();
    }
}

// Closes the lists nested deeper than downToIndent (all lists by default).
void Converter::closeLists(int downToIndent)
{
    flushText();
    while (!lists.isEmpty() && lists.last().indent > downToIndent) {
        body += QStringLiteral("</li></%1>\n").arg(lists.last().tag);
        lists.removeLast();
    }
}

void Converter::heading(int level, const QString &text)
{
    closeLists();
    QString attributes;
    if (level == 2) {
        attributes = QStringLiteral(" id=\"s%1\"").arg(sections.size());
        sections << text;
    }
    if (breakBefore)
        attributes += QStringLiteral(" style=\"page-break-before: always\"");
    breakBefore = false;
    body += QStringLiteral("<h%1%2>%3</h%1>\n").arg(level).arg(attributes, inlineHtml(text));
}

void Converter::listItem(const QString &tag, int indent, const QString &text)
{
    flushText();
    // Leave the lists nested deeper than this item.
    while (!lists.isEmpty() && lists.last().indent > indent) {
        body += QStringLiteral("</li></%1>\n").arg(lists.last().tag);
        lists.removeLast();
    }
    if (!lists.isEmpty() && lists.last().indent == indent && lists.last().tag != tag) {
        body += QStringLiteral("</li></%1>\n").arg(lists.last().tag);
        lists.removeLast();
    }
    if (!lists.isEmpty() && lists.last().indent == indent) {
        body += QStringLiteral("</li>\n<li>");
    } else {
        body += QStringLiteral("<%1>\n<li>").arg(tag);
        lists.append({tag, indent});
    }
    itemLines << text;
}

void Converter::image(const QString &path, const QString &caption)
{
    closeLists();
    body += QStringLiteral("<p align=\"center\"><img src=\"%1\"></p>\n").arg(path.toHtmlEscaped());
    if (!caption.isEmpty())
        body += QStringLiteral("<p class=\"caption\" align=\"center\">%1</p>\n").arg(inlineHtml(caption));
}

int Converter::table(const QStringList &lines, int start)
{
    closeLists();
    body += QStringLiteral("<table class=\"grid\" width=\"100%\" border=\"1\" bordercolor=\"#9aa89a\""
                           " cellspacing=\"0\" cellpadding=\"4\">\n<tr>");
    for (const QString &cell : tableCells(lines[start]))
        body += QStringLiteral("<th>") + inlineHtml(cell) + QStringLiteral("</th>");
    body += QStringLiteral("</tr>\n");
    int i = start + 2;
    for (; i < lines.size() && lines[i].trimmed().startsWith('|'); ++i) {
        body += QStringLiteral("<tr>");
        for (const QString &cell : tableCells(lines[i]))
            body += QStringLiteral("<td>") + inlineHtml(cell) + QStringLiteral("</td>");
        body += QStringLiteral("</tr>\n");
    }
    body += QStringLiteral("</table>\n");
    return i;
}

int Converter::note(const QStringList &lines, int start)
{
    closeLists();
    QStringList text;
    int i = start;
    for (; i < lines.size() && lines[i].trimmed().startsWith('>'); ++i)
        text << lines[i].trimmed().mid(1).trimmed();
    body += QStringLiteral("<table class=\"note\" width=\"100%\" cellpadding=\"6\"><tr><td>")
            + inlineHtml(text.join(' ')) + QStringLiteral("</td></tr></table>\n");
    return i;
}

int Converter::codeBlock(const QStringList &lines, int start)
{
    closeLists();
    QStringList code;
    int i = start + 1;
    for (; i < lines.size() && !lines[i].trimmed().startsWith(QLatin1String("```")); ++i)
        code << lines[i].toHtmlEscaped();
    body += QStringLiteral("<pre>") + code.join('\n') + QStringLiteral("</pre>\n");
    return i + 1; // past the closing fence
}

QString Converter::run(const QStringList &lines)
{
    static const QRegularExpression headingRe(QStringLiteral("^(#{1,3})\\s+(.*)$"));
    static const QRegularExpression bulletRe(QStringLiteral("^\\s*[-*]\\s+(.*)$"));
    static const QRegularExpression numberRe(QStringLiteral("^\\s*\\d+\\.\\s+(.*)$"));
    static const QRegularExpression imageRe(QStringLiteral("^!\\[(.*)\\]\\((.+)\\)$"));

    for (int i = 0; i < lines.size();) {
        const QString &line = lines[i];
        const QString trimmed = line.trimmed();
        QRegularExpressionMatch m;
        if (trimmed.startsWith('|') && i + 1 < lines.size() && isTableSeparator(lines[i + 1])) {
            i = table(lines, i);
            continue;
        }
        if (trimmed.startsWith('>')) {
            i = note(lines, i);
            continue;
        }
        if (trimmed.startsWith(QLatin1String("```"))) {
            i = codeBlock(lines, i);
            continue;
        }
        if (trimmed.isEmpty()) {
            closeLists();
        } else if (trimmed == QLatin1String("[PAGEBREAK]")) {
            closeLists();
            breakBefore = true;
        } else if (trimmed == QLatin1String("[TOC]") && contentsAt < 0) {
            closeLists();
            contentsAt = body.size();
        } else if ((m = imageRe.match(trimmed)).hasMatch()) {
            image(m.captured(2).trimmed(), m.captured(1).trimmed());
        } else if ((m = headingRe.match(trimmed)).hasMatch()) {
            heading(m.captured(1).size(), m.captured(2).trimmed());
        } else if ((m = bulletRe.match(line)).hasMatch()) {
            listItem(QStringLiteral("ul"), indentOf(line), m.captured(1));
        } else if ((m = numberRe.match(line)).hasMatch()) {
            listItem(QStringLiteral("ol"), indentOf(line), m.captured(1));
        } else if (!lists.isEmpty() && indentOf(line) > 0) {
            itemLines << trimmed; // continuation of a list item
        } else {
            if (!lists.isEmpty())
                closeLists();
            paragraph << trimmed;
        }
        ++i;
    }
    closeLists();

    if (contentsAt >= 0) {
        QString toc = QStringLiteral("<table class=\"contents\" cellpadding=\"2\">\n");
        for (int s = 0; s < sections.size(); ++s)
            toc += QStringLiteral("<tr><td><a href=\"#s%1\">%2</a></td></tr>\n").arg(s).arg(inlineHtml(sections[s]));
        toc += QStringLiteral("</table>\n");
        body.insert(contentsAt, toc);
    }
    return QStringLiteral("<html><body>\n") + body + QStringLiteral("</body></html>\n");
}

} // namespace

QString markdownToHtml(const QString &markdown)
{
    QString text = markdown;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Converter().run(text.split('\n'));
}

QStringList markdownImages(const QString &markdown)
{
    static const QRegularExpression imageRe(QStringLiteral("^\\s*!\\[.*\\]\\((.+)\\)\\s*$"),
                                            QRegularExpression::MultilineOption);
    QStringList paths;
    for (auto it = imageRe.globalMatch(markdown); it.hasNext();)
        paths << it.next().captured(1).trimmed();
    return paths;
}
