#pragma once

#include <QString>

// Turns the small Markdown subset the manuals are written in into HTML that
// QTextDocument renders: headings (#, ##, ###), paragraphs, "- " and "1. "
// lists, "> " notes, pipe tables with a separator row, **bold** and `code`.
// Lines of a paragraph or list item are joined; a blank line ends a block.
// When withContents is set, a list of the level-2 headings is placed after
// the first level-1 heading.
QString markdownToHtml(const QString &markdown, bool withContents);
