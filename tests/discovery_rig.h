#pragma once

// Helpers for the discovery tests: the main window's search button and card
// pane, an operator for the adapter dialog, and the cards' labels and lamp.

#include "devbriefinfowidget.h"
#include "mainwindow.h"
#include "networksetdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace discovery {

inline const char lampGreen[] = "background-color: #00ff00;border-radius:10px;";
inline const char lampRed[] = "background-color: #ff0000; color: rgb(255, 255, 255);border-radius:10px;";
inline const char lampGrey[] = "background-color: #cccccc;border-radius:10px;";

inline QString text(QWidget *parent, const char *name)
{
    auto *label = parent->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

inline QString lamp(QWidget *card)
{
    return card->findChild<QPushButton *>(QStringLiteral("pushButton"))->styleSheet();
}

inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Answers the adapter dialog whenever it opens, the way an operator would;
// by default it cancels, so an unexpected dialog never blocks a test.
class DialogOperator : public QObject
{
public:
    std::function<void(NetworkSetDlg *)> action = [](NetworkSetDlg *d) { d->reject(); };
    int opened = 0;
    DialogOperator()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *dlg = qobject_cast<NetworkSetDlg *>(w);
                if (!dlg || !dlg->isVisible() || dlg->property("operated").toBool())
                    continue;
                dlg->setProperty("operated", true);
                ++opened;
                action(dlg);
            }
        });
        timer.start(20);
    }

private:
    QTimer timer;
};

inline void choose(NetworkSetDlg *dlg, int index)
{
    dlg->findChild<QComboBox *>(QStringLiteral("comboBox"))->setCurrentIndex(index);
    dlg->findChild<QPushButton *>(QStringLiteral("btn_ok"))->click();
}

inline void search(MainWindow &window)
{
    window.findChild<QToolButton *>(QStringLiteral("tbtn_searchDev"))->click();
}

// Cards in the order the pane shows them, top first.
inline QList<DevBriefInfoWidget *> cards(MainWindow &window)
{
    QList<DevBriefInfoWidget *> list;
    QLayout *layout = window.findChild<QWidget *>(QStringLiteral("scrollAreaWidgetContents"))->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto *card = qobject_cast<DevBriefInfoWidget *>(layout->itemAt(i)->widget()))
            list << card;
    return list;
}

inline QString logPane(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
}

inline QTabWidget *tabs(MainWindow &window)
{
    return window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
}

} // namespace discovery
