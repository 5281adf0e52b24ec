#include "WKSpeedEdit.h"
#include "WKSpinEdit.h"
#include "WKUpDown.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

#include <functional>
#include <limits>
#include <memory>

namespace {

constexpr int IntMax = std::numeric_limits<int>::max();
constexpr int IntMin = std::numeric_limits<int>::min();

using Action = std::function<void(TWKSpinEdit &)>;

// The ways of stepping the number by one.
enum class Way { KeyUp, KeyPageUp, KeyDown, KeyPageDown, WheelAway, WheelTowards, ArrowUp, ArrowDown };

// A window that notes every key that its children pass on to it.
class KeyRecorder : public QWidget
{
public:
    QList<int> Keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { Keys << event->key(); }
};

// Exposes where the edit draws its caret.
class ProbeSpinEdit : public TWKSpinEdit
{
public:
    using TWKSpinEdit::TWKSpinEdit;
    using QLineEdit::cursorRect;
};

// The edit as the main window uses it: an 81 x 20 box on a shown window,
// beside another field that can hold the focus.
struct Harness
{
    KeyRecorder Window;
    ProbeSpinEdit *Edit;
    QLineEdit *Other;

    explicit Harness(int minValue = 0, int maxValue = 64, int value = 0)
        : Edit(new ProbeSpinEdit(&Window))
        , Other(new QLineEdit(&Window))
    {
        Edit->setGeometry(8, 8, 81, 20);
        Other->setGeometry(8, 40, 81, 20);
        Window.resize(120, 80);
        Edit->SetFMaxValue(maxValue);
        Edit->SetFMinValue(minValue);
        Edit->SetFValue(value);
        Window.show();
    }

    bool Exposed() { return QTest::qWaitForWindowExposed(&Window); }
};

int Direction(Way way)
{
    switch (way) {
    case Way::KeyUp:
    case Way::KeyPageUp:
    case Way::WheelAway:
    case Way::ArrowUp:
        return +1;
    default:
        return -1;
    }
}

QPoint ArrowPoint(const TWKSpinEdit &edit, int direction)
{
    const QWidget *upDown = edit.UpDown();
    return {upDown->width() / 2, direction > 0 ? upDown->height() / 4 : upDown->height() * 3 / 4};
}

// Sends one wheel event to the edit and tells whether the edit kept it.
bool Wheel(TWKSpinEdit &edit, QPoint angleDelta, bool inverted = false)
{
    const QPointF pos(edit.width() / 2.0, edit.height() / 2.0);
    QWheelEvent event(pos, edit.mapToGlobal(pos), QPoint(), angleDelta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, inverted);
    QApplication::sendEvent(&edit, &event);
    return event.isAccepted();
}

void Perform(Way way, TWKSpinEdit &edit)
{
    switch (way) {
    case Way::KeyUp:
        QTest::keyClick(&edit, Qt::Key_Up);
        break;
    case Way::KeyPageUp:
        QTest::keyClick(&edit, Qt::Key_PageUp);
        break;
    case Way::KeyDown:
        QTest::keyClick(&edit, Qt::Key_Down);
        break;
    case Way::KeyPageDown:
        QTest::keyClick(&edit, Qt::Key_PageDown);
        break;
    case Way::WheelAway:
        QVERIFY(Wheel(edit, {0, 120}));
        break;
    case Way::WheelTowards:
        QVERIFY(Wheel(edit, {0, -120}));
        break;
    case Way::ArrowUp:
    case Way::ArrowDown:
        QTest::mouseClick(edit.UpDown(), Qt::LeftButton, {}, ArrowPoint(edit, Direction(way)));
        break;
    }
}

void ClearText(TWKSpinEdit &edit)
{
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
}

} // namespace

Q_DECLARE_METATYPE(Way)
Q_DECLARE_METATYPE(Action)

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    void newControl();
    void setValue_data();
    void setValue();
    void limits_data();
    void limits();
    void typing_data();
    void typing();
    void emptyText_data();
    void emptyText();
    void paste_data();
    void paste();
    void stepping_data();
    void stepping();
    void keysPassedOn_data();
    void keysPassedOn();
    void wheelNotches_data();
    void wheelNotches();
    void arrowClickFocusesEdit_data();
    void arrowClickFocusesEdit();
    void heldArrowRepeats();
    void disabledControl();
    void changeNotification_data();
    void changeNotification();
    void upDownPlacement_data();
    void upDownPlacement();
    void arrowsArePainted_data();
    void arrowsArePainted();
    void speedEditButton_data();
    void speedEditButton();
    void speedEditClick_data();
    void speedEditClick();
};

void TestControls::newControl()
{
    TWKSpinEdit edit;
    QCOMPARE(edit.text(), QStringLiteral("0"));
    QCOMPARE(edit.Value(), 0);
    QCOMPARE(edit.MinValue(), 0);
    QCOMPARE(edit.MaxValue(), 0);
    QCOMPARE(edit.Increment(), 1);
    QVERIFY(edit.alignment() & Qt::AlignRight);

    auto *upDown = edit.findChild<TWKUpDown *>(QStringLiteral("WKUpDown"));
    QVERIFY(upDown);
    QCOMPARE(upDown, edit.UpDown());
    QCOMPARE(upDown->parentWidget(), &edit);
    QCOMPARE(upDown->width(), 14);
    QCOMPARE(upDown->focusPolicy(), Qt::NoFocus);
}

void TestControls::setValue_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("inside") << 0 << 64 << 12 << 12;
    QTest::newRow("above maximum") << 0 << 64 << 65 << 64;
    QTest::newRow("below minimum") << 0 << 64 << -1 << 0;
    QTest::newRow("negative range") << -10 << -5 << 0 << -5;
    QTest::newRow("equal limits mean no limits") << 3 << 3 << 100 << 100;
    QTest::newRow("new control takes negatives") << 0 << 0 << -5 << -5;
    QTest::newRow("new control takes int max") << 0 << 0 << IntMax << IntMax;
    QTest::newRow("new control takes int min") << 0 << 0 << IntMin << IntMin;
    // Crossed limits: the minimum is applied first, then the maximum.
    QTest::newRow("crossed, below both") << 10 << 5 << 0 << 5;
    QTest::newRow("crossed, between") << 10 << 5 << 7 << 5;
    QTest::newRow("crossed, above both") << 10 << 5 << 100 << 5;
}

void TestControls::setValue()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, value);
    QFETCH(int, expected);

    TWKSpinEdit edit;
    edit.SetFMinValue(minValue);
    edit.SetFMaxValue(maxValue);
    edit.SetFValue(value);
    QCOMPARE(edit.Value(), expected);
    QCOMPARE(edit.text(), QString::number(expected));
}

void TestControls::limits_data()
{
    // Limits are set through the property system, as a form description would.
    QTest::addColumn<int>("startMin");
    QTest::addColumn<int>("startMax");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<int>("newLimit");
    QTest::addColumn<int>("expected");

    QTest::newRow("lower maximum pulls value down") << 0 << 64 << 20 << QByteArray("MaxValue") << 10 << 10;
    QTest::newRow("higher minimum pushes value up") << 0 << 64 << 5 << QByteArray("MinValue") << 8 << 8;
    QTest::newRow("limit the value already obeys") << 0 << 64 << 5 << QByteArray("MaxValue") << 10 << 5;
    QTest::newRow("maximum on a new control") << 0 << 0 << 20 << QByteArray("MaxValue") << 10 << 10;
    QTest::newRow("limits made equal lift them") << 0 << 64 << 20 << QByteArray("MaxValue") << 0 << 20;
    QTest::newRow("minimum crossing the maximum") << 0 << 64 << 20 << QByteArray("MinValue") << 70 << 64;
    QTest::newRow("increment leaves the value") << 0 << 64 << 20 << QByteArray("Increment") << 5 << 20;
}

void TestControls::limits()
{
    QFETCH(int, startMin);
    QFETCH(int, startMax);
    QFETCH(int, startValue);
    QFETCH(QByteArray, property);
    QFETCH(int, newLimit);
    QFETCH(int, expected);

    TWKSpinEdit edit;
    QVERIFY(edit.setProperty("MaxValue", startMax));
    QVERIFY(edit.setProperty("MinValue", startMin));
    QVERIFY(edit.setProperty("Value", startValue));
    QVERIFY(edit.setProperty(property.constData(), newLimit));
    QCOMPARE(edit.property(property.constData()).toInt(), newLimit);
    QCOMPARE(edit.property("Value").toInt(), expected);
    QCOMPARE(edit.text(), QString::number(expected));
}

void TestControls::typing_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<bool>("replaceAll");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("expectedValue");

    QTest::newRow("digits replace the number") << 0 << 64 << 0 << true << "42" << "42" << 42;
    QTest::newRow("digits append") << 0 << 64 << 1 << false << "2" << "12" << 12;
    QTest::newRow("65 shows 64") << 0 << 64 << 0 << true << "65" << "64" << 64;
    QTest::newRow("100 shows 64 at once") << 0 << 64 << 0 << true << "100" << "64" << 64;
    QTest::newRow("leading zero dropped") << 0 << 64 << 0 << true << "07" << "7" << 7;
    QTest::newRow("letters refused") << 0 << 64 << 5 << false << "ab" << "5" << 5;
    QTest::newRow("letters between digits refused") << 0 << 64 << 0 << true << "1x2" << "12" << 12;
    QTest::newRow("minus refused") << 0 << 0 << 3 << true << "-4" << "4" << 4;
    QTest::newRow("blank and full stop refused") << 0 << 64 << 0 << true << "3 .5" << "35" << 35;
    QTest::newRow("below minimum shows minimum") << 10 << 64 << 20 << true << "2" << "10" << 10;
    QTest::newRow("no limits") << 0 << 0 << 0 << true << "99999" << "99999" << 99999;
    QTest::newRow("past 32 bits gives the nearest int")
        << 0 << 0 << 0 << true << "99999999999" << QString::number(IntMax) << IntMax;
    QTest::newRow("past 32 bits under a maximum") << 0 << 64 << 0 << true << "99999999999" << "64" << 64;
}

void TestControls::typing()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, startValue);
    QFETCH(bool, replaceAll);
    QFETCH(QString, typed);
    QFETCH(QString, expectedText);
    QFETCH(int, expectedValue);

    Harness h(minValue, maxValue, startValue);
    QVERIFY(h.Exposed());
    if (replaceAll)
        h.Edit->selectAll();
    else
        h.Edit->end(false);
    QTest::keyClicks(h.Edit, typed);
    QCOMPARE(h.Edit->text(), expectedText);
    QCOMPARE(h.Edit->Value(), expectedValue);
    QVERIFY(h.Window.Keys.isEmpty());
}

void TestControls::emptyText_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<int>("emptyValue");
    QTest::addColumn<int>("afterUp");

    QTest::newRow("0..64") << 0 << 64 << 5 << 0 << 1;
    QTest::newRow("3..64") << 3 << 64 << 5 << 3 << 4;
    QTest::newRow("new control") << 0 << 0 << 7 << 0 << 1;
    QTest::newRow("negative minimum") << -5 << 5 << 2 << -5 << -4;
    // With crossed limits the minimum itself is out of bounds; an empty field
    // still stands for a number the limits allow.
    QTest::newRow("crossed limits") << 10 << 5 << 5 << 5 << 5;
}

void TestControls::emptyText()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, startValue);
    QFETCH(int, emptyValue);
    QFETCH(int, afterUp);

    Harness h(minValue, maxValue, startValue);
    QVERIFY(h.Exposed());
    ClearText(*h.Edit);
    QCOMPARE(h.Edit->text(), QString());
    QCOMPARE(h.Edit->Value(), emptyValue);

    QTest::keyClick(h.Edit, Qt::Key_Up);
    QCOMPARE(h.Edit->Value(), afterUp);
    QCOMPARE(h.Edit->text(), QString::number(afterUp));
}

void TestControls::paste_data()
{
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<bool>("replaceAll");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("expectedValue");

    QTest::newRow("letters give 0") << 64 << 12 << true << "abc" << "0" << 0;
    QTest::newRow("letters after digits give 0") << 64 << 12 << false << "abc" << "0" << 0;
    QTest::newRow("number") << 64 << 0 << true << "42" << "42" << 42;
    QTest::newRow("number too large") << 64 << 0 << true << "100" << "64" << 64;
    QTest::newRow("appended digits") << 64 << 1 << false << "2" << "12" << 12;
    QTest::newRow("leading zeros") << 64 << 0 << true << "0007" << "7" << 7;
    QTest::newRow("blanks around a number") << 64 << 0 << true << " 12 " << "12" << 12;
    QTest::newRow("full-width digits") << 64 << 0 << true << QStringLiteral("６４") << "64" << 64;
    QTest::newRow("negative under minimum 0") << 64 << 5 << true << "-3" << "0" << 0;
    QTest::newRow("negative without limits") << 0 << 5 << true << "-3" << "-3" << -3;
    QTest::newRow("plus sign") << 64 << 0 << true << "+9" << "9" << 9;
    QTest::newRow("sign alone") << 64 << 5 << true << "-" << "0" << 0;
    QTest::newRow("decimal fraction") << 64 << 5 << true << "1.5" << "0" << 0;
    QTest::newRow("huge negative without limits")
        << 0 << 0 << true << "-99999999999" << QString::number(IntMin) << IntMin;
}

void TestControls::paste()
{
    QFETCH(int, maxValue);
    QFETCH(int, startValue);
    QFETCH(bool, replaceAll);
    QFETCH(QString, clipboard);
    QFETCH(QString, expectedText);
    QFETCH(int, expectedValue);

    Harness h(0, maxValue, startValue);
    QVERIFY(h.Exposed());
    QApplication::clipboard()->setText(clipboard);
    if (QApplication::clipboard()->text() != clipboard)
        QSKIP("this platform has no usable clipboard");
    if (replaceAll)
        h.Edit->selectAll();
    else
        h.Edit->end(false);
    QTest::keySequence(h.Edit, QKeySequence::Paste);
    QCOMPARE(h.Edit->text(), expectedText);
    QCOMPARE(h.Edit->Value(), expectedValue);
}

void TestControls::stepping_data()
{
    QTest::addColumn<Way>("way");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("increment");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<int>("expected");

    struct Case
    {
        const char *name;
        int minValue, maxValue, increment, start, up, down;
    };
    const Case cases[] = {
        {"0..64 from 10", 0, 64, 1, 10, 11, 9},
        {"0..64 at 0", 0, 64, 1, 0, 1, 0},
        {"0..64 at 64", 0, 64, 1, 64, 64, 63},
        {"new control at 0", 0, 0, 1, 0, 1, -1},
        {"increment 5 near the bottom", 0, 64, 5, 3, 8, 0},
        {"increment 5 near the top", 0, 64, 5, 62, 64, 57},
        {"negative increment", 0, 64, -2, 10, 8, 12},
        {"crossed limits", 10, 5, 1, 5, 5, 5},
        {"int max without limits", 0, 0, 1, IntMax, IntMax, IntMax - 1},
        {"int min without limits", 0, 0, 1, IntMin, IntMin + 1, IntMin},
        {"large increment saturates", 0, 0, IntMax, 10, IntMax, 10 - IntMax},
    };
    const std::pair<Way, const char *> ways[] = {
        {Way::KeyUp, "Up key"},           {Way::KeyPageUp, "PgUp key"},
        {Way::KeyDown, "Down key"},       {Way::KeyPageDown, "PgDn key"},
        {Way::WheelAway, "wheel away"},   {Way::WheelTowards, "wheel towards"},
        {Way::ArrowUp, "up arrow click"}, {Way::ArrowDown, "down arrow click"},
    };
    for (const auto &[way, wayName] : ways) {
        for (const Case &c : cases) {
            QTest::addRow("%s, %s", wayName, c.name)
                << way << c.minValue << c.maxValue << c.increment << c.start
                << (Direction(way) > 0 ? c.up : c.down);
        }
    }
}

void TestControls::stepping()
{
    QFETCH(Way, way);
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, increment);
    QFETCH(int, startValue);
    QFETCH(int, expected);

    Harness h(minValue, maxValue, startValue);
    h.Edit->SetFIncrement(increment);
    QVERIFY(h.Exposed());
    Perform(way, *h.Edit);
    QCOMPARE(h.Edit->Value(), expected);
    QCOMPARE(h.Edit->text(), QString::number(expected));
    QVERIFY(h.Window.Keys.isEmpty());
}

void TestControls::keysPassedOn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("passedOn");
    QTest::addColumn<int>("expectedValue");
    QTest::addColumn<int>("expectedCursor"); // -1: wherever the new text puts it

    // The field shows "12" with the caret between the digits.
    QTest::newRow("Up is ours") << int(Qt::Key_Up) << false << 13 << -1;
    QTest::newRow("PgDn is ours") << int(Qt::Key_PageDown) << false << 11 << -1;
    QTest::newRow("refused letter is swallowed") << int(Qt::Key_A) << false << 12 << 1;
    QTest::newRow("Home moves the caret") << int(Qt::Key_Home) << false << 12 << 0;
    QTest::newRow("Right moves the caret") << int(Qt::Key_Right) << false << 12 << 2;
    QTest::newRow("Enter goes to the window") << int(Qt::Key_Return) << true << 12 << 1;
    QTest::newRow("Esc goes to the window") << int(Qt::Key_Escape) << true << 12 << 1;
    QTest::newRow("F3 goes to the window") << int(Qt::Key_F3) << true << 12 << 1;
}

void TestControls::keysPassedOn()
{
    QFETCH(int, key);
    QFETCH(bool, passedOn);
    QFETCH(int, expectedValue);
    QFETCH(int, expectedCursor);

    Harness h(0, 64, 12);
    QVERIFY(h.Exposed());
    h.Edit->setCursorPosition(1);
    QTest::keyClick(h.Edit, Qt::Key(key));
    QCOMPARE(h.Window.Keys.contains(key), passedOn);
    QCOMPARE(h.Edit->Value(), expectedValue);
    QCOMPARE(h.Edit->text(), QString::number(expectedValue));
    if (expectedCursor >= 0)
        QCOMPARE(h.Edit->cursorPosition(), expectedCursor);
}

void TestControls::wheelNotches_data()
{
    QTest::addColumn<QList<QPoint>>("deltas");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("expected");

    // Starting from 10 in 0..64.
    QTest::newRow("one notch away") << QList<QPoint>{{0, 120}} << false << 11;
    QTest::newRow("one notch towards") << QList<QPoint>{{0, -120}} << false << 9;
    QTest::newRow("two notches in one event") << QList<QPoint>{{0, 240}} << false << 12;
    QTest::newRow("three notches towards") << QList<QPoint>{{0, -360}} << false << 7;
    QTest::newRow("half a notch does nothing") << QList<QPoint>{{0, 60}} << false << 10;
    QTest::newRow("halves add up") << QList<QPoint>{{0, 60}, {0, 60}} << false << 11;
    QTest::newRow("fine steps add up") << QList<QPoint>{{0, 40}, {0, 40}, {0, 40}} << false << 11;
    QTest::newRow("back and forth cancel") << QList<QPoint>{{0, 60}, {0, -60}, {0, 60}} << false << 10;
    QTest::newRow("one and a half notches") << QList<QPoint>{{0, 180}, {0, 60}} << false << 12;
    QTest::newRow("natural scrolling, wheel away") << QList<QPoint>{{0, -120}} << true << 11;
    QTest::newRow("natural scrolling, wheel towards") << QList<QPoint>{{0, 120}} << true << 9;
    QTest::newRow("sideways does nothing") << QList<QPoint>{{120, 0}} << false << 10;
    QTest::newRow("many notches clamp") << QList<QPoint>{{0, 120 * 100}} << false << 64;
}

void TestControls::wheelNotches()
{
    QFETCH(QList<QPoint>, deltas);
    QFETCH(bool, inverted);
    QFETCH(int, expected);

    TWKSpinEdit edit;
    edit.SetFMaxValue(64);
    edit.SetFValue(10);
    for (const QPoint &delta : deltas)
        QVERIFY2(Wheel(edit, delta, inverted), "the wheel must not scroll the window behind");
    QCOMPARE(edit.Value(), expected);
    QCOMPARE(edit.text(), QString::number(expected));
}

void TestControls::arrowClickFocusesEdit_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<Qt::FocusPolicy>("policy");
    QTest::addColumn<bool>("editFocused");

    QTest::newRow("up arrow") << +1 << Qt::StrongFocus << true;
    QTest::newRow("down arrow") << -1 << Qt::StrongFocus << true;
    QTest::newRow("edit focused by Tab only") << -1 << Qt::TabFocus << true;
    QTest::newRow("edit that takes no focus") << +1 << Qt::NoFocus << false;
}

void TestControls::arrowClickFocusesEdit()
{
    QFETCH(int, direction);
    QFETCH(Qt::FocusPolicy, policy);
    QFETCH(bool, editFocused);

    Harness h(0, 64, 10);
    h.Edit->setFocusPolicy(policy);
    QVERIFY(h.Exposed());
    h.Other->setFocus();
    QCOMPARE(h.Window.focusWidget(), h.Other);

    QTest::mouseClick(h.Edit->UpDown(), Qt::LeftButton, {}, ArrowPoint(*h.Edit, direction));
    QCOMPARE(h.Edit->Value(), 10 + direction);
    QCOMPARE(h.Window.focusWidget(), editFocused ? static_cast<QWidget *>(h.Edit) : h.Other);
}

void TestControls::heldArrowRepeats()
{
    Harness h(0, 64, 10);
    QVERIFY(h.Exposed());
    TWKUpDown *upDown = h.Edit->UpDown();

    QTest::mousePress(upDown, Qt::LeftButton, {}, ArrowPoint(*h.Edit, +1));
    QCOMPARE(h.Edit->Value(), 11);
    QTRY_VERIFY(h.Edit->Value() >= 13);
    QTest::mouseRelease(upDown, Qt::LeftButton, {}, ArrowPoint(*h.Edit, +1));

    // After the release the arrows answer a fresh click at once.
    const int released = h.Edit->Value();
    QTest::mouseClick(upDown, Qt::LeftButton, {}, ArrowPoint(*h.Edit, -1));
    QCOMPARE(h.Edit->Value(), released - 1);
}

void TestControls::disabledControl()
{
    Harness h(0, 64, 10);
    QVERIFY(h.Exposed());
    TWKUpDown *upDown = h.Edit->UpDown();

    h.Edit->setEnabled(false);
    QVERIFY(!upDown->isEnabled());
    QTest::mouseClick(upDown, Qt::LeftButton, {}, ArrowPoint(*h.Edit, +1));
    QTest::keyClick(h.Edit, Qt::Key_Up);
    QCOMPARE(h.Edit->Value(), 10);

    h.Edit->setEnabled(true);
    QVERIFY(upDown->isEnabled());
    QTest::mouseClick(upDown, Qt::LeftButton, {}, ArrowPoint(*h.Edit, +1));
    QCOMPARE(h.Edit->Value(), 11);
}

void TestControls::changeNotification_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("notifications");

    // Starting from 10 in 0..64.
    QTest::newRow("typed digit") << Action([](TWKSpinEdit &e) { QTest::keyClicks(&e, "5"); }) << 1;
    QTest::newRow("typed number past the maximum")
        << Action([](TWKSpinEdit &e) { e.selectAll(); QTest::keyClicks(&e, "100"); }) << 3;
    QTest::newRow("value set") << Action([](TWKSpinEdit &e) { e.SetFValue(20); }) << 1;
    QTest::newRow("value set past the maximum") << Action([](TWKSpinEdit &e) { e.SetFValue(99); }) << 1;
    QTest::newRow("value set to itself") << Action([](TWKSpinEdit &e) { e.SetFValue(10); }) << 0;
    QTest::newRow("step") << Action([](TWKSpinEdit &e) { QTest::keyClick(&e, Qt::Key_Up); }) << 1;
    QTest::newRow("maximum pulls the value down") << Action([](TWKSpinEdit &e) { e.SetFMaxValue(5); }) << 1;
    QTest::newRow("refused letter") << Action([](TWKSpinEdit &e) { QTest::keyClicks(&e, "x"); }) << 0;
    QTest::newRow("cleared") << Action([](TWKSpinEdit &e) { ClearText(e); }) << 1;
    QTest::newRow("text set to letters") << Action([](TWKSpinEdit &e) { e.setText("abc"); }) << 1;
}

void TestControls::changeNotification()
{
    QFETCH(Action, action);
    QFETCH(int, notifications);

    Harness h(0, 64, 10);
    QVERIFY(h.Exposed());
    h.Edit->end(false);

    // Whoever hears the notification finds the number and the text settled.
    int heard = 0;
    connect(h.Edit, &TWKSpinEdit::OnChange, this, [&] {
        ++heard;
        const QString shown = h.Edit->text();
        QVERIFY(shown.isEmpty() || shown == QString::number(h.Edit->Value()));
        QVERIFY(h.Edit->Value() >= 0 && h.Edit->Value() <= h.Edit->MaxValue());
    });
    action(*h.Edit);
    QCOMPARE(heard, notifications);
}

void TestControls::upDownPlacement_data()
{
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<QSize>("size");

    const QStringList styles = QStyleFactory::keys();
    for (const QString &style : styles) {
        for (const QSize size : {QSize(81, 20), QSize(81, 24), QSize(150, 30)})
            QTest::addRow("%s %dx%d", qPrintable(style), size.width(), size.height()) << style << size;
    }
}

void TestControls::upDownPlacement()
{
    QFETCH(QString, styleName);
    QFETCH(QSize, size);

    std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
    QVERIFY(style);
    Harness h(0, 64, 0);
    h.Edit->resize(40, 40);
    h.Edit->setStyle(style.get());
    h.Edit->resize(size);
    QVERIFY(h.Exposed());

    QStyleOptionFrame opt;
    opt.initFrom(h.Edit);
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, h.Edit);

    // The arrows fill the right end of the area inside the frame, full height.
    const QRect arrows = h.Edit->UpDown()->geometry();
    QCOMPARE(arrows.width(), 14);
    QCOMPARE(arrows.right(), size.width() - frame - 1);
    QCOMPARE(arrows.top(), frame);
    QCOMPARE(arrows.height(), size.height() - 2 * frame);
    QVERIFY(h.Edit->UpDown()->isVisible());

    // Right-aligned numbers end before the arrows, however wide.
    for (const int value : {0, 64}) {
        h.Edit->SetFValue(value);
        h.Edit->end(false);
        (void)h.Edit->grab(); // the field works out its scrolling while painting
        QVERIFY2(h.Edit->cursorRect().center().x() < arrows.left(),
                 qPrintable(QStringLiteral("caret at %1, arrows from %2")
                                .arg(h.Edit->cursorRect().center().x())
                                .arg(arrows.left())));
    }
}

void TestControls::arrowsArePainted_data()
{
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<bool>("enabled");

    for (const QString &style : QStyleFactory::keys()) {
        QTest::addRow("%s enabled", qPrintable(style)) << style << true;
        QTest::addRow("%s disabled", qPrintable(style)) << style << false;
    }
}

void TestControls::arrowsArePainted()
{
    QFETCH(QString, styleName);
    QFETCH(bool, enabled);

    std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
    QVERIFY(style);
    Harness h(0, 64, 0);
    h.Edit->setStyle(style.get());
    h.Edit->setEnabled(enabled);
    QVERIFY(h.Exposed());

    TWKUpDown *upDown = h.Edit->UpDown();
    const QImage image = upDown->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor ink = upDown->palette().color(enabled ? QPalette::Active : QPalette::Disabled,
                                               QPalette::ButtonText);

    // Width of the arrow on each pixel row inside one half, top to bottom,
    // leaving out the two pixels of button edge all round.
    const qreal scale = image.height() / qreal(upDown->height());
    const int edge = qCeil(2 * scale);
    auto rowWidths = [&](int top, int bottom) {
        QList<int> widths;
        for (int y = top + edge; y < bottom - edge; ++y) {
            int count = 0;
            for (int x = edge; x < image.width() - edge; ++x)
                count += image.pixelColor(x, y).rgb() == ink.rgb() ? 1 : 0;
            if (count > 0)
                widths << count;
        }
        return widths;
    };
    const int middle = image.height() / 2;
    const QList<int> up = rowWidths(0, middle);
    const QList<int> down = rowWidths(middle, image.height());

    QVERIFY2(up.size() >= 2, "the up arrow is missing");
    QVERIFY2(down.size() >= 2, "the down arrow is missing");
    QVERIFY2(up.first() < up.last(), "the up arrow must point up");
    QVERIFY2(down.first() > down.last(), "the down arrow must point down");
}

namespace {

// Exposes where the button edit draws its caret.
class ProbeSpeedEdit : public TWKSpeedEdit
{
public:
    using TWKSpeedEdit::TWKSpeedEdit;
    using QLineEdit::cursorRect;
};

} // namespace

void TestControls::speedEditButton_data()
{
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<QSize>("size");

    for (const QString &style : QStyleFactory::keys()) {
        for (const QSize size : {QSize(361, 20), QSize(120, 26), QSize(60, 14)})
            QTest::addRow("%s %dx%d", qPrintable(style), size.width(), size.height()) << style << size;
    }
}

void TestControls::speedEditButton()
{
    QFETCH(QString, styleName);
    QFETCH(QSize, size);

    std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
    QVERIFY(style);
    QWidget window;
    auto *edit = new ProbeSpeedEdit(&window);
    edit->SetFButtonCaption(QStringLiteral("…"));
    edit->setStyle(style.get());
    edit->setGeometry(QRect(QPoint(4, 4), size));
    window.resize(size + QSize(8, 8));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QStyleOptionFrame opt;
    opt.initFrom(edit);
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    const int inner = size.height() - 2 * frame;

    // Square, full height inside the frame, flush with its right edge.
    auto *button = edit->findChild<QToolButton *>(QStringLiteral("WKSpeedButton"));
    QVERIFY(button);
    QCOMPARE(button, edit->Button());
    QCOMPARE(button->geometry(), QRect(size.width() - frame - inner, frame, inner, inner));
    QVERIFY(button->isVisible());
    QCOMPARE(button->text(), QStringLiteral("…"));

    // However long the text, it ends before the button.
    edit->setText(QString(200, u'W'));
    edit->end(false);
    (void)edit->grab(); // the field works out its scrolling while painting
    QVERIFY2(edit->cursorRect().center().x() < button->x(),
             qPrintable(QStringLiteral("caret at %1, button from %2")
                            .arg(edit->cursorRect().center().x())
                            .arg(button->x())));

    // A new size places the button again.
    edit->resize(size.width() + 40, size.height());
    QCOMPARE(button->geometry().right(), size.width() + 40 - frame - 1);
}

void TestControls::speedEditClick_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("clicks");

    QTest::newRow("plain") << true << false << 1;
    QTest::newRow("read-only") << true << true << 1;
    QTest::newRow("disabled") << false << false << 0;
    QTest::newRow("disabled read-only") << false << true << 0;
}

void TestControls::speedEditClick()
{
    QFETCH(bool, enabled);
    QFETCH(bool, readOnly);
    QFETCH(int, clicks);

    QWidget window;
    auto *edit = new TWKSpeedEdit(&window);
    auto *other = new QLineEdit(&window);
    edit->setGeometry(8, 8, 200, 20);
    other->setGeometry(8, 40, 200, 20);
    edit->SetFButtonCaption(QStringLiteral("×"));
    edit->setReadOnly(readOnly);
    edit->setEnabled(enabled);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QList<QObject *> senders;
    connect(edit, &TWKSpeedEdit::OnButtonClick, this, [&](QObject *sender) { senders << sender; });
    QToolButton *button = edit->Button();
    QCOMPARE(button->isEnabled(), enabled);
    QCOMPARE(button->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(senders.size(), clicks);
    if (clicks)
        QCOMPARE(senders.first(), button);
    // The button itself never takes the focus.
    QVERIFY(!button->hasFocus());
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);

    // Enabling the field later enables the button with it.
    edit->setEnabled(true);
    QVERIFY(button->isEnabled());
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
