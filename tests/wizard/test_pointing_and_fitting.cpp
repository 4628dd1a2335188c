// What the screens do beyond their layout so that a person sees what is wrong
// and where, and reaches everything on any desktop: refused boxes framed with a
// hint, lists that never keep a guess, change amounts whole between their
// brackets, windows within the desktop.

#include "screens/accessibility.h"
#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/controls.h"
#include "screens/expenses_screen.h"
#include "screens/other_revenues_screen.h"
#include "screens/paid_services_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/services_summary_screen.h"
#include "screens/welcome_screen.h"
#include "support/drive.h"
#include "wizard/wizard.h"
#include "workbook/plan_fixture.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

class TestPointingAndFitting : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;

    // The adjustment screen in front, entered from the preliminary plan of a
    // plan with three services.
    Form9& reachAdjustment() {
        m_wizard->plan() = fixture::makePlan(3);
        Form8& preliminary = m_wizard->form8();
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(preliminary);
        preliminary.enter();
        drive::click(preliminary, "Command1");
        return m_wizard->form9();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void init() { m_wizard = drive::startPastWelcome(); }
    void cleanup() { m_wizard.reset(); }

    void refusedBoxesAreFramedWithAHint_data();
    void refusedBoxesAreFramedWithAHint();
    void listsDoNotGuess_data();
    void listsDoNotGuess();
    void changesStandWholeInTheirBrackets_data();
    void changesStandWholeInTheirBrackets();
    void screensFitTheDesktop_data();
    void screensFitTheDesktop();
};

void TestPointingAndFitting::refusedBoxesAreFramedWithAHint_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("atFault");
    QTest::addColumn<QString>("hint");

    const QString notANumber = QStringLiteral("Введите число: цифры и запятая, например 12500000,50");
    const QStringList subsidy{"Text1"};
    QTest::newRow("decimal point") << "Form2" << subsidy << QStringList{"12500000.50"} << "Command1"
                                   << "Label6" << subsidy << notANumber;
    QTest::newRow("roubles written out") << "Form2" << subsidy << QStringList{"2 100 000 руб."} << "Command1"
                                         << "Label6" << subsidy << notANumber;
    QTest::newRow("too large") << "Form2" << subsidy << QStringList{"1e20"} << "Command1"
                               << "Label6" << subsidy << QStringLiteral("Число слишком велико");
    QTest::newRow("nothing typed") << "Form2" << subsidy << QStringList{""} << "Command1"
                                   << "Label6" << subsidy << QStringLiteral("Не введена сумма");
    // Pasted from a document: the typographic minus and no-break group spaces.
    QTest::newRow("pasted minus and group spaces")
        << "Form2" << subsidy << QStringList{QStringLiteral("\u22122\u00A0100\u00A0000")} << "Command1"
        << "Label6" << QStringList{} << QString();

    const QStringList investments{"Text11", "Text12", "Text13", "Text14"};
    QTest::newRow("no fourth quarter")
        << "Form6" << investments << QStringList{"100", "200", "300", ""} << "Command1"
        << "Label6" << QStringList{"Text14"} << QStringLiteral("Не введена сумма за IV квартал");
    QTest::newRow("second quarter no number")
        << "Form6" << investments << QStringList{"100", "2.5", "300", "4"} << "Command1"
        << "Label6" << QStringList{"Text12"} << notANumber;
    const QStringList wages{"Text11", "Text12", "Text13", "Text14"};
    QTest::newRow("wages, third quarter too large")
        << "Form7" << wages << QStringList{"1", "2", "1e300", "4"} << "Command11"
        << "Label16" << QStringList{"Text13"} << QStringLiteral("Число слишком велико");
}

// A refused entry keeps its error label as it is; the boxes at fault are framed
// in red until they change, and one line under the label says why, also to
// screen readers.
void TestPointingAndFitting::refusedBoxesAreFramedWithAHint() {
    QFETCH(QString, screen);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, texts);
    QFETCH(QString, press);
    QFETCH(QString, error);
    QFETCH(QStringList, atFault);
    QFETCH(QString, hint);

    QWidget* shown = nullptr;
    if (screen == u"Form2") {
        shown = &m_wizard->form2();
    } else {
        shown = screen == u"Form6" ? static_cast<QWidget*>(&m_wizard->form6()) : &m_wizard->form7();
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(*shown);
    }
    auto* label = drive::find<QLabel>(*shown, error.toLatin1().constData());
    const QString specified = label->text();
    for (qsizetype i = 0; i < boxes.size(); ++i)
        drive::type(*shown, boxes[i].toLatin1().constData(), texts[i]);
    drive::click(*shown, press.toLatin1().constData());

    QCOMPARE(label->isVisible(), !atFault.isEmpty());
    QCOMPARE(label->text(), specified);
    for (const QString& name : boxes) {
        auto* box = drive::find<QLineEdit>(*shown, name.toLatin1().constData());
        QVERIFY2(FaultFrame::isMarked(box) == atFault.contains(name), qPrintable(name));
    }
    auto* line = shown->findChild<QLabel*>(error + QStringLiteral("Hint"));
    if (hint.isEmpty()) {
        QVERIFY(!line || !line->isVisible());
        return;
    }
    QVERIFY(line && line->isVisible());
    QCOMPARE(line->text(), hint);
    QCOMPARE(label->accessibleDescription(), hint);
    // One line, under the error label, within the page.
    QCOMPARE(line->height(), line->sizeHint().height());
    QVERIFY(line->geometry().top() > label->geometry().top());
    QVERIFY2(line->parentWidget()->rect().contains(line->geometry()), qPrintable(hint));

    // A box at fault loses its frame as soon as it is changed; the others keep theirs.
    auto* first = drive::find<QLineEdit>(*shown, atFault.first().toLatin1().constData());
    QTest::keyClick(first, Qt::Key_5);
    QVERIFY(!FaultFrame::isMarked(first));
    QVERIFY(label->isVisible());
}

void TestPointingAndFitting::listsDoNotGuess_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a tenfold price is no guess") << "100"
                                                 << "2505"
                                                 << "100" << true;
    QTest::newRow("letters") << "100"
                             << "x"
                             << "100" << true;
    QTest::newRow("an item typed in full") << "100"
                                           << "2500"
                                           << "2500" << false;
    QTest::newRow("the start of items") << "100"
                                        << "25"
                                        << "250" << false;
}

// Typing that fits no item goes back to the choice before it, flagged red for a
// moment and told to screen readers; it never stays on a shorter item.
void TestPointingAndFitting::listsDoNotGuess() {
    QFETCH(QString, chosen);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, refused);

    Form4& editor = m_wizard->form4();
    editor.openServiceEditor();
    m_wizard->hideScreen(m_wizard->form2());
    m_wizard->showScreen(editor);
    auto* price = drive::find<QComboBox>(editor, "Combo1");
    drive::choose(editor, "Combo1", chosen);
    price->setFocus();
    QSignalSpy announced(&screenReader::Announcements::instance(), &screenReader::Announcements::made);
    QSignalSpy picked(price, &QComboBox::activated);

    QTest::keyClicks(price, typed);
    QCOMPARE(price->currentText(), shown);
    QCOMPARE(price->property("refused").toBool(), refused);
    QStringList told;
    for (const QList<QVariant>& made : announced)
        told << made.at(1).toString();
    QCOMPARE(told.contains(QStringLiteral("нет такого значения")), refused);
    if (refused) {
        // Whatever the typing passed through, the choice it ends on is taken as chosen.
        QVERIFY(!picked.isEmpty() || typed.size() == 1);
        if (!picked.isEmpty())
            QCOMPARE(price->itemText(picked.last().at(0).toInt()), chosen);
        // The red goes after a moment; the choice stays.
        QTRY_VERIFY_WITH_TIMEOUT(!price->property("refused").toBool(), 5000);
        QCOMPARE(price->currentText(), chosen);
    }
}

void TestPointingAndFitting::changesStandWholeInTheirBrackets_data() {
    QTest::addColumn<double>("points"); // the desktop's text size
    QTest::addColumn<QString>("correction");
    for (const double points : {9.75, 12.0, 15.0})
        for (const char* item : {"-99,5", "37,5"})
            QTest::addRow("%.2f pt, %s", points, item) << points << QString::fromLatin1(item);
}

// Each change amount shows in full between its brackets, in its text form,
// whatever its length and the text size.
void TestPointingAndFitting::changesStandWholeInTheirBrackets() {
    QFETCH(double, points);
    QFETCH(QString, correction);
    Form9& adjustment = reachAdjustment();
    QFont bigger = adjustment.font();
    bigger.setPointSizeF(points);
    adjustment.setFont(bigger);
    for (int k = 1; k <= 11; ++k)
        drive::choose(adjustment, QStringLiteral("Combo%1").arg(k).toLatin1().constData(), correction);

    const QStringList values{"Label101", "Label102", "Label103", "Label104", "Label105", "Label106",
                             "Label107", "Label108", "Label109", "Label110", "Label111", "Label112"};
    const QStringList brackets{"Label6",  "Label9",  "Label12", "Label15", "Label19", "Label23",
                               "Label27", "Label31", "Label35", "Label39", "Label43", "Label47"};
    bool someLong = false;
    for (qsizetype i = 0; i < values.size(); ++i) {
        auto* value = drive::find<QLabel>(adjustment, values[i].toLatin1().constData());
        auto* bracket = drive::find<QLabel>(adjustment, brackets[i].toLatin1().constData());
        const QString text = value->text();
        QVERIFY(!text.isEmpty());
        someLong = someLong || text.size() > 10;
        const int needed = value->fontMetrics().horizontalAdvance(text);
        const QRect inside = value->geometry();
        const QString where = values[i] + QLatin1Char(' ') + text;
        // The whole amount fits its label, the label lies between the brackets,
        // and both within the window.
        QVERIFY2(needed <= inside.width(), qPrintable(where));
        const int open = bracket->fontMetrics().horizontalAdvance(QLatin1Char('('));
        QVERIFY2(bracket->geometry().left() + open <= inside.left(), qPrintable(where));
        QVERIFY2(bracket->geometry().right() >= inside.right(), qPrintable(where));
        QVERIFY2(adjustment.rect().contains(bracket->geometry()), qPrintable(where));
        QCOMPARE(bracket->text(),
                 QStringLiteral("(") + QString(30, u' ') + QStringLiteral(")") + QString(8, u' '));
    }
    QVERIFY(someLong);
}

void TestPointingAndFitting::screensFitTheDesktop_data() {
    QTest::addColumn<QSize>("desktop");
    QTest::addColumn<double>("scale");
    for (const QSize desktop : {QSize(1366, 768), QSize(1920, 1080)})
        for (const double scale : {1.0, 1.25, 1.5, 2.0})
            QTest::addRow("%dx%d at %.2f", desktop.width(), desktop.height(), scale) << desktop << scale;
}

// No screen is larger than the desktop that is left by the panel: where its
// laid-out size does not fit, it scrolls, and every control, figure and notice
// can be brought into view.
void TestPointingAndFitting::screensFitTheDesktop() {
    QFETCH(QSize, desktop);
    QFETCH(double, scale);
    // The desktop in the window's own pixels, less a panel of 30 pixels.
    const QRect area(0, 0, int(desktop.width() / scale), int((desktop.height() - 30) / scale));
    const QMargins frame(2, 28, 2, 2);
    reachAdjustment();
    const QList<QWidget*> screens{static_cast<QWidget*>(&m_wizard->form1()),
                                  &m_wizard->form2(),
                                  &m_wizard->form4(),
                                  &m_wizard->form5(),
                                  &m_wizard->form6(),
                                  &m_wizard->form7(),
                                  &m_wizard->form8(),
                                  &m_wizard->form9()};
    for (QWidget* shown : screens) {
        auto* screen = qobject_cast<Screen*>(shown);
        QVERIFY(screen);
        const QSize laidOut = screen->size();
        screen->fitInto(area, frame);
        const QSize room = area.size().shrunkBy(frame);
        const QString name = screen->objectName();
        QVERIFY2(screen->width() <= room.width() && screen->height() <= room.height(), qPrintable(name));
        const bool fits = laidOut.width() <= room.width() && laidOut.height() <= room.height();
        QCOMPARE(screen->scrolls(), !fits);
        if (fits) {
            QCOMPARE(screen->size(), laidOut);
            continue;
        }
        auto* scroll = screen->findChild<QScrollArea*>();
        QVERIFY(scroll);
        // Every control can be scrolled into view.
        for (QWidget* control : scroll->widget()->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(scroll->widget()) || control->width() == 0)
                continue;
            scroll->ensureWidgetVisible(control, 0, 0);
            const QRect seen(control->mapTo(scroll->viewport(), QPoint(0, 0)), control->size());
            QVERIFY2(scroll->viewport()->rect().intersects(seen),
                     qPrintable(name + u' ' + control->objectName()));
        }
    }
}

QTEST_MAIN(TestPointingAndFitting)
#include "test_pointing_and_fitting.moc"
