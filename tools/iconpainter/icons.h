#pragma once

#include <QVector>

class QPainter;

// One icon: its file name without ".png" and how to draw it on a 32 x 32
// grid (the painter is scaled to the image size beforehand).
struct IconDrawing {
    const char *name;
    void (*paint)(QPainter &p);
};

const QVector<IconDrawing> &iconDrawings();
