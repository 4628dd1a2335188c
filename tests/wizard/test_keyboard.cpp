// One plan from the welcome screen to the adjustment with the keyboard alone:
// Tab and Shift+Tab between controls, typing, arrow keys in lists and option
// groups, Enter and Space on buttons. Also: every input control and figure can be
// read out by a screen reader.

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
#include "wizard/wizard.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QLabel>

class TestKeyboard : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;

    static QWidget* focused() { return QApplication::focusWidget(); }
    static QString focusedName() { return focused() ? focused()->objectName() : QString("(none)"); }

    // The screen in front takes the keyboard.
    static void activate(QWidget& screen) { QApplication::setActiveWindow(&screen); }

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

    static void tabAndType(QWidget& screen, const QString& name, const QString& text)
    {
        tabTo(screen, name);
        typeText(text);
    }

private slots:
    void initTestCase() { numbers::applyRegionalConventions(); }
    void init()
    {
        m_wizard = Wizard::start();
        m_wizard->setEndHandler([] {});
    }
    void cleanup() { m_wizard.reset(); }

    void wholePlanByKeyboard()
    {
        Wizard& w = *m_wizard;

        // Welcome: the surname box has the focus; the order is surname, initials,
        // institution, the button, the settlement list.
        activate(w.form1());
        QCOMPARE(focusedName(), QString("Text1"));
        typeText("Петрова");
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Text2"));
        typeText("О");
        press(Qt::Key_Tab);
        typeText("Н");
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Text4"));
        typeText("Детский сад № 3");
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Command1"));
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Combo1"));
        press(Qt::Key_Down); // the first entry
        press(Qt::Key_Down);
        QCOMPARE(drive::find<QComboBox>(w.form1(), "Combo1")->currentText(), QString("Городской"));
        press(Qt::Key_Backtab);
        QCOMPARE(focusedName(), QString("Command1"));
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});
        QCOMPARE(w.plan().settlementType, QString("Городской"));

        // Founder's assignment: the button first, then the box.
        activate(w.form2());
        QCOMPARE(focusedName(), QString("Command1"));
        press(Qt::Key_Tab);
        QCOMPARE(focusedName(), QString("Text1"));
        typeText("1500000");
        press(Qt::Key_Backtab);
        press(Qt::Key_Space);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});

        // Paid services: one-off, chosen with the arrow keys; lists with the keyboard.
        activate(w.form4());
        tabTo(w.form4(), "Command1");
        press(Qt::Key_Return);
        tabTo(w.form4(), "Option1");
        press(Qt::Key_Right);
        QVERIFY(drive::find<QRadioButton>(w.form4(), "Option2")->isChecked());
        QCOMPARE(drive::find<QLabel>(w.form4(), "Label11")->text(), QString("рублей за услугу"));
        tabAndType(w.form4(), "Text1", "Утренник");
        tabTo(w.form4(), "Combo1");
        for (int i = 0; i < 50; ++i) // from "0" up to "500"
            press(Qt::Key_Down);
        QCOMPARE(drive::find<QComboBox>(w.form4(), "Combo1")->currentText(), QString("500"));
        tabTo(w.form4(), "Combo13");
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        press(Qt::Key_Up);
        QCOMPARE(drive::find<QComboBox>(w.form4(), "Combo13")->currentText(), QString("1"));
        tabTo(w.form4(), "Command4");
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        QCOMPARE(drive::find<QLabel>(w.form5(), "Label1")->text(), QString("500"));

        activate(w.form5());
        tabTo(w.form5(), "Command1");
        press(Qt::Key_Return);

        // Other revenues.
        activate(w.form6());
        for (const char* box : {"Text11", "Text12", "Text13", "Text14"})
            tabAndType(w.form6(), box, "1000");
        tabTo(w.form6(), "Command1");
        press(Qt::Key_Return);
        for (const char* box : {"Text21", "Text22", "Text23", "Text24"})
            tabAndType(w.form6(), box, "500");
        tabTo(w.form6(), "Command3");
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});

        // Expenses: twelve pages, four quarters each.
        activate(w.form7());
        for (int page : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13}) {
            for (int q = 1; q <= 4; ++q)
                tabAndType(w.form7(), QString("Text%1%2").arg(page).arg(q), "100");
            tabTo(w.form7(), QString("Command%1").arg(page) + "1");
            press(Qt::Key_Return);
        }
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});

        activate(w.form8());
        tabTo(w.form8(), "Command1");
        press(Qt::Key_Return);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});

        // Adjustment: open the food list from the keyboard and choose from it.
        activate(w.form9());
        tabTo(w.form9(), "Combo8");
        auto* food = drive::find<QComboBox>(w.form9(), "Combo8");
        press(Qt::Key_Up); // "-0,5"
        QCOMPARE(food->currentText(), QString("-0,5"));
        QCOMPARE(drive::find<QLabel>(w.form9(), "Label109")->text(), QString("-2"));

        // The drop-down opens with F4 and takes an item with the arrows and Enter.
        press(Qt::Key_F4);
        QTRY_VERIFY(food->view()->isVisible());
        QTest::keyClick(food->view(), Qt::Key_Up);
        QTest::keyClick(food->view(), Qt::Key_Return);
        QTRY_VERIFY(!food->view()->isVisible());
        QCOMPARE(food->currentText(), QString("-1"));
        QCOMPARE(drive::find<QLabel>(w.form9(), "Label109")->text(), QString("-4"));
    }

    void everyInputAndFigureCanBeReadOut()
    {
        drive::type(m_wizard->form1(), "Text4", "Сад");
        drive::choose(m_wizard->form1(), "Combo1", "Сельский");
        drive::click(m_wizard->form1(), "Command1");
        Wizard& w = *m_wizard;
        QStringList unnamed;
        for (QWidget* screen : QList<QWidget*>{&w.form1(), &w.form2(), &w.form4(), &w.form5(), &w.form6(),
                                               &w.form7(), &w.form8(), &w.form9()}) {
            for (QWidget* c : screen->findChildren<QWidget*>()) {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
                const QString id = screen->objectName() + "." + c->objectName();
                const bool input = qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c)
                                   || qobject_cast<QAbstractButton*>(c);
                if (input && (!a || a->text(QAccessible::Name).trimmed().isEmpty()))
                    unnamed << id;
                if (auto* l = qobject_cast<QLabel*>(c); l && l->property("figure").toBool()
                                                        && (!a || a->text(QAccessible::Description).isEmpty()))
                    unnamed << id + " (figure)";
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));

        // Names a person would expect to hear.
        const auto name = [](QWidget& s, const char* n) {
            return QAccessible::queryAccessibleInterface(drive::find(s, n))->text(QAccessible::Name);
        };
        QCOMPARE(name(w.form1(), "Text1"), QString("Фамилия"));
        QCOMPARE(name(w.form4(), "Combo21"), QString("Апрель"));
        QCOMPARE(name(w.form6(), "Text11"), QString("I квартал"));
        QCOMPARE(name(w.form7(), "Text133"), QString("III квартал"));
        QCOMPARE(name(w.form9(), "Combo8"), QString("расходы на приобретение продуктов питания -"));
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
