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

#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

class TestWizard : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    int m_ends = 0;

    void begin()
    {
        drive::type(m_wizard->form1(), "Text4", "Детский сад");
        drive::choose(m_wizard->form1(), "Combo1", "Сельский");
        drive::click(m_wizard->form1(), "Command1");
    }

    QList<QWidget*> screens()
    {
        return {&m_wizard->form1(), &m_wizard->form2(), &m_wizard->form4(), &m_wizard->form5(),
                &m_wizard->form6(), &m_wizard->form7(), &m_wizard->form8(), &m_wizard->form9()};
    }

private slots:
    void initTestCase() { numbers::applyRegionalConventions(); }
    void init()
    {
        m_ends = 0;
        m_wizard = Wizard::launch();
        m_wizard->setEndHandler([this] { ++m_ends; });
    }
    void cleanup() { m_wizard.reset(); }

    void screensAreCreatedOnceWithTheirCaptions()
    {
        begin();
        const QStringList names{"Form1", "Form2", "Form4", "Form5", "Form6", "Form7", "Form8", "Form9"};
        const QStringList captions{"Приветствие",
                                   "Задание учредителя",
                                   "Платные услуги",
                                   "Платные услуги",
                                   "Прочие поступления",
                                   "Расходы образовательного учреждения",
                                   "Предварительный ПФХД",
                                   "Корректировка  плана финансово-хозяйственной деятельности"};
        const auto all = screens();
        for (int i = 0; i < all.size(); ++i) {
            QCOMPARE(all[i]->objectName(), names[i]);
            QVERIFY(all[i]->isWindow());
            if (i > 0)
                QCOMPARE(all[i]->windowTitle(), captions[i]);
        }
        QCOMPARE(drive::visibleScreens(), QStringList{"Form2"});
        // Every screen exists once: asking again gives the same window.
        QWidget* services = &m_wizard->form4();
        m_wizard->createScreens();
        QCOMPARE(&m_wizard->form4(), services);
        int forms = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            forms += w->objectName() == "Form4";
        QCOMPARE(forms, 1);
    }

    void closingAnyWindowEndsTheProgram_data()
    {
        QTest::addColumn<int>("screen");
        for (int i = 0; i < 8; ++i)
            QTest::newRow(qPrintable(QString("screen %1").arg(i))) << i;
    }
    void closingAnyWindowEndsTheProgram()
    {
        QFETCH(int, screen);
        begin();
        QWidget* target = screens()[screen];
        // Hidden screens can be closed too, e.g. Form4 shown over a disabled Form9.
        m_wizard->showScreen(*target);
        target->close();
        QCOMPARE(m_ends, 1);
        QVERIFY(drive::visibleScreens().isEmpty());
    }

    void closingTheWelcomeScreenEndsTheEventLoop()
    {
        auto wizard = Wizard::launch(); // the real end: the application's loop quits
        QTimer::singleShot(0, &wizard->form1(), [&] { wizard->form1().close(); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        bool timedOut = false;
        connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!timedOut);
    }

    // The first screen stands in the middle of the desktop; every later one takes
    // the place of the one it replaces, and the record editor opened from the
    // adjustment stands centred over it. None starts beyond the desktop.
    void screensKeepTheirPlace()
    {
        const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
        // Within a window frame's width: the first window's frame is not known before it is shown.
        const auto near = [](QPoint a, QPoint b) { return (a - b).manhattanLength() <= 6; };
        QWidget& welcome = m_wizard->form1();
        QVERIFY(near(welcome.frameGeometry().center(), desktop.center()));

        // Where the user moved the window, the next screen appears.
        welcome.move(desktop.topLeft() + QPoint(37, 41));
        begin();
        QCOMPARE(m_wizard->form2().pos(), desktop.topLeft() + QPoint(37, 41));

        // Moved into the lower right corner, the larger next screen stays whole.
        m_wizard->form2().move(desktop.bottomRight() - QPoint(150, 120));
        drive::type(m_wizard->form2(), "Text1", "0");
        drive::click(m_wizard->form2(), "Command1");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form4"});
        QVERIFY(desktop.contains(m_wizard->form4().frameGeometry()));
        drive::click(m_wizard->form4(), "Command2");
        QCOMPARE(m_wizard->form2().pos(), m_wizard->form4().pos());

        // The editor over the adjustment, and back.
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(m_wizard->form8());
        drive::click(m_wizard->form8(), "Command1");
        QWidget& adjustment = m_wizard->form9();
        QVERIFY(desktop.contains(adjustment.frameGeometry()));
        adjustment.move(desktop.topLeft() + QPoint(20, 10));
        drive::click(adjustment, "Command1");
        QVERIFY(near(m_wizard->form4().frameGeometry().center(), adjustment.frameGeometry().center()));
        drive::click(m_wizard->form4(), "Command4");
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        QCOMPARE(adjustment.pos(), desktop.topLeft() + QPoint(20, 10));
    }

    // The toolkit's own texts, such as a text box's context menu, speak the
    // desktop's language.
    void toolkitTextsInTheDesktopLanguage()
    {
        if (numbers::regionalLocale().language() != QLocale::Russian)
            QSKIP("the desktop's language is not Russian");
        auto* box = drive::find<QLineEdit>(m_wizard->form1(), "Text1");
        const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        QVERIFY(texts.size() >= 6);
        static const QRegularExpression cyrillic("[А-Яа-яЁё]");
        for (const QString& text : texts)
            QVERIFY2(text.contains(cyrillic), qPrintable(texts.join(", ")));
    }

    void disabledAdjustmentScreenUnderTheEditor()
    {
        begin();
        m_wizard->showScreen(m_wizard->form9());
        m_wizard->setScreenEnabled(m_wizard->form9(), false);
        m_wizard->showScreen(m_wizard->form4());
        QVERIFY(!m_wizard->form9().isEnabled());
        m_wizard->form4().close();
        QCOMPARE(m_ends, 1);
    }

    // Планиум's icon is on every window, from the first one painted on.
    void windowsBearTheIcon() {
#ifdef Q_OS_WIN
        QSKIP("on Windows every window takes the executable's own icon, which Qt does not report; "
              "tests/windows/run.sh looks for it in the installed program");
#endif
        m_wizard.reset();
        QGuiApplication::setWindowIcon(QIcon());
        m_wizard = Wizard::launch();
        QVERIFY(QTest::qWaitForWindowExposed(&m_wizard->form1()));
        QTRY_VERIFY(!m_wizard->form1().windowIcon().isNull());
        begin();
        QVERIFY(!m_wizard->form2().windowIcon().isNull());
    }

    // Each running instance keeps a draft of its own; a slot is free again once
    // its instance has ended.
    void instancesKeepTheirDraftsApart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        auto first = Wizard::launch(folder.path());
        const auto second = Wizard::launch(folder.path());
        QCOMPARE(QFileInfo(first->draftPath()).fileName(), QStringLiteral("draft.json"));
        QCOMPARE(QFileInfo(second->draftPath()).fileName(), QStringLiteral("draft-2.json"));
        first.reset();
        const auto third = Wizard::launch(folder.path());
        QCOMPARE(QFileInfo(third->draftPath()).fileName(), QStringLiteral("draft.json"));
    }
};

QTEST_MAIN(TestWizard)
#include "test_wizard.moc"
