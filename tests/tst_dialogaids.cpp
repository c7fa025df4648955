// The table model, delegates and frameless-dialog filter the configuration
// dialogs are built from.

#include "aligncentertablemodel.h"
#include "centerdelegate.h"
#include "dialogmovingfilter.h"
#include "doublespinboxdelegate.h"
#include "readonlydelegate.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

void sendMouse(QWidget *target, QEvent::Type type, QPoint global, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(type, target->mapFromGlobal(global), global, type == QEvent::MouseMove ? Qt::NoButton : button,
                      button, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestDialogAids : public QObject
{
    Q_OBJECT

    TempWorkDir work;

private slots:
    void modelCentresEveryCellAndReadOnlyColumnRefusesEditing()
    {
        AlignCenterTableModel model;
        model.setRowCount(2);
        model.setColumnCount(2);
        model.setData(model.index(1, 0), 10);
        model.setData(model.index(0, 1), 1, Qt::TextAlignmentRole);   // a stored alignment is overridden too
        for (int cell = 0; cell < 4; ++cell)
            QCOMPARE(model.data(model.index(cell / 2, cell % 2), Qt::TextAlignmentRole).toInt(), 0x84);

        QTableView view;
        view.setModel(&model);
        view.setItemDelegate(new CenterDelegate(&view));
        view.setItemDelegateForColumn(0, new ReadOnlyDelegate(&view));
        view.resize(300, 200);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        for (int column : {0, 1}) {   // the same gestures edit the other column
            view.setCurrentIndex(model.index(1, column));
            QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(1, column)).center());
            QTest::keyClick(&view, Qt::Key_F2);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("77"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
            QCOMPARE(model.data(model.index(1, column)).toString(), QString(column ? "77" : "10"));
        }
    }

    void spinBoxDelegateClampsAndRounds()
    {
        QWidget parent;
        AlignCenterTableModel model;
        model.setRowCount(1);
        model.setColumnCount(1);
        const QModelIndex cell = model.index(0, 0);
        DoubleSpinBoxDelegate delegate;
        QStyleOptionViewItem option;
        option.rect = QRect(17, 23, 121, 29);
        std::unique_ptr<QWidget> before(delegate.createEditor(&parent, option, cell));
        delegate.setRange(0.001, 86400.0);   // applies to editors made afterwards only
        std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, option, cell));
        auto *box = qobject_cast<QDoubleSpinBox *>(editor.get());
        QVERIFY(box);
        QCOMPARE(qobject_cast<QDoubleSpinBox *>(before.get())->maximum(), 100.0);
        QCOMPARE(box->singleStep(), 0.1);
        delegate.updateEditorGeometry(box, option, cell);
        QCOMPARE(box->geometry(), option.rect);
        for (auto [entered, stored] : {std::make_pair(0.0004, 0.001), {1.2346, 1.235}, {86400.0, 86400.0},
                                       {100000.0, 86400.0}}) {
            box->setValue(entered);
            delegate.setModelData(box, &model, cell);
            QCOMPARE(model.data(cell).userType(), int(QMetaType::Double));
            QCOMPARE(model.data(cell).toDouble(), stored);
        }
        // Typed text counts without Enter, even when the box does not track keys.
        box->setKeyboardTracking(false);
        parent.show();
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("42.125"));
        delegate.setModelData(box, &model, cell);
        QCOMPARE(model.data(cell).toDouble(), 42.125);
    }

    void titleBarDragsTheFramelessDialog()
    {
        QDialog dialog;
        auto *title = new QWidget;
        auto *body = new QWidget;
        auto *layout = new QVBoxLayout(&dialog);
        layout->setContentsMargins(0, 0, 0, 0);   // the title bar at the top left, as in the dialogs
        layout->addWidget(title);
        layout->addWidget(body);
        dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
        auto *filter = new DialogMovingFilter(&dialog, title);
        QCOMPARE(dialog.windowFlags() & ~Qt::WindowType_Mask, Qt::WindowFlags(Qt::FramelessWindowHint));
        dialog.resize(300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy doubleClicks(filter, &DialogMovingFilter::titleDoubleClicked);
        const QPoint start = dialog.pos();
        const QPoint grab = title->mapToGlobal(QPoint(10, 5));

        // Moves without a press on the title bar do nothing, nor does a body double click.
        sendMouse(title, QEvent::MouseMove, grab + QPoint(50, 50));
        sendMouse(body, QEvent::MouseButtonPress, body->mapToGlobal(QPoint(5, 5)));
        sendMouse(title, QEvent::MouseMove, grab + QPoint(30, 30));
        sendMouse(body, QEvent::MouseButtonDblClick, body->mapToGlobal(QPoint(5, 5)));
        QCOMPARE(dialog.pos(), start);
        QCOMPARE(doubleClicks.count(), 0);

        // Any button drags; the grabbed point stays under the cursor.
        sendMouse(title, QEvent::MouseButtonPress, grab, Qt::RightButton);
        sendMouse(title, QEvent::MouseMove, grab + QPoint(70, 45));
        QCOMPARE(dialog.pos(), start + QPoint(70, 45));
        // Released, it stays; a double click on the title bar signals and does not move it.
        sendMouse(title, QEvent::MouseButtonRelease, grab + QPoint(70, 45));
        sendMouse(title, QEvent::MouseMove, grab + QPoint(200, 200));
        sendMouse(title, QEvent::MouseButtonDblClick, grab + QPoint(70, 45));
        sendMouse(title, QEvent::MouseButtonRelease, grab + QPoint(70, 45));
        QCOMPARE(doubleClicks.count(), 1);
        QCOMPARE(dialog.pos(), start + QPoint(70, 45));
    }
};

QTEST_MAIN(TestDialogAids)
#include "tst_dialogaids.moc"
