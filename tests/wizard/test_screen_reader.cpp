// What each screen tells a screen reader, read through Qt's accessibility
// interfaces: a window with named groups in it and no window inside, inputs whose
// names stay when their values change, lists that report their value, figures
// read with their caption, no punctuation, and refused input or news announced
// every time. (The same through the real desktop stack: tests/atspi.)

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
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QUrl>

#include <algorithm>

namespace {

enum class Stage {
    Welcome,
    Assignment,
    Instructions,
    Editor,
    Summary,
    Investments,
    ParentFee,
    Expenses,
    Preliminary,
    Adjustment
};

bool isPunctuation(const QLabel* label) {
    const QString text = label->text();
    return !text.isEmpty() &&
           std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QWidget* control(QWidget& screen, const QString& name) {
    return drive::find(screen, name.toLatin1().constData());
}

// The interfaces under `root`, without the items of the lists.
void walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& found) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (!child)
            continue;
        found << child;
        if (child->role() != QAccessible::ComboBox)
            walk(child, found);
    }
}

QString name(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}
QString description(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Description);
}

} // namespace

Q_DECLARE_METATYPE(Stage)

class TestScreenReader : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QStringList m_opened;

    QWidget& reach(Stage stage) {
        Wizard& w = *m_wizard;
        if (stage == Stage::Welcome)
            return w.form1();
        drive::type(w.form1(), "Text4", "Сад");
        drive::choose(w.form1(), "Combo1", "Сельский");
        drive::click(w.form1(), "Command1");
        QWidget* target = nullptr;
        switch (stage) {
        case Stage::Welcome:
        case Stage::Assignment:
            return w.form2();
        case Stage::Instructions:
        case Stage::Editor:
            drive::type(w.form2(), "Text1", "0");
            drive::click(w.form2(), "Command1");
            if (stage == Stage::Editor)
                drive::click(w.form4(), "Command1");
            return w.form4();
        case Stage::Summary:
            target = &w.form5();
            break;
        case Stage::Investments:
        case Stage::ParentFee:
            target = &w.form6();
            break;
        case Stage::Expenses:
            target = &w.form7();
            break;
        case Stage::Preliminary:
        case Stage::Adjustment:
            target = &w.form8();
            break;
        }
        w.hideScreen(w.form2());
        w.showScreen(*target);
        if (stage == Stage::ParentFee) {
            for (const char* box : {"Text11", "Text12", "Text13", "Text14"})
                drive::type(w.form6(), box, "1");
            drive::click(w.form6(), "Command1");
        } else if (stage == Stage::Adjustment) {
            drive::click(w.form8(), "Command1");
            return w.form9();
        }
        return *target;
    }

public slots:
    void openFile(const QUrl& url) { m_opened << url.toLocalFile(); }

private slots:
    void initTestCase() {
        numbers::applyRegionalConventions();
        QDesktopServices::setUrlHandler("file", this, "openFile");
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler("file");
        for (const QString& path : m_opened)
            QFile::remove(path);
    }
    void init() {
        m_wizard = Wizard::launch();
        m_wizard->setEndHandler([] {});
    }
    void cleanup() { m_wizard.reset(); }

    void eachScreenAsAScreenReaderHearsIt_data() {
        QTest::addColumn<Stage>("stage");
        QTest::addColumn<QStringList>("inputs");  // the names of the inputs in view, in order
        QTest::addColumn<QString>("refuse");      // the button whose check fails on the inputs at fault:
        QTest::addColumn<QStringList>("atFault"); // empty, but a first box holding letters
        QTest::addColumn<QString>("error");

        const QStringList quarters{"I квартал", "II квартал", "III квартал", "IV квартал"};
        const QStringList quarterBoxes{"Text11", "Text12", "Text13", "Text14"};
        QTest::newRow("welcome") << Stage::Welcome
                                 << QStringList{"Фамилия", "Имя (инициал)", "Отчество (инициал)",
                                                "Наименование образовательного учреждения", "Тип НП"}
                                 << "Command1" << QStringList{"Combo1", "Text4"} << "Label7";
        QTest::newRow("assignment") << Stage::Assignment << QStringList{"Объём субсидии, рублей"}
                                    << "Command1" << QStringList{"Text1"} << "Label6";
        QTest::newRow("instructions")
            << Stage::Instructions << QStringList{} << QString() << QStringList{} << QString();
        QTest::newRow("record editor") << Stage::Editor
                                       << QStringList{"Наименование услуги",
                                                      "Стоимость услуги (без НДС)",
                                                      "Потребности в оплате труда",
                                                      "Потребности в прочих расходах",
                                                      "Январь",
                                                      "Февраль",
                                                      "Март",
                                                      "Апрель",
                                                      "Май",
                                                      "Июнь",
                                                      "Июль",
                                                      "Август",
                                                      "Сентябрь",
                                                      "Октябрь",
                                                      "Ноябрь",
                                                      "Декабрь"}
                                       << QString() << QStringList{} << QString();
        QTest::newRow("summary") << Stage::Summary << QStringList{} << QString() << QStringList{}
                                 << QString();
        QTest::newRow("investments") << Stage::Investments << quarters << "Command1" << quarterBoxes
                                     << "Label6";
        QTest::newRow("parental fee") << Stage::ParentFee << quarters << "Command3"
                                      << QStringList{"Text21", "Text22", "Text23", "Text24"} << "Label60";
        QTest::newRow("expenses") << Stage::Expenses << quarters << "Command11" << quarterBoxes << "Label16";
        QTest::newRow("preliminary") << Stage::Preliminary << QStringList{} << QString() << QStringList{}
                                     << QString();
        QTest::newRow("adjustment")
            << Stage::Adjustment
            << QStringList{"оплата труда (заработная плата и прочие выплаты)",
                           "расходы на оплату услуг связи",
                           "расходы на оплату транспортных услуг",
                           "расходы на оплату коммунальных услуг",
                           "арендная плата за пользование имуществом",
                           "плата за работы, услуги по содержанию имущества",
                           "расходы на прочие работы и услуги",
                           "прочие расходы",
                           "расходы на увеличение стоимости основных средств",
                           "расходы на увеличение материальных запасов (без продуктов питания)",
                           "расходы на приобретение продуктов питания"}
            << QString() << QStringList{} << QString();
    }

    void eachScreenAsAScreenReaderHearsIt() {
        QFETCH(Stage, stage);
        QFETCH(QStringList, inputs);
        QFETCH(QString, refuse);
        QFETCH(QStringList, atFault);
        QFETCH(QString, error);
        QWidget& screen = reach(stage);
        QVERIFY(screen.isVisible());
        QSignalSpy announced(&screenReader::Announcements::instance(), &screenReader::Announcements::made);

        // One window; its pages and boxes are parts of it, and punctuation is left out.
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&screen);
        QCOMPARE(window->role(), QAccessible::Window);
        QList<QAccessibleInterface*> told;
        walk(window, told);
        QStringList inView, strays;
        for (QAccessibleInterface* a : told) {
            auto* w = qobject_cast<QWidget*>(a->object());
            if (a->role() == QAccessible::Window || a->role() == QAccessible::Border ||
                a->role() == QAccessible::Dialog)
                strays << "window " + a->text(QAccessible::Name);
            if (auto* label = qobject_cast<QLabel*>(w); label && isPunctuation(label))
                strays << "punctuation " + label->objectName();
            if ((a->role() == QAccessible::EditableText || a->role() == QAccessible::ComboBox) && w &&
                w->isVisible())
                inView << a->text(QAccessible::Name);
        }
        QVERIFY2(strays.isEmpty(), qPrintable(strays.join(", ")));
        QCOMPARE(inView, inputs);

        // A name stays when the value changes; a list's value is its chosen item.
        for (QAccessibleInterface* a : told) {
            auto* w = qobject_cast<QWidget*>(a->object());
            if (!w || !w->isVisible())
                continue;
            const QString before = a->text(QAccessible::Name);
            if (auto* box = qobject_cast<QLineEdit*>(w)) {
                box->setText("12345");
            } else if (auto* list = qobject_cast<QComboBox*>(w)) {
                list->setCurrentIndex(list->count() - 1);
                QCOMPARE(a->text(QAccessible::Value), list->currentText());
                QCOMPARE(a->textInterface()->text(0, a->textInterface()->characterCount()),
                         list->currentText());
            } else if (auto* figure = qobject_cast<Figure*>(w)) {
                // "caption, amount, рублей", reached with Tab.
                QVERIFY(figure->focusPolicy() & Qt::TabFocus);
                QVERIFY2(a->text(QAccessible::Name).endsWith(", " + figure->text() + ", рублей") &&
                             !a->text(QAccessible::Name).startsWith(figure->text()),
                         qPrintable(a->text(QAccessible::Name)));
                continue;
            } else {
                continue;
            }
            QCOMPARE(a->text(QAccessible::Name), before);
        }

        // A refused input is announced every time and the inputs at fault say why,
        // until the check passes.
        if (!refuse.isEmpty()) {
            auto* errorLabel = qobject_cast<QLabel*>(control(screen, error));
            for (const QString& input : atFault) {
                if (auto* box = qobject_cast<QLineEdit*>(control(screen, input)))
                    box->clear();
                else if (auto* list = qobject_cast<QComboBox*>(control(screen, input)))
                    list->setCurrentIndex(-1);
            }
            if (auto* first = qobject_cast<QLineEdit*>(control(screen, atFault.first())))
                first->setText("abc");
            for (int attempt = 1; attempt <= 2; ++attempt) {
                drive::click(screen, refuse.toLatin1().constData());
                QCOMPARE(announced.count(), attempt);
                QCOMPARE(announced.last().at(0).value<QWidget*>(), errorLabel);
                QCOMPARE(announced.last().at(1).toString(), errorLabel->text());
            }
            for (const QString& input : atFault)
                QCOMPARE(description(control(screen, input)), errorLabel->text());
            for (const QString& input : atFault) {
                if (auto* box = qobject_cast<QLineEdit*>(control(screen, input)))
                    box->setText("1");
                else if (auto* list = qobject_cast<QComboBox*>(control(screen, input)))
                    list->setCurrentIndex(0);
            }
            drive::click(screen, refuse.toLatin1().constData());
            for (const QString& input : atFault)
                QCOMPARE(description(control(screen, input)), QString());
        }
    }

    // News a screen shows without a label of its own is announced as it comes: a
    // written plan's notice, what a correction changes.
    void newsIsAnnounced() {
        QWidget& preliminary = reach(Stage::Preliminary);
        QSignalSpy announced(&screenReader::Announcements::instance(), &screenReader::Announcements::made);
        drive::click(preliminary, "Command2");
        auto* notice = drive::find<QLabel>(preliminary, "Notice");
        QCOMPARE(announced.count(), 1);
        QVERIFY(name(notice).contains(QFileInfo(m_opened.value(0)).fileName()));
        QVERIFY(!name(notice).contains('<'));

        Form9& adjustment = m_wizard->form9();
        drive::click(preliminary, "Command1");
        drive::choose(adjustment, "Combo8", "-50");
        // A correction is announced as its list tells it: the percentage, what it
        // changes and the balance.
        QCOMPARE(announced.count(), 2);
        QCOMPARE(announced.last().at(1).toString(), "-50 процентов. " +
                                                        name(drive::find(adjustment, "Label109")) + ". " +
                                                        name(drive::find(adjustment, "Label100")));
        QCOMPARE(description(drive::find(adjustment, "Combo8")), announced.last().at(1).toString());
        QVERIFY(name(drive::find(adjustment, "Label100"))
                    .startsWith(spokenCaption(drive::find<QLabel>(adjustment, "Label1")->text()) + ", "));
    }
};

QTEST_MAIN(TestScreenReader)
#include "test_screen_reader.moc"
