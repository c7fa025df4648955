#pragma once

// The steps of the demo, each waiting for what the operator would see
// before going on, with a plain message on stderr when something does not
// come.

#include <QString>
#include <QTimer>

#include <functional>

class MainWindow;
class QWidget;

class DemoSteps
{
public:
    explicit DemoSteps(MainWindow &window);
    bool run(int expectedCards, const QString &screenshotPath);

private:
    bool step(const char *what, const std::function<bool()> &done, int timeoutMs);
    bool cardsAreLive(int expectedCards) const;
    QWidget *openPage() const;
    void answerMessageBoxes();

    MainWindow &window;
    QTimer boxWatch;       // a message box would stop the demo in its modal loop
    QString boxTexts;
};
