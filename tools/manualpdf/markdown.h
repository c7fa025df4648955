#pragma once

#include <QString>
#include <QStringList>

// Turns the small Markdown subset the manuals are written in into HTML that
// QTextDocument renders: headings (#, ##, ###), paragraphs, "- " and "1. "
// lists, "> " notes, pipe tables with a separator row, **bold** and `code`.
// Lines of a paragraph or list item are joined; a blank line ends a block.
// A line "[TOC]" is replaced by a linked list of the level-2 headings; after
// a line "[PAGEBREAK]" the next heading starts a new page.
QString markdownToHtml(const QString &markdown);

// The pictures a manual shows, as written in its "![caption](path)" lines.
QStringList markdownImages(const QString &markdown);
