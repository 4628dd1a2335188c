#include "screens/assignment_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QLabel>

// The leading under a label's last line is not ink and may stand out of the label.
constexpr int kLeading = 1;

class TestServicesSummaryScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    bool m_ended = false;
    Form4& form4() { return m_wizard->form4(); }
    Form5& form5() { return m_wizard->form5(); }
    QString figure(const char* name) { return drive::find<QLabel>(form5(), name)->text(); }
    // The summary entered with the totals the records gave.
    void showTotals(double revenue, double cost) {
        m_wizard->plan().paidRevenue.total = revenue;
        m_wizard->plan().paidCostTotal = cost;
        form5().enter();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    // Every test starts on the paid services instruction page.
    void init()
    {
        m_ended = false;
        m_wizard = Wizard::launch();
        m_wizard->setEndHandler([this] { m_ended = true; });
        drive::type(m_wizard->form1(), "Text4", "Детский сад");
        drive::choose(m_wizard->form1(), "Combo1", "Городской");
        drive::click(m_wizard->form1(), "Command1");
        drive::type(m_wizard->form2(), "Text1", "1000");
        drive::click(m_wizard->form2(), "Command1");
    }
    void cleanup() { m_wizard.reset(); }

    void withoutServices()
    {
        drive::click(form4(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        QCOMPARE(form5().windowTitle(), QString("Платные услуги"));
        QCOMPARE(figure("Label1"), QString("0"));
        QCOMPARE(figure("Label6"), QString("0"));
        QCOMPARE(figure("Label2"), QString("Поступления от оказания платных услуг (всего) -"));
        QCOMPARE(figure("Label4"), QString("Расходы на оказание платных услуг (всего) -"));
    }

    // The plain text form: no grouping, the regional separator, only the decimals needed.
    void figures_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("decimal comma") << 12345.5 << "12345,5";
        QTest::newRow("whole") << 182000.0 << "182000";
        QTest::newRow("largest total, no grouping") << 5760000000.0 << "5760000000";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative") << -150.25 << "-150,25";
    }
    void figures()
    {
        QFETCH(double, value);
        QFETCH(QString, shown);
        showTotals(value, -value);
        QCOMPARE(figure("Label1"), shown);
        QCOMPARE(figure("Label6"), value == 0.0 ? shown : numbers::formatPlain(-value));
    }

    void next()
    {
        drive::click(form4(), "Command3");
        drive::click(form5(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form6"});
    }

    // "изменить параметры услуг" lands on the instruction page whatever page the
    // editor was left on.
    void changeServices_data()
    {
        QTest::addColumn<bool>("withRecords");
        QTest::newRow("after finishing the records") << true;
        QTest::newRow("without services") << false;
    }
    void changeServices()
    {
        QFETCH(bool, withRecords);
        if (withRecords) {
            drive::click(form4(), "Command1");
            drive::click(form4(), "Command6");
            drive::click(form4(), "Command4");
        } else {
            drive::click(form4(), "Command3");
        }
        for (int visit = 0; visit < 2; ++visit) {
            drive::click(form5(), "Command2");
            QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
            QVERIFY(drive::find(form4(), "Frame1")->isVisible());
            QVERIFY(!drive::find(form4(), "Frame2")->isVisible());
            QCOMPARE(drive::find(form4(), "Command3")->isVisible(), !withRecords);
            // Back to the summary the same way.
            drive::click(form4(), withRecords ? "Command1" : "Command3");
            if (withRecords) {
                drive::click(form4(), "Command4");
                drive::click(form4(), "Command4");
            }
            QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        }
    }

    void closingEndsTheProgram()
    {
        drive::click(form4(), "Command3");
        form5().close();
        QVERIFY(m_ended);
        QVERIFY(drive::visibleScreens().isEmpty());
    }

    void nothingClipped()
    {
        showTotals(2880000000.0, 5760000000.0);
        for (QLabel* label : form5().findChildren<QLabel*>()) {
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                                   Qt::TextWordWrap, label->text());
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height() + kLeading,
                     qPrintable(label->objectName()));
        }
    }
};

QTEST_MAIN(TestServicesSummaryScreen)
#include "test_services_summary_screen.moc"
