// The smallest Qt program that shows a window: the start-up benchmark's
// yardstick.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    return app.exec();
}
