#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QLabel>

// The leading under a label's last line is not ink and may stand out of the label.
constexpr int kLeading = 1;

namespace {

const char* const kMonthLists[12] = {"Combo11", "Combo12", "Combo13", "Combo21", "Combo22", "Combo23",
                                     "Combo31", "Combo32", "Combo33", "Combo41", "Combo42", "Combo43"};
const char* const kAmountLists[3] = {"Combo1", "Combo2", "Combo3"};

// What a person enters on one record: list texts, January first.
struct Entry {
    bool oneOff = false;
    QString name;
    QString price = "0";
    QString labour = "0";
    QString other = "0";
    QStringList qty = QStringList(12, "0");
};

// 20 children in every month except June, July and August.
Entry recurringExample()
{
    Entry e;
    e.name = "Английский язык";
    e.price = "1000";
    e.labour = "300";
    e.other = "200";
    e.qty = QStringList(12, "20");
    e.qty[5] = e.qty[6] = e.qty[7] = "0";
    return e;
}

// 4 services in March.
Entry oneOffExample()
{
    Entry e;
    e.oneOff = true;
    e.name = "Праздник";
    e.price = "500";
    e.labour = "100";
    e.qty[2] = "4";
    return e;
}

Entry editedEntry()
{
    Entry e;
    e.oneOff = true;
    e.name = "Кружок рисования";
    e.price = "1230";
    e.labour = "40";
    e.other = "10000";
    e.qty[0] = "600";
    e.qty[4] = "15";
    e.qty[11] = "7";
    return e;
}

} // namespace

Q_DECLARE_METATYPE(QList<Entry>)

class TestPaidServicesScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    PlanState& plan() { return m_wizard->plan(); }
    QWidget& form4() { return m_wizard->form4(); }
    QWidget& form5() { return m_wizard->form5(); }

    // Whether a control of Form4 is shown (with its page) while Form4 is.
    bool shown(const char* name) { return drive::find(form4(), name)->isVisibleTo(&form4()); }
    QString text(QWidget& screen, const char* name)
    {
        QWidget* w = drive::find(screen, name);
        if (auto* label = qobject_cast<QLabel*>(w))
            return label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            return button->text();
        if (auto* box = qobject_cast<QLineEdit*>(w))
            return box->text();
        return qobject_cast<QComboBox*>(w)->currentText();
    }
    QString header()
    {
        return QStringList{text(form4(), "Label5"), text(form4(), "Label6"), text(form4(), "Label7"),
                           text(form4(), "Label8")}
            .join(' ');
    }
    QStringList unitCaptions()
    {
        return {text(form4(), "Label11"), text(form4(), "Label12"), text(form4(), "Label15"),
                text(form4(), "Label16")};
    }

    void enter(const Entry& e)
    {
        drive::click(form4(), e.oneOff ? "Option2" : "Option1");
        drive::type(form4(), "Text1", e.name);
        const QString amounts[3] = {e.price, e.labour, e.other};
        for (int i = 0; i < 3; ++i)
            drive::choose(form4(), kAmountLists[i], amounts[i]);
        for (int month = 0; month < 12; ++month)
            drive::choose(form4(), kMonthLists[month], e.qty[month]);
    }
    // The editor shows the entry.
    void expectShown(const Entry& e)
    {
        QCOMPARE(drive::find<QRadioButton>(form4(), "Option2")->isChecked(), e.oneOff);
        QCOMPARE(drive::find<QRadioButton>(form4(), "Option1")->isChecked(), !e.oneOff);
        QCOMPARE(text(form4(), "Text1"), e.name);
        QCOMPARE((QStringList{text(form4(), "Combo1"), text(form4(), "Combo2"), text(form4(), "Combo3")}),
                 (QStringList{e.price, e.labour, e.other}));
        QStringList qty;
        for (const char* list : kMonthLists)
            qty << text(form4(), list);
        QCOMPARE(qty, e.qty);
    }
    // Slot i holds the entry.
    void expectStored(int i, const Entry& e)
    {
        const ServiceRecord& slot = plan().service(i);
        QCOMPARE(slot.kind, TaggedValue(FixedAmount::fromUnits((e.oneOff ? 2 : 1) * FixedAmount::kScale)));
        QCOMPARE(slot.name, e.name);
        QCOMPARE(slot.label, TaggedValue(QString("Услуга №%1 - ").arg(i)));
        QCOMPARE(slot.price, TaggedValue(e.price));
        QCOMPARE(slot.labourCost, TaggedValue(e.labour));
        QCOMPARE(slot.otherCost, TaggedValue(e.other));
        for (int month = 0; month < 12; ++month)
            QCOMPARE(slot.qty[month], TaggedValue(e.qty[month]));
    }

    // Opens the editor and creates records until there are `count`; the editor
    // stays on the last one.
    void createRecords(int count)
    {
        drive::click(form4(), "Command1");
        while (plan().serviceCountValue() < count)
            drive::click(form4(), "Command6");
    }

    // The adjustment screen's "пересчитать": Form4 opens over a disabled Form9.
    void reopenFromAdjustment()
    {
        m_wizard->hideScreen(m_wizard->form4());
        m_wizard->hideScreen(m_wizard->form5());
        plan().adjustmentStage = 1;
        m_wizard->showScreen(m_wizard->form9());
        m_wizard->setScreenEnabled(m_wizard->form9(), false);
        m_wizard->form4().openServiceEditor();
        m_wizard->showScreen(m_wizard->form4());
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    // Every test starts on the instruction page, reached like a person does.
    void init()
    {
        m_wizard = drive::startPastWelcome();
        drive::type(m_wizard->form2(), "Text1", "1500000");
        drive::click(m_wizard->form2(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
    }
    void cleanup() { m_wizard.reset(); }

    void instructionPage()
    {
        QCOMPARE(form4().windowTitle(), QString("Платные услуги"));
        QVERIFY(shown("Frame1"));
        QVERIFY(!shown("Frame2"));
        QVERIFY(shown("Command3"));
        QCOMPARE(text(form4(), "Command3"),
                 QString("перейти к следующему разделу (платные услуги не оказываются)"));
    }

    void lists_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("last");
        for (const char* list : kAmountLists)
            QTest::newRow(list) << list << 1001 << "10"
                                << "10000";
        for (const char* list : kMonthLists)
            QTest::newRow(list) << list << 601 << "1"
                                << "600";
    }
    void lists()
    {
        QFETCH(QString, list);
        QFETCH(int, count);
        QFETCH(QString, second);
        QFETCH(QString, last);
        auto* box = form4().findChild<QComboBox*>(list);
        QVERIFY(box);
        QVERIFY(!box->isEditable());
        QCOMPARE(box->count(), count);
        QCOMPARE(box->itemText(0), QString("0"));
        QCOMPARE(box->itemText(1), second);
        QCOMPARE(box->itemText(count - 1), last);
        // Nothing but the items can be chosen: typing picks an item or nothing.
        drive::click(form4(), "Command1");
        box->setFocus();
        QTest::keyClicks(box, "x");
        QCOMPARE(box->currentText(), QString("0"));
    }

    void monthGrid_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("captionLabel");
        QTest::addColumn<int>("quarter");
        const char* months[12] = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                  "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
        for (int m = 0; m < 12; ++m)
            QTest::newRow(kMonthLists[m])
                << kMonthLists[m] << months[m] << QString("Label%1").arg(17 + m) << m / 3;
    }
    // Each month is its caption followed by its list, quarters in columns, inside Frame3.
    void monthGrid()
    {
        QFETCH(QString, list);
        QFETCH(QString, caption);
        QFETCH(QString, captionLabel);
        QFETCH(int, quarter);
        QWidget* frame = drive::find(form4(), "Frame3");
        auto* label = frame->findChild<QLabel*>(captionLabel);
        auto* box = frame->findChild<QComboBox*>(list);
        QVERIFY(label && box);
        QCOMPARE(label->text(), caption);
        QVERIFY(label->geometry().right() < box->geometry().left());
        QCOMPARE(box->geometry().center().y() / 10, label->geometry().center().y() / 10);
        const QWidget* january = frame->findChild<QWidget*>("Combo11");
        QVERIFY(box->x() - january->x() >= quarter * frame->width() / 5);
    }

    // No caption of either page is cut off, and every control lies inside its page.
    void nothingClipped()
    {
        for (QWidget* w : form4().findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || !w->parentWidget())
                continue;
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(w->objectName()));
        }
        drive::click(form4(), "Command1");
        for (bool oneOff : {false, true}) {
            drive::click(form4(), oneOff ? "Option2" : "Option1");
            for (QLabel* label : form4().findChildren<QLabel*>()) {
                const QFontMetrics metrics(label->font());
                const QRect needed =
                    metrics.boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, label->text());
                QVERIFY2(needed.height() <= label->height() + kLeading && needed.width() <= label->width(),
                         qPrintable(label->objectName()));
            }
            for (QAbstractButton* button : form4().findChildren<QAbstractButton*>()) {
                if (button->objectName() == "Command3")
                    continue; // draws its caption on two lines
                const int indicator = qobject_cast<QRadioButton*>(button) ? 24 : 8;
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + indicator <=
                             button->width(),
                         qPrintable(button->objectName()));
            }
        }
    }

    void emptyEditor()
    {
        drive::click(form4(), "Command1");
        QVERIFY(!shown("Frame1"));
        QVERIFY(shown("Frame2"));
        QCOMPARE(header(), QString("Услуга № 1 из 1"));
        QCOMPARE(text(form4(), "Command4"), QString("закончить"));
        QVERIFY(shown("Command6"));
        QVERIFY(shown("Command7"));
        QVERIFY(shown("Command5"));
        expectShown(Entry{});
        QCOMPARE(unitCaptions(),
                 (QStringList{"рублей в месяц", "рублей в месяц", "рублей в месяц",
                              "Укажите количество детей, получающих услугу в соответствующем месяце"}));
        QCOMPARE(plan().serviceCountValue(), 1);
        QCOMPARE(plan().currentServiceValue(), 1);
    }

    void fortyRecords()
    {
        createRecords(39);
        QCOMPARE(header(), QString("Услуга № 39 из 39"));
        QVERIFY(shown("Command6"));
        drive::click(form4(), "Command6");
        QCOMPARE(header(), QString("Услуга № 40 из 40"));
        QVERIFY(!shown("Command6"));
        QVERIFY(shown("Command7"));
        QCOMPARE(text(form4(), "Command4"), QString("закончить"));
        drive::click(form4(), "Command5");
        QCOMPARE(header(), QString("Услуга № 39 из 40"));
        QVERIFY(!shown("Command6"));
        QVERIFY(!shown("Command7"));
        QCOMPARE(text(form4(), "Command4"), QString("далее"));
        drive::click(form4(), "Command4");
        QCOMPARE(header(), QString("Услуга № 40 из 40"));
        QVERIFY(!shown("Command6"));
        QCOMPARE(plan().service(40).label, TaggedValue("Услуга №40 - "));
    }

    // Every way of leaving a record stores it first.
    void editsSurviveMoving_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("далее, назад") << 1 << QStringList{"Form4/Command4", "Form4/Command5"};
        QTest::newRow("назад, далее") << 2 << QStringList{"Form4/Command5", "Form4/Command4"};
        QTest::newRow("создать, удалить") << 2 << QStringList{"Form4/Command6", "Form4/Command7"};
        QTest::newRow("назад to the instructions, reopen")
            << 1 << QStringList{"Form4/Command5", "Form4/Command1"};
        QTest::newRow("закончить, change services, reopen")
            << 2 << QStringList{"Form4/Command4", "Form5/Command2", "Form4/Command1", "Form4/Command4"};
        // Edited where "удалить" left the editor, on the record before.
        QTest::newRow("удалить, edit, вернуть удалённую, назад")
            << 1 << QStringList{"Form4/Command7", "edit", "Form4/Command8", "Form4/Command5"};
    }
    void editsSurviveMoving()
    {
        QFETCH(int, record);
        QFETCH(QStringList, steps);
        createRecords(2);
        const bool editOnTheWay = steps.contains("edit");
        if (record == 1 && !editOnTheWay)
            drive::click(form4(), "Command5");
        if (!editOnTheWay)
            enter(editedEntry());
        for (const QString& step : steps) {
            if (step == "edit") {
                enter(editedEntry());
                continue;
            }
            const QStringList parts = step.split('/');
            drive::click(parts[0] == "Form4" ? form4() : form5(), qPrintable(parts[1]));
        }
        QCOMPARE(plan().currentServiceValue(), record);
        expectShown(editedEntry());
        expectStored(record, editedEntry());
        QCOMPARE(unitCaptions().first(), QString("рублей за услугу"));
    }

    void kindCaptions_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("one-off") << "Option2" << 2
                                 << QStringList{"рублей за услугу", "рублей на услугу", "рублей на услугу",
                                                "Укажите количество услуг в соответствующем месяце"};
        QTest::newRow("recurring") << "Option1" << 1
                                   << QStringList{
                                          "рублей в месяц", "рублей в месяц", "рублей в месяц",
                                          "Укажите количество детей, получающих услугу в соответствующем "
                                          "месяце"};
    }
    // The captions change at once; the kind is stored only when the record is left,
    // and a record is shown again with the captions of its stored kind.
    void kindCaptions()
    {
        QFETCH(QString, option);
        QFETCH(int, kind);
        QFETCH(QStringList, captions);
        const QString other = option == "Option1" ? "Option2" : "Option1";
        createRecords(2);
        drive::click(form4(), qPrintable(other)); // both records stored with the other kind
        drive::click(form4(), "Command5");
        drive::click(form4(), qPrintable(other));
        drive::click(form4(), "Command4");
        drive::click(form4(), "Command5");
        const TaggedValue before = plan().service(1).kind;
        QCOMPARE(before, TaggedValue(FixedAmount::fromUnits((3 - kind) * FixedAmount::kScale)));

        drive::click(form4(), qPrintable(option));
        QCOMPARE(unitCaptions(), captions);
        QCOMPARE(plan().service(1).kind, before);

        drive::click(form4(), "Command4"); // record 2 shows its own (other) kind
        QVERIFY(unitCaptions() != captions);
        QCOMPARE(plan().service(1).kind, TaggedValue(FixedAmount::fromUnits(kind * FixedAmount::kScale)));
        drive::click(form4(), "Command5");
        QCOMPARE(unitCaptions(), captions);
        QVERIFY(drive::find<QRadioButton>(form4(), qPrintable(option))->isChecked());
    }

    void deleteLastOfFive()
    {
        createRecords(5);
        Entry fourth = oneOffExample();
        drive::click(form4(), "Command5");
        enter(fourth);
        drive::click(form4(), "Command4");
        enter(recurringExample());
        drive::click(form4(), "Command5"); // slot 5 is stored now
        drive::click(form4(), "Command4");
        QCOMPARE(header(), QString("Услуга № 5 из 5"));

        drive::click(form4(), "Command7");
        QCOMPARE(header(), QString("Услуга № 4 из 4"));
        QCOMPARE(text(form4(), "Command4"), QString("закончить"));
        QVERIFY(shown("Command6") && shown("Command7"));
        expectShown(fourth);
        expectStored(5, recurringExample()); // deleting never clears a slot

        drive::click(form4(), "Command6");
        QCOMPARE(header(), QString("Услуга № 5 из 5"));
        expectShown(Entry{});
        QCOMPARE(unitCaptions().first(), QString("рублей в месяц"));
        expectStored(5, recurringExample()); // written only when the editor leaves it
    }

    // The deleted record's data are in no total.
    void deletedRecordNotCounted()
    {
        createRecords(2);
        enter(recurringExample());
        drive::click(form4(), "Command5");
        drive::click(form4(), "Command4");
        drive::click(form4(), "Command7");
        drive::click(form4(), "Command4");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        QCOMPARE(text(form5(), "Label1"), QString("0"));
        QCOMPARE(text(form5(), "Label6"), QString("0"));
    }

    void deleteOnlyRecordFirstPass()
    {
        drive::click(form4(), "Command1");
        Entry saved = recurringExample();
        enter(saved);
        drive::click(form4(), "Command5"); // to the instructions, slot 1 stored
        QVERIFY(shown("Frame1") && !shown("Frame2"));
        QVERIFY(!shown("Command3"));
        QCOMPARE(plan().serviceCountValue(), 1);

        drive::click(form4(), "Command1");
        enter(editedEntry()); // not stored: the record is deleted
        drive::click(form4(), "Command7");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
        QVERIFY(shown("Frame1") && !shown("Frame2"));
        QVERIFY(shown("Command3"));
        QCOMPARE(plan().serviceCountValue(), 0);
        QCOMPARE(plan().currentServiceValue(), 0);

        drive::click(form4(), "Command1");
        QCOMPARE(header(), QString("Услуга № 1 из 1"));
        expectShown(saved);
    }

    // Command3 is offered exactly while no record exists, however the page is reached.
    void noServicesOffered_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("offered");
        QTest::newRow("from the assignment, none")
            << 0 << QStringList{"Form4/Command2", "Form2/Command1"} << true;
        QTest::newRow("from the assignment, one")
            << 1 << QStringList{"Form4/Command5", "Form4/Command2", "Form2/Command1"} << false;
        QTest::newRow("назад on record 1") << 2 << QStringList{"Form4/Command5", "Form4/Command5"} << false;
        QTest::newRow("from the summary after deleting all")
            << 1 << QStringList{"Form4/Command7", "Form4/Command3", "Form5/Command2"} << true;
    }
    void noServicesOffered()
    {
        QFETCH(int, records);
        QFETCH(QStringList, steps);
        QFETCH(bool, offered);
        if (records > 0)
            createRecords(records);
        for (const QString& step : steps) {
            const QStringList parts = step.split('/');
            QWidget& screen = parts[0] == "Form4"   ? form4()
                              : parts[0] == "Form5" ? form5()
                                                    : static_cast<QWidget&>(m_wizard->form2());
            drive::click(screen, qPrintable(parts[1]));
        }
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
        QVERIFY(shown("Frame1") && !shown("Frame2"));
        QCOMPARE(shown("Command3"), offered);
    }

    void withoutServices()
    {
        plan().paidRevenue.total = 5.0;
        plan().paidCostTotal = 7.0;
        drive::click(form4(), "Command3");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        QCOMPARE(text(form5(), "Label1"), QString("0"));
        QCOMPARE(text(form5(), "Label6"), QString("0"));
        // Nothing was computed: both totals are the whole number 0.
        QCOMPARE(plan().paidRevenue.total, TaggedValue(0));
        QCOMPARE(plan().paidCostTotal, TaggedValue(0));
        QCOMPARE(plan().serviceCountValue(), 0);
    }

    void backToAssignment()
    {
        drive::click(form4(), "Command2");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});
        QCOMPARE(plan().serviceCountValue(), 0);
    }

    void totals_data()
    {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QString>("revenue");
        QTest::addColumn<QString>("cost");
        QTest::newRow("one service") << QList<Entry>{recurringExample()} << "180000"
                                     << "90000";
        QTest::newRow("two services") << QList<Entry>{recurringExample(), oneOffExample()} << "182000"
                                      << "90400";
        Entry most;
        most.price = most.labour = most.other = "10000";
        most.qty = QStringList(12, "600");
        QTest::newRow("forty at the top of every list, no grouping") << QList<Entry>(40, most) << "2880000000"
                                                                     << "5760000000";
    }
    void totals()
    {
        QFETCH(QList<Entry>, entries);
        QFETCH(QString, revenue);
        QFETCH(QString, cost);
        drive::click(form4(), "Command1");
        for (int i = 0; i < entries.size(); ++i) {
            if (i > 0)
                drive::click(form4(), "Command6");
            enter(entries[i]);
        }
        drive::click(form4(), "Command4");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form5"});
        QCOMPARE(text(form5(), "Label1"), revenue);
        QCOMPARE(text(form5(), "Label6"), cost);
        QCOMPARE(plan().paidRevenue.total.numeric(), revenue.toDouble());
        QCOMPARE(plan().paidCostTotal.numeric(), cost.toDouble());
    }

    void revisitBackButton()
    {
        createRecords(2);
        reopenFromAdjustment();
        QCOMPARE(drive::visibleScreens(), (QStringList{"Form4", "Form9"}));
        QCOMPARE(header(), QString("Услуга № 1 из 2"));
        QVERIFY(!shown("Command5"));
        drive::click(form4(), "Command4");
        QVERIFY(shown("Command5"));
        drive::click(form4(), "Command5");
        QVERIFY(!shown("Command5"));
        QVERIFY(!shown("Frame1"));
    }

    // Finishing or deleting the only record goes back to the adjustment screen, never the summary.
    void revisitHandsBack_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("count");
        QTest::newRow("закончить") << 1 << "Command4" << 1;
        QTest::newRow("закончить after далее") << 2 << "Command4" << 2;
        QTest::newRow("delete the only record") << 1 << "Command7" << 0;
        QTest::newRow("no records yet, delete") << 0 << "Command7" << 0;
    }
    void revisitHandsBack()
    {
        QFETCH(int, records);
        QFETCH(QString, button);
        QFETCH(int, count);
        if (records > 0) {
            drive::click(form4(), "Command1");
            enter(recurringExample());
            if (records == 1)
                drive::click(form4(), "Command5"); // stores record 1
            while (plan().serviceCountValue() < records)
                drive::click(form4(), "Command6");
        }
        plan().paidCostTotal = 12.0;
        reopenFromAdjustment();
        QCOMPARE(header(), QString("Услуга № 1 из %1").arg(std::max(records, 1)));
        while (plan().currentServiceValue() < plan().serviceCountValue())
            drive::click(form4(), "Command4");
        QVERIFY(!m_wizard->form9().isEnabled());
        drive::click(form4(), qPrintable(button));
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QVERIFY(m_wizard->form9().isEnabled());
        QCOMPARE(plan().serviceCountValue(), count);
        // The editor's own totals belong to the first pass; the revenue is the
        // adjustment's to recompute.
        QCOMPARE(plan().paidCostTotal.numeric(), 12.0);

        // Reopening shows record 1 again.
        reopenFromAdjustment();
        QCOMPARE(header(), QString("Услуга № 1 из %1").arg(std::max(count, 1)));
        expectShown(records > 0 ? recurringExample() : Entry{});
    }
};

QTEST_MAIN(TestPaidServicesScreen)
#include "test_paid_services_screen.moc"
