#include "markdown.h"

#include <QRegularExpression>
#include <QStringList>

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

class Converter
{
public:
    explicit Converter(bool withContents) : contents(withContents) {}
    QString run(const QStringList &lines);

private:
    void flushParagraph();
    void closeList();
    void heading(int level, const QString &text);
    void listItem(const QString &tag, const QString &text);
    int table(const QStringList &lines, int start);

    bool contents;
    QString body;
    QStringList paragraph;
    QString listTag;           // "ul" or "ol" while a list is open
    QStringList itemLines;     // lines of the open list item
    QStringList sections;      // level-2 headings, for the contents
    int contentsAt = -1;       // where the contents go in body
};

void Converter::flushParagraph()
{
    if (!itemLines.isEmpty()) {
        body += QStringLiteral("<li>") + inlineHtml(itemLines.join(' ')) + QStringLiteral("</li>\n");
        itemLines.clear();
    }
    if (!paragraph.isEmpty()) {
        body += QStringLiteral("<p>") + inlineHtml(paragraph.join(' ')) + QStringLiteral("</p>\n");
        paragraph.clear();
    }
}

void Converter::closeList()
{
    flushParagraph();
    if (!listTag.isEmpty()) {
        body += QStringLiteral("</%1>\n").arg(listTag);
        listTag.clear();
    }
}

void Converter::heading(int level, const QString &text)
{
    closeList();
    QString anchor;
    if (level == 2) {
        anchor = QStringLiteral(" id=\"s%1\"").arg(sections.size());
        sections << text;
    }
    body += QStringLiteral("<h%1%2>%3</h%1>\n").arg(level).arg(anchor, inlineHtml(text));
    if (level == 1 && contentsAt < 0)
        contentsAt = body.size();
}

void Converter::listItem(const QString &tag, const QString &text)
{
    flushParagraph();
    if (listTag != tag) {
        closeList();
        body += QStringLiteral("<%1>\n").arg(tag);
        listTag = tag;
    }
    itemLines << text;
}

int Converter::table(const QStringList &lines, int start)
{
    closeList();
    body += QStringLiteral("<table class=\"grid\" width=\"100%\" border=\"1\" bordercolor=\"#9aa89a\" cellspacing=\"0\" cellpadding=\"4\">\n<tr>");
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

QString Converter::run(const QStringList &lines)
{
    static const QRegularExpression headingRe(QStringLiteral("^(#{1,3})\\s+(.*)$"));
    static const QRegularExpression bulletRe(QStringLiteral("^\\s*[-*]\\s+(.*)$"));
    static const QRegularExpression numberRe(QStringLiteral("^\\s*\\d+\\.\\s+(.*)$"));

    for (int i = 0; i < lines.size();) {
        const QString &line = lines[i];
        const QString trimmed = line.trimmed();
        QRegularExpressionMatch m;
        if (trimmed.isEmpty()) {
            closeList();
        } else if ((m = headingRe.match(trimmed)).hasMatch()) {
            heading(m.captured(1).size(), m.captured(2).trimmed());
        } else if (trimmed.startsWith('|') && i + 1 < lines.size() && isTableSeparator(lines[i + 1])) {
            i = table(lines, i);
            continue;
        } else if (trimmed.startsWith('>')) {
            closeList();
            QStringList note;
            for (; i < lines.size() && lines[i].trimmed().startsWith('>'); ++i)
                note << lines[i].trimmed().mid(1).trimmed();
            body += QStringLiteral("<table class=\"note\" width=\"100%\" cellpadding=\"6\"><tr><td>")
                    + inlineHtml(note.join(' ')) + QStringLiteral("</td></tr></table>\n");
            continue;
        } else if ((m = bulletRe.match(line)).hasMatch()) {
            listItem(QStringLiteral("ul"), m.captured(1));
        } else if ((m = numberRe.match(line)).hasMatch()) {
            listItem(QStringLiteral("ol"), m.captured(1));
        } else if (!listTag.isEmpty() && line.startsWith(' ')) {
            itemLines << trimmed; // continuation of a list item
        } else {
            if (!listTag.isEmpty())
                closeList();
            paragraph << trimmed;
        }
        ++i;
    }
    closeList();

    if (contents && !sections.isEmpty()) {
        QString toc = QStringLiteral("<table class=\"contents\" cellpadding=\"2\">\n");
        for (int s = 0; s < sections.size(); ++s)
            toc += QStringLiteral("<tr><td><a href=\"#s%1\">%2</a></td></tr>\n").arg(s).arg(inlineHtml(sections[s]));
        toc += QStringLiteral("</table>\n");
        body.insert(qMax(0, contentsAt), toc);
    }
    return QStringLiteral("<html><body>\n") + body + QStringLiteral("</body></html>\n");
}

} // namespace

QString markdownToHtml(const QString &markdown, bool withContents)
{
    QString text = markdown;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Converter(withContents).run(text.split('\n'));
}
