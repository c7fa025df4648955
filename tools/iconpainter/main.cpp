// Writes every icon of the program as a PNG into the given folder.
//   klv-iconpainter <folder> [size]     size in pixels, 64 by default

#include "icons.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [size]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int size = argc > 2 ? QString(argv[2]).toInt() : 64;
    if (size < 16 || size > 1024 || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "bad size or folder\n");
        return 2;
    }
    for (const IconDrawing &icon : iconDrawings()) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        icon.paint(p);
        p.end();
        const QString file = QDir(folder).filePath(QString("%1.png").arg(icon.name));
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
