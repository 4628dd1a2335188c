#include "screens/assignment_screen.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "support/drive.h"
#include "support/tagged_values.h"
#include "wizard/wizard.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {

bool sameFamily(const Family& a, const Family& b) { return a.total == b.total && a.q == b.q; }


TaggedValue fixed(qint64 units) { return FixedAmount::fromUnits(units); }

// The pages in the order the user meets them.
const QList<int> kOrder{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13};

QByteArray name(const char* kind, int page, int role)
{
    return kind + QByteArray::number(page) + QByteArray::number(role);
}

} // namespace

class TestExpensesScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    Form7& form7() { return m_wizard->form7(); }
    QWidget& form6() { return m_wizard->form6(); }
    PlanState& plan() { return m_wizard->plan(); }

    QWidget* control(const char* kind, int page, int role)
    {
        return drive::find(form7(), name(kind, page, role).constData());
    }
    QWidget* pageFrame(int page)
    {
        return drive::find(form7(), ("Frame" + QByteArray::number(page)).constData());
    }
    void click(const char* kind, int page, int role)
    {
        drive::click(form7(), name(kind, page, role).constData());
    }
    void type(int page, int box, const QString& text)
    {
        drive::type(form7(), name("Text", page, box).constData(), text);
    }

    // Four texts for quarterly entry, one for the annual total; then "далее".
    void fill(int page, const QStringList& texts)
    {
        if (texts.size() == 4) {
            click("Option", page, 1);
            for (int i = 0; i < 4; ++i)
                type(page, i + 1, texts[i]);
        } else {
            click("Option", page, 2);
            type(page, 0, texts.value(0));
        }
        click("Command", page, 1);
    }

    // Completes the pages before `page` with ones.
    void advanceTo(int page)
    {
        while (form7().currentPage() != page)
            fill(form7().currentPage(), {"1", "1", "1", "1"});
    }

    // The page frames that are not hidden.
    QList<int> shownPages()
    {
        QList<int> pages;
        for (int page : kOrder)
            if (!pageFrame(page)->isHidden())
                pages << page;
        return pages;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init()
    {
        m_wizard = drive::startPastWelcome();
        drive::type(m_wizard->form2(), "Text1", "1000000");
        drive::click(m_wizard->form2(), "Command1");
        drive::click(m_wizard->form4(), "Command3");
        drive::click(m_wizard->form5(), "Command1");
        for (const char* box :
             {"Text11", "Text12", "Text13", "Text14", "Text21", "Text22", "Text23", "Text24"})
            drive::type(form6(), box, "10");
        drive::click(form6(), "Command1");
        drive::click(form6(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
    }
    void cleanup() { m_wizard.reset(); }

    // Each page has the names its number gives it, starts in quarterly entry with
    // nothing typed, and stores into its own category: the quarter texts and
    // their numeric sum.
    void pagesStoreTheirCategory_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("promptLabel");
        QTest::addColumn<QString>("errorLabel");
        const char* const labels[][2] = {
            {"Label11", "Label16"},  {"Label5", "Label26"},   {"Label17", "Label36"},
            {"Label21", "Label46"},  {"Label28", "Label56"},  {"Label32", "Label66"},
            {"Label39", "Label76"},  {"Label43", "Label86"},  {"Label50", "Label96"},
            {"Label54", "Label106"}, {"Label61", "Label126"}, {"Label65", "Label136"}};
        for (int i = 0; i < kOrder.size(); ++i)
            QTest::addRow("page %d", kOrder[i]) << kOrder[i] << labels[i][0] << labels[i][1];
    }
    void pagesStoreTheirCategory()
    {
        QFETCH(int, page);
        QFETCH(QString, promptLabel);
        QFETCH(QString, errorLabel);
        QCOMPARE(shownPages(), QList<int>{1});
        advanceTo(page);
        QCOMPARE(shownPages(), QList<int>{page});

        QWidget* frame = pageFrame(page);
        QVERIFY(drive::find<QLabel>(form7(), qPrintable(promptLabel))->text().startsWith("Введите ожидаем"));
        auto* error = drive::find<QLabel>(form7(), qPrintable(errorLabel));
        QCOMPARE(error->text(), QString("не верно введены значения!"));
        QCOMPARE(error->parentWidget(), frame);
        QVERIFY(!error->isVisible());
        QVERIFY(qobject_cast<QRadioButton*>(control("Option", page, 1))->isChecked());
        QVERIFY(control("Frame", page, 1)->isVisible() && !control("Text", page, 0)->isVisible());
        for (int box = 0; box <= 4; ++box)
            QVERIFY(qobject_cast<QLineEdit*>(control("Text", page, box))->text().isEmpty());

        const int category = int(kOrder.indexOf(page));
        const Category c = static_cast<Category>(category);
        const TaggedValue fourth = c == Category::Materials ? fixed(4000000) : TaggedValue("400");
        fill(page, {"100", "200", "300", "400"});
        compareFamily(plan().expense(c), Values{1000.0, "100", "200", "300", fourth});
        // The pages after it are still untouched.
        for (int later = category + 1; later < kCategoryCount; ++later)
            QVERIFY(plan().expense(static_cast<Category>(later)).total.isEmpty());
    }

    void storedValues_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("category");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<Values>("expected");
        const int wages = int(Category::Wages);
        const int food = int(Category::Food);
        const int materials = int(Category::Materials);
        QTest::newRow("quarterly decimal comma, negative, zero")
            << 1 << wages << QStringList{"1500,5", "-500", "0", "1,5"}
            << Values{1002.0, "1500,5", "-500", "0", "1,5"};
        QTest::newRow("total 1000") << 1 << wages << QStringList{"1000"}
                                    << Values{"1000", 250.0, 250.0, 250.0, 250.0};
        QTest::newRow("total 1001 unrounded")
            << 9 << food << QStringList{"1001"} << Values{"1001", 250.25, 250.25, 250.25, 250.25};
        QTest::newRow("total -500") << 1 << wages << QStringList{"-500"}
                                    << Values{"-500", -125.0, -125.0, -125.0, -125.0};
        QTest::newRow("total 0") << 1 << wages << QStringList{"0"} << Values{"0", 0.0, 0.0, 0.0, 0.0};
        QTest::newRow("total 1,5") << 9 << food << QStringList{"1,5"}
                                   << Values{"1,5", 0.375, 0.375, 0.375, 0.375};
        // Material reserves: the fourth quarter is a fixed-point amount.
        QTest::newRow("materials quarterly, fourth rounded to four decimals")
            << 13 << materials << QStringList{"1", "2", "3", "0,123456"}
            << Values{6.1235, "1", "2", "3", fixed(1235)};
        QTest::newRow("materials quarterly, half to even down")
            << 13 << materials << QStringList{"0", "0", "0", "0,00005"}
            << Values{0.0, "0", "0", "0", fixed(0)};
        QTest::newRow("materials quarterly, half to even up")
            << 13 << materials << QStringList{"0", "0", "0", "-0,00015"}
            << Values{-0.0002, "0", "0", "0", fixed(-2)};
        QTest::newRow("materials total 1001") << 13 << materials << QStringList{"1001"}
                                              << Values{"1001", 250.25, 250.25, 250.25, fixed(2502500)};
        QTest::newRow("materials total 0,00001")
            << 13 << materials << QStringList{"0,00001"}
            << Values{"0,00001", 0.0000025, 0.0000025, 0.0000025, fixed(0)};
        QTest::newRow("materials total -500") << 13 << materials << QStringList{"-500"}
                                              << Values{"-500", -125.0, -125.0, -125.0, fixed(-1250000)};
    }
    void storedValues()
    {
        QFETCH(int, page);
        QFETCH(int, category);
        QFETCH(QStringList, texts);
        QFETCH(Values, expected);
        advanceTo(page);
        fill(page, texts);
        compareFamily(plan().expense(static_cast<Category>(category)), expected);
    }

    // A failed check shows the page's red label and changes nothing else.
    void refusesInvalidEntry_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("errorLabel");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("three of four quarters") << 1 << "Label16" << QStringList{"100", "200", "", "400"};
        QTest::newRow("letters in a quarter") << 5 << "Label56" << QStringList{"100", "abc", "300", "400"};
        QTest::newRow("empty total") << 10 << "Label106" << QStringList{""};
        QTest::newRow("letters as total") << 12 << "Label126" << QStringList{"сто"};
        // Every amount must fit a money amount, so that the plan screens can hold it.
        QTest::newRow("a quarter beyond the money range")
            << 3 << "Label36" << QStringList{"1", "2", "-1e15", "4"};
        QTest::newRow("total beyond the money range") << 9 << "Label96" << QStringList{"1e308"};
        QTest::newRow("materials: letters in quarter 1")
            << 13 << "Label136" << QStringList{"x", "2", "3", "4"};
        // materialsQ4 is a fixed-point amount: what would not fit is refused.
        QTest::newRow("materials: quarter 4 beyond the money range")
            << 13 << "Label136" << QStringList{"1", "2", "3", "1e15"};
        QTest::newRow("materials: quarter 4 below the money range")
            << 13 << "Label136" << QStringList{"1", "2", "3", "-930000000000000"};
        QTest::newRow("materials: total whose quarter is beyond the range")
            << 13 << "Label136" << QStringList{"4000000000000000"};
    }
    void refusesInvalidEntry()
    {
        QFETCH(int, page);
        QFETCH(QString, errorLabel);
        QFETCH(QStringList, texts);
        advanceTo(page);
        const Category category = static_cast<Category>(kOrder.indexOf(page));
        if (page != 13) {
            // Valid values first, so that "nothing stored" is visible.
            fill(page, {"7", "7", "7", "7"});
            click("Command", form7().currentPage(), 2);
            QCOMPARE(form7().currentPage(), page);
        }
        const Family before = plan().expense(category);

        fill(page, texts);
        QVERIFY(drive::find(form7(), qPrintable(errorLabel))->isVisible());
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        QCOMPARE(shownPages(), QList<int>{page});
        QVERIFY(sameFamily(plan().expense(category), before));
        if (texts.size() == 4)
            for (int i = 0; i < 4; ++i)
                QCOMPARE(qobject_cast<QLineEdit*>(control("Text", page, i + 1))->text(), texts[i]);
    }

    void switchingModesKeepsTexts()
    {
        advanceTo(3);
        for (int box = 1; box <= 4; ++box)
            type(3, box, QString::number(box));
        click("Option", 3, 2);
        QVERIFY(!control("Frame", 3, 1)->isVisible() && control("Text", 3, 0)->isVisible());
        type(3, 0, "800");
        click("Option", 3, 1);
        QVERIFY(control("Frame", 3, 1)->isVisible() && !control("Text", 3, 0)->isVisible());
        for (int box = 1; box <= 4; ++box)
            QCOMPARE(qobject_cast<QLineEdit*>(control("Text", 3, box))->text(), QString::number(box));
        click("Option", 3, 2);
        QCOMPARE(qobject_cast<QLineEdit*>(control("Text", 3, 0))->text(), QString("800"));

        // The mode selected at "далее" decides what is stored.
        click("Command", 3, 1);
        compareFamily(plan().communication, Values{"800", 200.0, 200.0, 200.0, 200.0});
    }

    void forwardOrderEndsOnPreliminaryPlan()
    {
        QList<int> seen{form7().currentPage()};
        for (int step = 0; step < kOrder.size() - 1; ++step) {
            fill(form7().currentPage(), {"1", "1", "1", "1"});
            QCOMPARE(shownPages().size(), 1);
            seen << shownPages().front();
        }
        QCOMPARE(seen, kOrder);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});

        fill(13, {"1", "1", "1", "1"});
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        // The last page stays as it was left, so coming back lands on it.
        drive::click(m_wizard->form8(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        QCOMPARE(shownPages(), QList<int>{13});
        QCOMPARE(form7().currentPage(), 13);
    }

    void backwardOrderEndsOnParentFeePage()
    {
        advanceTo(13);
        QList<int> seen{13};
        while (form7().currentPage() != 1) {
            click("Command", form7().currentPage(), 2);
            QCOMPARE(shownPages().size(), 1);
            seen << shownPages().front();
        }
        std::reverse(seen.begin(), seen.end());
        QCOMPARE(seen, kOrder);

        click("Command", 1, 2);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
        QVERIFY(drive::find(form6(), "Frame2")->isVisible());
        // Forward again: page 1 with everything as it was.
        drive::click(form6(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        QCOMPARE(shownPages(), QList<int>{1});
        QCOMPARE(qobject_cast<QLineEdit*>(control("Text", 1, 4))->text(), QString("1"));
    }

    void pagesTwelveAndTenAreNeighbours()
    {
        advanceTo(10);
        fill(10, {"1", "1", "1", "1"});
        QCOMPARE(shownPages(), QList<int>{12});
        click("Command", 12, 2);
        QCOMPARE(shownPages(), QList<int>{10});
    }

    // After a failed check, "назад" and a return show the page without the label.
    void errorGoneAfterBackAndReturn_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("errorLabel");
        QTest::newRow("first page, via the other revenues") << 1 << "Label16";
        QTest::newRow("page 12") << 12 << "Label126";
        QTest::newRow("last page") << 13 << "Label136";
    }
    void errorGoneAfterBackAndReturn()
    {
        QFETCH(int, page);
        QFETCH(QString, errorLabel);
        advanceTo(page);
        type(page, 1, "5");
        click("Command", page, 1); // three boxes empty
        QLabel* error = drive::find<QLabel>(form7(), qPrintable(errorLabel));
        QVERIFY(error->isVisible());

        click("Command", page, 2);
        if (page == 1)
            drive::click(form6(), "Command3");
        else
            click("Command", form7().currentPage(), 1);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form7"});
        QCOMPARE(shownPages(), QList<int>{page});
        QVERIFY(!error->isVisible());
        QCOMPARE(qobject_cast<QLineEdit*>(control("Text", page, 1))->text(), QString("5"));
    }
};

QTEST_MAIN(TestExpensesScreen)
#include "test_expenses_screen.moc"
