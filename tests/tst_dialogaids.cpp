// The table model, delegates and frameless-dialog filter the configuration
// dialogs are built from.

#include "aligncentertablemodel.h"
#include "centerdelegate.h"
#include "dialogmovingfilter.h"
#include "doublespinboxdelegate.h"
#include "readonlydelegate.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// A title bar that counts the mouse events that reach it past the filter.
class CountingHandle : public QWidget
{
public:
    using QWidget::QWidget;
    int presses = 0, moves = 0, releases = 0, doubleClicks = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void mouseMoveEvent(QMouseEvent *) override { ++moves; }
    void mouseReleaseEvent(QMouseEvent *) override { ++releases; }
    void mouseDoubleClickEvent(QMouseEvent *) override { ++doubleClicks; }
};

void sendMouse(QWidget *target, QEvent::Type type, QPoint local, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, target->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void sendMoveTo(QWidget *target, QPoint global)
{
    QMouseEvent event(QEvent::MouseMove, target->mapFromGlobal(global), global, Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A dialog laid out like the configuration dialogs: title bar at the top
// left with no outer margins, a body below.
struct TitledDialog {
    QDialog dialog;
    CountingHandle *title;
    QWidget *body;
    DialogMovingFilter *filter;

    TitledDialog()
    {
        auto *layout = new QVBoxLayout(&dialog);
        layout->setContentsMargins(0, 0, 0, 0);
        title = new CountingHandle;
        title->setFixedHeight(30);
        body = new QWidget;
        body->setMinimumHeight(100);
        layout->addWidget(title);
        layout->addWidget(body);
        dialog.resize(300, 200);
        filter = new DialogMovingFilter(&dialog, title);
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
};

} // namespace

class TestDialogAids : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void modelCentresEveryCell();
    void readOnlyColumnRefusesEditing();
    void spinBoxEditorTakesRangeDecimalsAndStep();
    void spinBoxEditorClampsToRange_data();
    void spinBoxEditorClampsToRange();
    void spinBoxTypedValueCommittedWithoutEnter();
    void spinBoxArrowKeysStepByTenth();
    void spinBoxEditorFillsOptionRect();

    void filterMakesDialogFramelessOnly();
    void dragByTitleBarMovesDialog();
    void movesWithoutTitlePressDoNothing();
    void doubleClickEmitsAndDoesNotMove();

private:
    std::unique_ptr<TempWorkDir> workDir;
};

void TestDialogAids::initTestCase()
{
    workDir.reset(new TempWorkDir);
}

void TestDialogAids::modelCentresEveryCell()
{
    AlignCenterTableModel model;
    model.setRowCount(3);
    model.setColumnCount(4);
    model.setData(model.index(0, 0), 1, Qt::EditRole);
    model.setData(model.index(1, 2), 2.5, Qt::EditRole);
    model.setData(model.index(2, 3), 1, Qt::TextAlignmentRole);   // a stored alignment is overridden too
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) {
            const QVariant alignment = model.data(model.index(row, column), Qt::TextAlignmentRole);
            QCOMPARE(alignment.toInt(), 0x84);
        }
    // Every other role is the standard model's.
    QCOMPARE(model.data(model.index(1, 2), Qt::DisplayRole).toDouble(), 2.5);
    QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toInt(), 1);
    QVERIFY(!model.data(model.index(0, 1), Qt::DisplayRole).isValid());
}

void TestDialogAids::readOnlyColumnRefusesEditing()
{
    AlignCenterTableModel model;
    model.setRowCount(2);
    model.setColumnCount(2);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            model.setData(model.index(row, column), row * 10 + column, Qt::EditRole);
    QTableView view;
    view.setModel(&model);
    view.setItemDelegate(new CenterDelegate(&view));
    view.setItemDelegateForColumn(0, new ReadOnlyDelegate(&view));
    view.resize(300, 200);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    auto tryEdit = [&](const QModelIndex &index) {
        view.setCurrentIndex(index);
        const QRect rect = view.visualRect(index);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::keyClick(&view, Qt::Key_F2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("77"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
    };

    tryEdit(model.index(1, 0));
    QCOMPARE(model.data(model.index(1, 0), Qt::EditRole).toInt(), 10);
    QVERIFY(!view.findChild<QLineEdit *>());

    // The same gestures do edit a column without the read-only delegate.
    tryEdit(model.index(1, 1));
    QCOMPARE(model.data(model.index(1, 1), Qt::EditRole).toString(), QStringLiteral("77"));
}

void TestDialogAids::spinBoxEditorTakesRangeDecimalsAndStep()
{
    QWidget parent;
    AlignCenterTableModel model(&parent);
    model.setRowCount(1);
    model.setColumnCount(1);
    DoubleSpinBoxDelegate delegate;
    QCOMPARE(delegate.minimum(), 0.0);
    QCOMPARE(delegate.maximum(), 100.0);

    std::unique_ptr<QWidget> before(delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)));
    delegate.setRange(0.001, 86400.0);
    std::unique_ptr<QWidget> after(delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)));

    auto *old = qobject_cast<QDoubleSpinBox *>(before.get());
    auto *box = qobject_cast<QDoubleSpinBox *>(after.get());
    QVERIFY(old && box);
    QCOMPARE(box->parentWidget(), &parent);
    // A range set later applies only to editors created afterwards.
    QCOMPARE(old->minimum(), 0.0);
    QCOMPARE(old->maximum(), 100.0);
    QCOMPARE(box->minimum(), 0.001);
    QCOMPARE(box->maximum(), 86400.0);
    QCOMPARE(box->decimals(), 3);
    QCOMPARE(box->singleStep(), 0.1);

    // The editor starts from the model's edit value.
    model.setData(model.index(0, 0), 12.25, Qt::EditRole);
    delegate.setEditorData(box, model.index(0, 0));
    QCOMPARE(box->value(), 12.25);
}

void TestDialogAids::spinBoxEditorClampsToRange_data()
{
    QTest::addColumn<double>("entered");
    QTest::addColumn<double>("stored");
    QTest::newRow("below minimum") << 0.0 << 0.001;
    QTest::newRow("half a thousandth") << 0.0004 << 0.001;
    QTest::newRow("minimum") << 0.001 << 0.001;
    QTest::newRow("four decimals rounded") << 1.2346 << 1.235;
    QTest::newRow("maximum") << 86400.0 << 86400.0;
    QTest::newRow("above maximum") << 100000.0 << 86400.0;
}

void TestDialogAids::spinBoxEditorClampsToRange()
{
    QFETCH(double, entered);
    QFETCH(double, stored);
    QWidget parent;
    AlignCenterTableModel model;
    model.setRowCount(1);
    model.setColumnCount(1);
    DoubleSpinBoxDelegate delegate;
    delegate.setRange(0.001, 86400.0);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)));
    auto *box = static_cast<QDoubleSpinBox *>(editor.get());
    box->setValue(entered);
    delegate.setModelData(box, &model, model.index(0, 0));
    const QVariant value = model.data(model.index(0, 0), Qt::EditRole);
    QCOMPARE(value.userType(), int(QMetaType::Double));
    QCOMPARE(value.toDouble(), stored);
}

void TestDialogAids::spinBoxTypedValueCommittedWithoutEnter()
{
    QWidget parent;
    AlignCenterTableModel model;
    model.setRowCount(1);
    model.setColumnCount(1);
    model.setData(model.index(0, 0), 1.0, Qt::EditRole);
    DoubleSpinBoxDelegate delegate;
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)));
    auto *box = static_cast<QDoubleSpinBox *>(editor.get());
    delegate.setEditorData(box, model.index(0, 0));
    // Without tracking the spin box takes typed text as its value only when
    // asked to interpret it, as on Enter.
    box->setKeyboardTracking(false);
    parent.show();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("42.125"));
    delegate.setModelData(box, &model, model.index(0, 0));
    QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toDouble(), 42.125);
}

void TestDialogAids::spinBoxArrowKeysStepByTenth()
{
    AlignCenterTableModel model;
    model.setRowCount(1);
    model.setColumnCount(1);
    model.setData(model.index(0, 0), 5.0, Qt::EditRole);
    QTableView view;
    view.setModel(&model);
    auto *delegate = new DoubleSpinBoxDelegate(&view);
    view.setItemDelegate(delegate);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.edit(model.index(0, 0));
    auto *box = view.findChild<QDoubleSpinBox *>();
    QVERIFY(box);
    QCOMPARE(box->value(), 5.0);
    QTest::keyClick(box, Qt::Key_Up);
    QTest::keyClick(box, Qt::Key_Up);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->value(), 5.1);
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(model.data(model.index(0, 0), Qt::EditRole).toDouble(), 5.1);
}

void TestDialogAids::spinBoxEditorFillsOptionRect()
{
    QWidget parent;
    AlignCenterTableModel model;
    model.setRowCount(1);
    model.setColumnCount(1);
    DoubleSpinBoxDelegate delegate;
    QStyleOptionViewItem option;
    option.rect = QRect(17, 23, 121, 29);
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, option, model.index(0, 0)));
    delegate.updateEditorGeometry(editor.get(), option, model.index(0, 0));
    QCOMPARE(editor->geometry(), option.rect);
}

void TestDialogAids::filterMakesDialogFramelessOnly()
{
    QDialog dialog;
    QWidget title(&dialog);
    dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    auto *filter = new DialogMovingFilter(&dialog, &title);
    QCOMPARE(filter->parent(), &dialog);
    const Qt::WindowFlags hints = dialog.windowFlags() & ~Qt::WindowType_Mask;
    QCOMPARE(hints, Qt::WindowFlags(Qt::FramelessWindowHint));
    QVERIFY(dialog.isWindow());
}

void TestDialogAids::dragByTitleBarMovesDialog()
{
    TitledDialog t;
    const QPoint start = t.dialog.pos();
    const QPoint grab(40, 12);
    const QPoint grabbedGlobal = t.title->mapToGlobal(grab);
    sendMouse(t.title, QEvent::MouseButtonPress, grab);
    sendMoveTo(t.title, grabbedGlobal + QPoint(70, 45));
    QCOMPARE(t.dialog.pos(), start + QPoint(70, 45));
    // The grabbed point stays under the cursor.
    QCOMPARE(t.title->mapToGlobal(grab), grabbedGlobal + QPoint(70, 45));
    sendMoveTo(t.title, grabbedGlobal + QPoint(-20, 5));
    QCOMPARE(t.dialog.pos(), start + QPoint(-20, 5));

    // Released: further moves leave it where it is.
    sendMouse(t.title, QEvent::MouseButtonRelease, t.title->mapFromGlobal(grabbedGlobal + QPoint(-20, 5)));
    const QPoint dropped = t.dialog.pos();
    sendMoveTo(t.title, grabbedGlobal + QPoint(200, 200));
    QCOMPARE(t.dialog.pos(), dropped);

    // Any button drags, and every event still reaches the title bar.
    sendMouse(t.title, QEvent::MouseButtonPress, grab, Qt::RightButton);
    sendMoveTo(t.title, t.title->mapToGlobal(grab) + QPoint(5, 6));
    QCOMPARE(t.dialog.pos(), dropped + QPoint(5, 6));
    QCOMPARE(t.title->presses, 2);
    QCOMPARE(t.title->moves, 4);
    QCOMPARE(t.title->releases, 1);
}

void TestDialogAids::movesWithoutTitlePressDoNothing()
{
    TitledDialog t;
    const QPoint start = t.dialog.pos();
    // Moving over the title bar without a press.
    sendMoveTo(t.title, t.title->mapToGlobal(QPoint(10, 10)) + QPoint(50, 50));
    QCOMPARE(t.dialog.pos(), start);
    // Pressing the body and moving, over the body and over the title bar.
    sendMouse(t.body, QEvent::MouseButtonPress, QPoint(20, 20));
    sendMoveTo(t.body, t.body->mapToGlobal(QPoint(20, 20)) + QPoint(30, 30));
    sendMoveTo(t.title, t.title->mapToGlobal(QPoint(20, 20)) + QPoint(30, 30));
    QCOMPARE(t.dialog.pos(), start);
}

void TestDialogAids::doubleClickEmitsAndDoesNotMove()
{
    TitledDialog t;
    QSignalSpy spy(t.filter, &DialogMovingFilter::titleDoubleClicked);
    const QPoint start = t.dialog.pos();
    const QPoint at(60, 15);
    sendMouse(t.title, QEvent::MouseButtonPress, at);
    sendMouse(t.title, QEvent::MouseButtonRelease, at);
    sendMouse(t.title, QEvent::MouseButtonDblClick, at);
    sendMouse(t.title, QEvent::MouseButtonRelease, at);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(t.title->doubleClicks, 1);
    QCOMPARE(t.dialog.pos(), start);
    QVERIFY(!(t.dialog.windowState() & Qt::WindowMaximized));
    // A double click on the body is not the title bar's.
    sendMouse(t.body, QEvent::MouseButtonDblClick, at);
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestDialogAids)
#include "tst_dialogaids.moc"
