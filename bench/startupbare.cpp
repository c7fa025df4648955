// The smallest Qt program that shows a window: the start-up benchmark's
// yardstick. Its arguments give the window's width and height, so that it
// shows as many pixels as the program's main window; a third argument, a
// picture file, adds one line of Chinese text and one tool button with
// that icon, to tell what any window with text and icons pays once.

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    QWidget window;
    if (argc > 2)
        window.resize(QByteArray(argv[1]).toInt(), QByteArray(argv[2]).toInt());
    if (argc > 3) {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("电压 12.5000 V")));
        auto *button = new QToolButton;
        button->setIcon(QIcon(QString::fromLocal8Bit(argv[3])));
        layout->addWidget(button);
    }
    window.show();
    return app.exec();
}
