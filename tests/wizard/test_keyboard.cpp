// One plan from the welcome screen to the adjustment with the keyboard alone:
// Tab and Shift+Tab between controls, typing into boxes and lists, arrow keys in
// lists and option groups, Enter in boxes and on buttons. Distinct amounts in
// every quarter and month show that Tab takes them where they belong. Also:
// typing into lists and the mouse wheel. (What a screen reader is told:
// test_screen_reader.)

#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "support/sheet_reader.h"
#include "wizard/wizard.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QSignalSpy>
#include <QUrl>
#include <qtestspontaneevent.h>

namespace {

// Wheel events that reach an object.
class WheelCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Wheel;
        return false;
    }
};

// The expense pages in their order; page p's quarter q gets 100 × (index + 1) + q.
const int kPages[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13};

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QStringList m_opened;

    static QWidget* focused() { return QApplication::focusWidget(); }
    static QString focusedName() { return focused() ? focused()->objectName() : QString("(none)"); }

    // The screen in front takes the keyboard.
    static void activate(QWidget& screen) { drive::activate(screen); }

    // The screen is in front, alone or over the disabled adjustment screen, and
    // the keyboard starts on `control`.
    static void appears(QWidget& screen, const char* control)
    {
        QVERIFY2(screen.isVisible() && screen.isEnabled(), qPrintable(screen.objectName()));
        activate(screen);
        QCOMPARE(focusedName(), QString(control));
    }

    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QVERIFY2(focused(), "no control has the keyboard focus");
        QTest::keyClick(focused(), key, modifiers);
    }

    static void typeText(const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent up(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(focused(), &down);
            QApplication::sendEvent(focused(), &up);
        }
    }

    // Types each text where the focus is, pressing Tab after all but the last,
    // and checks which control took each one.
    static void typeThroughTab(const QStringList& texts, const QStringList& expectedControls)
    {
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (i > 0)
                press(Qt::Key_Tab);
            QCOMPARE(focusedName(), expectedControls[i]);
            typeText(texts[i]);
        }
    }

    // Tabs forward until `name` on `screen` has the focus.
    static void tabTo(QWidget& screen, const QString& name)
    {
        for (int i = 0; i < 200; ++i) {
            if (focused() && focused()->window() == &screen && focused()->objectName() == name)
                return;
            press(Qt::Key_Tab);
        }
        QFAIL(qPrintable(QString("Tab never reaches %1 on %2 (focus on %3)")
                             .arg(name, screen.objectName(), focusedName())));
    }

    static QString text(QWidget& screen, const char* name) { return drive::find<QLabel>(screen, name)->text(); }

    // A turn of the mouse wheel over a control, delivered as the window system
    // delivers it; whether anyone took it.
    static bool turnWheel(QWidget* control, int notches)
    {
        const QPointF at = control->rect().center();
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel); // kept by notify(), unlike sendEvent()
        QApplication::instance()->notify(control, &wheel);
        return wheel.isAccepted();
    }

    // The adjustment screen of an empty plan, in front.
    void reachAdjustment()
    {
        Wizard& w = *m_wizard;
        w.hideScreen(w.form2());
        w.showScreen(w.form8());
        drive::click(w.form8(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
    }

    // The record editor of the paid services, in front.
    void reachEditor()
    {
        drive::type(m_wizard->form2(), "Text1", "0");
        drive::click(m_wizard->form2(), "Command1");
        drive::click(m_wizard->form4(), "Command1");
    }

public slots:
    // The workbooks the program hands to the desktop to open.
    void openFile(const QUrl& url) { m_opened << url.toLocalFile(); }

private slots:
    void initTestCase()
    {
        numbers::applyRegionalConventions();
        QDesktopServices::setUrlHandler("file", this, "openFile");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("file");
        for (const QString& path : m_opened)
            QFile::remove(path);
    }
    void init()
    {
        m_wizard = Wizard::launch();
        m_wizard->setEndHandler([] {});
    }
    void cleanup() { m_wizard.reset(); }

    void wholePlanByKeyboard()
    {
        Wizard& w = *m_wizard;
        PlanState& plan = w.plan();

        // Welcome: the specified order is surname, initials, institution, the
        // button, the settlement list. Enter in a box starts.
        appears(w.form1(), "Text1");
        typeThroughTab({"Петрова", "О", "Н", "Детский сад № 3"}, {"Text1", "Text2", "Text3", "Text4"});
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Command1"));
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Combo1"));
        typeText("Г");
        QCOMPARE(drive::find<QComboBox>(w.form1(), "Combo1")->currentText(), QString("Городской"));
        press(Qt::Key_Backtab);
        press(Qt::Key_Backtab);
        QCOMPARE(focusedName(), QString("Text4"));
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});
        QCOMPARE(plan.settlementType, QString("Городской"));
        QCOMPARE(plan.institutionName, TaggedValue("Детский сад № 3"));

        // Founder's assignment: the button first, then the box; the keypad's Enter goes on.
        appears(w.form2(), "Command1");
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Text1"));
        typeText("1500000");
        press(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});

        // Paid services: the instruction page starts on the way forward; what is
        // typed right after opening the editor is the service's name.
        appears(w.form4(), "Command1");
        press(Qt::Key_Return);
        typeText("Утренник");
        QCOMPARE(drive::find<QLineEdit>(w.form4(), "Text1")->text(), QString("Утренник"));
        // Amounts and the twelve months typed into their lists, January … December.
        QStringList months, monthLists;
        for (int m = 1; m <= 12; ++m) {
            months << QString::number(m);
            monthLists << QString("Combo%1%2").arg((m - 1) / 3 + 1).arg((m - 1) % 3 + 1);
        }
        typeThroughTab(QStringList{"", "1250", "300", "200"} + months,
                       QStringList{"Text1", "Combo1", "Combo2", "Combo3"} + monthLists);
        // Then the kind, entered on the chosen option: one-off, chosen with the
        // arrow keys. Then the buttons, left to right.
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Option1"));
        press(Qt::Key_Right);
        QCOMPARE(focusedName(), QString("Option2"));
        QVERIFY(drive::find<QRadioButton>(w.form4(), "Option2")->isChecked());
        QCOMPARE(text(w.form4(), "Label11"), QString("рублей за услугу"));
        for (const char* button : {"Command5", "Command7", "Command6", "Command4"}) {
            press(Qt::Key_Tab);
            QCOMPARE(focusedName(), QString(button));
        }
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        const ServiceRecord& service = plan.service(1);
        QCOMPARE(service.price.toText(), QString("1250"));
        for (int m = 0; m < 12; ++m)
            QCOMPARE(service.qty[m].toText(), months[m]);
        QCOMPARE(text(w.form5(), "Label1"), QString("97500")); // 1250 × 78

        appears(w.form5(), "Command1");
        press(Qt::Key_Return);

        // Other revenues: Enter on a page that is not filled in shows its red label.
        appears(w.form6(), "Text11");
        press(Qt::Key_Return);
        QVERIFY(drive::find(w.form6(), "Label6")->isVisible());
        typeThroughTab({"1001", "1002", "1003", "1004"}, {"Text11", "Text12", "Text13", "Text14"});
        press(Qt::Key_Return);
        QCOMPARE(focusedName(), QString("Text21"));
        typeThroughTab({"2001", "2002", "2003", "2004"}, {"Text21", "Text22", "Text23", "Text24"});
        press(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        for (int q = 0; q < 4; ++q) {
            QCOMPARE(plan.investments.q[q].toText(), QString::number(1001 + q));
            QCOMPARE(plan.parentFee.q[q].toText(), QString::number(2001 + q));
        }

        // Expenses: twelve pages, each starting on its first quarter.
        activate(w.form7());
        for (int index = 0; index < 12; ++index) {
            const int page = kPages[index];
            QStringList amounts, boxes;
            for (int q = 1; q <= 4; ++q) {
                amounts << QString::number(100 * (index + 1) + q);
                boxes << QString("Text%1%2").arg(page).arg(q);
            }
            typeThroughTab(amounts, boxes);
            press(Qt::Key_Return);
            const Family& stored = plan.expense(Category(index));
            for (int q = 0; q < 4; ++q)
                QCOMPARE(stored.q[q].toText(), amounts[q]);
        }
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});

        // Preliminary plan: it starts on the button that keeps the screen, also
        // after going back.
        appears(w.form8(), "Command2");
        press(Qt::Key_Backtab);
        QCOMPARE(focusedName(), QString("Command3"));
        press(Qt::Key_Return);
        appears(w.form7(), "Text131");
        press(Qt::Key_Return);
        appears(w.form8(), "Command2");
        press(Qt::Key_Return);
        QCOMPARE(m_opened.size(), 1);
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Command1"));
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});

        // Adjustment: typing picks the item typed.
        appears(w.form9(), "Combo1");
        typeText("-5");
        QCOMPARE(drive::find<QComboBox>(w.form9(), "Combo1")->currentText(), QString("-5"));
        QCOMPARE(plan.wagesCorrection.numeric(), -0.05);
        tabTo(w.form9(), "Combo8");
        auto* food = drive::find<QComboBox>(w.form9(), "Combo8");
        press(Qt::Key_Up); // "-0,5"
        QCOMPARE(food->currentText(), QString("-0,5"));
        QCOMPARE(text(w.form9(), "Label109"), QString("-18,05")); // of 3610
        // The open list takes typing as well, and Enter takes the item.
        press(Qt::Key_F4);
        QTRY_VERIFY(food->view()->isVisible());
        QTest::keyClicks(food->view(), "-30");
        QTest::keyClick(food->view(), Qt::Key_Return);
        QTRY_VERIFY(!food->view()->isVisible());
        QCOMPARE(food->currentText(), QString("-30"));
        QCOMPARE(text(w.form9(), "Label109"), QString("-1083"));

        // Revising the services: the editor takes the typing at once, Enter in
        // the name finishes, and the adjustment takes the keyboard back.
        tabTo(w.form9(), "Command1");
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), (QStringList{"Form4", "Form9"}));
        appears(w.form4(), "Text1");
        typeText(" 2");
        press(Qt::Key_Return);
        QCOMPARE(plan.service(1).name, QString("Утренник 2"));
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        appears(w.form9(), "Combo1");
        tabTo(w.form9(), "Command2");
        press(Qt::Key_Return);
        QCOMPARE(m_opened.size(), 2);

        // The workbooks hold each amount in its own quarter.
        if (!sheetReader::haveReader())
            QSKIP("no independent workbook reader (python3-openpyxl) here");
        struct Line {
            int row;
            const char* name;
            std::array<double, 4> quarters;
        };
        const Line lines[] = {
            {7, "Бюджетные инвестиции", {1001, 1002, 1003, 1004}},
            {8, "Родительская плата", {2001, 2002, 2003, 2004}},
            {11, "Услуга №1 - Утренник", {7500, 18750, 30000, 41250}}, // 1250 × (1+2+3) …
            {18, "Заработная плата", {101, 102, 103, 104}},
            {23, "Услуги связи", {301, 302, 303, 304}},
            {34, "приобретение продуктов питания", {901, 902, 903, 904}},
        };
        QStringList cells;
        for (const Line& line : lines)
            for (const char* column : {"A", "D", "E", "F", "G"})
                cells << column + QString::number(line.row);
        const QJsonObject preliminary = sheetReader::readCells(m_opened[0], cells);
        QCOMPARE(preliminary["rows"].toInt(), 37);
        for (const Line& line : lines) {
            const QString row = QString::number(line.row);
            QCOMPARE(preliminary["A" + row].toString(), QString(line.name));
            for (int q = 0; q < 4; ++q)
                QCOMPARE(preliminary[QString("DEFG")[q] + row].toDouble(), line.quarters[q]);
        }
        // Food at -30 % in the corrected plan.
        const QJsonObject corrected = sheetReader::readCells(m_opened[1], cells);
        for (int q = 0; q < 4; ++q)
            QVERIFY(qAbs(corrected[QString("DEFG")[q] + QString("34")].toDouble() - (901 + q) * 0.7) < 1e-9);
    }

    // Typing into a list picks the item that equals the typed text, else the
    // next one it begins; a pause starts a new search. Typing chooses like a click.
    void typingIntoLists_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("typed"); // typed with a pause between the parts
        QTest::addColumn<QString>("chosen");
        QTest::newRow("-5, not -59,5") << "Combo8" << QStringList{"-5"} << "-5";
        QTest::newRow("-30, not -30,5") << "Combo8" << QStringList{"-30"} << "-30";
        QTest::newRow("-60") << "Combo8" << QStringList{"-60"} << "-60";
        QTest::newRow("0,5") << "Combo8" << QStringList{"0,5"} << "0,5";
        QTest::newRow("no such item: the first it begins") << "Combo8" << QStringList{"-0"} << "-0,5";
        QTest::newRow("a pause starts again") << "Combo8" << QStringList{"-5", "3"} << "3";
        QTest::newRow("price 1250") << "Combo1" << QStringList{"1250"} << "1250";
        QTest::newRow("price begun") << "Combo1" << QStringList{"125"} << "1250";
        QTest::newRow("quantity 12, not 120") << "Combo11" << QStringList{"12"} << "12";
        QTest::newRow("quantity 600") << "Combo43" << QStringList{"600"} << "600";
        QTest::newRow("nothing begins so: unchanged") << "Combo43" << QStringList{"x"} << "0";
    }
    void typingIntoLists()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, typed);
        QFETCH(QString, chosen);
        drive::type(m_wizard->form1(), "Text4", "Сад");
        drive::choose(m_wizard->form1(), "Combo1", "Сельский");
        drive::click(m_wizard->form1(), "Command1");
        const bool adjustment = list == "Combo8";
        if (adjustment)
            reachAdjustment();
        else
            reachEditor();
        QWidget& screen = adjustment ? static_cast<QWidget&>(m_wizard->form9()) : m_wizard->form4();
        auto* combo = drive::find<QComboBox>(screen, qPrintable(list));
        QSignalSpy clicks(combo, &QComboBox::activated);
        const int interval = QApplication::keyboardInputInterval();
        QApplication::setKeyboardInputInterval(40);
        for (qsizetype i = 0; i < typed.size(); ++i) {
            if (i > 0)
                QTest::qWait(80);
            QTest::keyClicks(combo, typed[i]);
        }
        QApplication::setKeyboardInputInterval(interval);
        QCOMPARE(combo->currentText(), chosen);
        QCOMPARE(clicks.isEmpty(), chosen == "0");
        if (adjustment) // the choice ran the adjustment
            QCOMPARE(m_wizard->plan().foodCorrection.numeric(), numbers::parseListItem(chosen) / 100);
    }

    // The wheel over a list changes it only while the list has the keyboard;
    // otherwise the wheel goes on to the window.
    void wheelOverLists()
    {
        drive::type(m_wizard->form1(), "Text4", "Сад");
        drive::choose(m_wizard->form1(), "Combo1", "Сельский");
        drive::click(m_wizard->form1(), "Command1");
        reachEditor();
        Form4& editor = m_wizard->form4();
        activate(editor);
        QCOMPARE(focusedName(), QString("Text1"));
        auto* january = drive::find<QComboBox>(editor, "Combo11");
        WheelCounter window;
        editor.installEventFilter(&window);

        QVERIFY(!turnWheel(january, 1));
        QCOMPARE(january->currentText(), QString("0"));
        QCOMPARE(focusedName(), QString("Text1"));
        QCOMPARE(window.count, 1);

        january->setFocus(Qt::TabFocusReason);
        QVERIFY(turnWheel(january, 1));
        QCOMPARE(january->currentText(), QString("1"));
        QCOMPARE(window.count, 1);
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
