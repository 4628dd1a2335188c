// "Сформировать ПФХД" on the preliminary plan and on the adjustment screen:
// the workbook is written and handed to the desktop, the screen stays as it was,
// and what went wrong is told on the screen without a blocking box.

#include "screens/adjustment_screen.h"
#include "screens/assignment_screen.h"
#include "screens/desktop_opener.h"
#include "screens/expenses_screen.h"
#include "screens/preliminary_screen.h"
#include "screens/welcome_screen.h"
#include "state/number_rules.h"
#include "support/drive.h"
#include "wizard/wizard.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QUrl>

class TestPlanGenerationScreens : public QObject {
    Q_OBJECT

    std::unique_ptr<Wizard> m_wizard;
    QStringList m_opened;
    PlanState& plan() { return m_wizard->plan(); }

    QString label(QWidget& screen, const char* name) { return drive::find<QLabel>(screen, name)->text(); }
    QLabel* notice(QWidget& screen) { return screen.findChild<QLabel*>("Notice"); }

    void showPreliminary()
    {
        m_wizard->hideScreen(m_wizard->form2());
        m_wizard->showScreen(m_wizard->form8());
        m_wizard->form8().enter();
    }

    // Screens that show the same labels and window before and after a press.
    struct Snapshot {
        QStringList visible;
        QStringList labels;
    };
    Snapshot snapshot(QWidget& screen)
    {
        Snapshot s{drive::visibleScreens(), {}};
        for (QLabel* l : screen.findChildren<QLabel*>())
            if (l->objectName() != "Notice" && l->objectName() != "Announcer") // news, heard not seen
                s.labels << l->objectName() + "=" + l->text() + (l->isVisible() ? "" : " (hidden)");
        return s;
    }

public slots:
    void openFile(const QUrl& url) { m_opened << url.toLocalFile(); }

private slots:
    void initTestCase()
    {
        numbers::applyRegionalConventions();
        QDesktopServices::setUrlHandler("file", this, "openFile");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }
    void init()
    {
        m_opened.clear();
        m_wizard = drive::startPastWelcome();
        plan().founderSubsidy = FixedAmount::fromUnits(1000000LL * FixedAmount::kScale);
        plan().wages.total = 400000.0;
        for (TaggedValue& q : plan().wages.q)
            q = 100000.0;
    }
    void cleanup()
    {
        m_wizard.reset();
        for (const QString& path : m_opened)
            QFile::remove(path);
    }

    void bothPlansOpenAndLeaveTheScreens_data()
    {
        QTest::addColumn<bool>("corrected");
        QTest::newRow("preliminary") << false;
        QTest::newRow("corrected") << true;
    }
    void bothPlansOpenAndLeaveTheScreens()
    {
        QFETCH(bool, corrected);
        showPreliminary();
        if (corrected)
            drive::click(m_wizard->form8(), "Command1");
        QWidget& screen = corrected ? static_cast<QWidget&>(m_wizard->form9()) : m_wizard->form8();
        const Snapshot before = snapshot(screen);
        const QSize size = screen.size();

        drive::click(screen, "Command2");
        drive::click(screen, "Command2");

        QCOMPARE(m_opened.size(), 2);
        QVERIFY(m_opened[0] != m_opened[1]); // every press makes a new file
        for (const QString& path : m_opened) {
            QVERIFY(QFile::exists(path));
            QVERIFY(path.endsWith(".xlsx"));
#ifdef Q_OS_UNIX
            QCOMPARE(QFile::permissions(path) & QFile::WriteOther, QFile::Permissions());
#endif
        }
        QCOMPARE(snapshot(screen).visible, before.visible);
        QCOMPARE(snapshot(screen).labels, before.labels);
        // The screen says where the plan was kept, with a link that opens the folder,
        // and grows to hold the line.
        QLabel* told = notice(screen);
        QVERIFY(told && told->isVisible());
        QVERIFY(told->text().contains("ПФХД сохранён: " + QDir::toNativeSeparators(m_opened[1])));
        QVERIFY(told->text().contains(QUrl::fromLocalFile(QFileInfo(m_opened[1]).absolutePath()).toString(
            QUrl::FullyEncoded)));
        QVERIFY(told->geometry().bottom() < screen.height());
        QCOMPARE(screen.width(), size.width());
        QVERIFY(screen.height() > size.height());
        // The subsidy is split over the quarters by each quarter's need.
        double shares = 0;
        for (const TaggedValue& q : plan().subsidyQ)
            shares += q.numeric();
        QCOMPARE(shares, 1000000.0);
    }

    // Amounts beyond what the program can hold: the adjustment cannot be
    // calculated, so no corrected plan is written, and the screen says why.
    void outOfRangePlanIsNotWritten_data()
    {
        QTest::addColumn<bool>("chooseFirst");
        QTest::newRow("before any list is chosen") << false;
        QTest::newRow("after a failed calculation") << true;
    }
    void outOfRangePlanIsNotWritten()
    {
        QFETCH(bool, chooseFirst);
        plan().food.total = "999999999999999";
        showPreliminary();
        drive::click(m_wizard->form8(), "Command1");
        QWidget& form9 = m_wizard->form9();
        if (chooseFirst) {
            drive::choose(form9, "Combo8", "-5");
            QVERIFY(label(form9, "Label100").contains("диапазона"));
        }
        drive::click(form9, "Command2");
        QVERIFY(m_opened.isEmpty());
        QVERIFY(notice(form9) && notice(form9)->isVisible());
        QVERIFY(notice(form9)->text().contains("ПФХД не сформирован"));
        QCOMPARE(drive::visibleScreens(), QStringList{"Form9"});
        // Back within range, the plan is written again and the notice goes.
        drive::choose(form9, "Combo8", "-100");
        drive::click(form9, "Command2");
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(notice(form9)->text().startsWith("ПФХД сохранён"));
    }

    // The saved-file notice tells of the plan as it was generated: once a figure
    // of the screen changes, it goes.
    void noticeGoesWhenFiguresChange_data() {
        QTest::addColumn<bool>("corrected");
        QTest::newRow("preliminary, edited after назад") << false;
        QTest::newRow("corrected, a correction chosen") << true;
    }
    void noticeGoesWhenFiguresChange() {
        QFETCH(bool, corrected);
        showPreliminary();
        if (corrected)
            drive::click(m_wizard->form8(), "Command1");
        QWidget& screen = corrected ? static_cast<QWidget&>(m_wizard->form9()) : m_wizard->form8();
        drive::click(screen, "Command2");
        QVERIFY(notice(screen) && notice(screen)->isVisible());
        // Figures shown again as they were: the notice stays true and stays.
        if (corrected)
            drive::choose(screen, "Combo1", "0");
        else
            m_wizard->form8().enter();
        QVERIFY(notice(screen)->isVisible());
        if (corrected) {
            drive::choose(screen, "Combo1", "-5");
        } else {
            // "назад", an amount changed on the expenses screen, and back: the
            // figures are computed again before the screen shows.
            drive::click(screen, "Command3");
            plan().otherPayments.total = 1000.0;
            plan().otherPayments.q[0] = 1000.0;
            m_wizard->form8().enter();
            m_wizard->hideScreen(m_wizard->form7());
            m_wizard->showScreen(m_wizard->form8());
        }
        QVERIFY(!notice(screen)->isVisible());
    }

    // The desktop's opener runs but cannot open the file (no application for it,
    // no file manager): the screen says so, and says so of the folder link too.
    void openerThatFailsIsTold() {
#ifndef Q_OS_UNIX
        QSKIP("a failing xdg-open is Unix's; tests/windows/run.sh has the shell find no application");
#endif
        QTemporaryDir bin;
        QFile opener(bin.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly) && opener.write("#!/bin/sh\nexit 3\n") > 0);
        opener.close();
        QVERIFY(opener.setPermissions(opener.permissions() | QFile::ExeOwner));
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + savedPath);
        desktop::installOpener();

        showPreliminary();
        QWidget& screen = m_wizard->form8();
        drive::click(screen, "Command2");
        QLabel* told = notice(screen);
        QVERIFY(told && told->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(told->text().contains("открыть его не удалось"), 6000);
        const QString path = told->text().section(": ", -1).section(" <a", 0, 0);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QVERIFY(!told->text().contains("ПФХД сохранён:"));
        emit told->linkActivated(QUrl::fromLocalFile(QFileInfo(path).absolutePath()).toString());
        QTRY_VERIFY_WITH_TIMEOUT(told->text().contains("Открыть папку не удалось"), 6000);

        qputenv("PATH", savedPath);
        QDesktopServices::setUrlHandler("file", this, "openFile");
        QFile::remove(path);
    }

    void zeroNeedSplitsEvenlyAndSaysWhy()
    {
        plan().wages = Family{};
        showPreliminary();
        drive::click(m_wizard->form8(), "Command2");
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(notice(m_wizard->form8()) && notice(m_wizard->form8())->isVisible());
        QVERIFY(!notice(m_wizard->form8())->text().isEmpty());
        for (const TaggedValue& q : plan().subsidyQ)
            QCOMPARE(q.numeric(), 250000.0);
        // A press with a need to split by takes the notice away again.
        plan().wages.total = 400000.0;
        for (TaggedValue& q : plan().wages.q)
            q = 100000.0;
        plan().baseWages = plan().wages;
        const int grown = m_wizard->form8().height();
        m_wizard->form8().enter();
        drive::click(m_wizard->form8(), "Command2");
        QVERIFY(notice(m_wizard->form8())->text().startsWith("ПФХД сохранён"));
        QVERIFY(m_wizard->form8().height() < grown);
    }

    // The data entered is said to be kept only while the draft of the plan is saved.
    void unwritableFolderIsToldAndNothingIsLost_data()
    {
        QTest::addColumn<bool>("draftSaved");
        QTest::newRow("the draft saved") << true;
        QTest::newRow("the draft not saved") << false;
    }
    void unwritableFolderIsToldAndNothingIsLost()
    {
        QFETCH(bool, draftSaved);
#ifndef Q_OS_UNIX
        QSKIP("the temporary and documents folders follow TMPDIR and HOME on Unix only");
#endif
        // A temporary location and a home where nothing can be written, not even by root.
        const QString blocker = "/proc";
        QVERIFY(QFileInfo(blocker).isDir());
        const QByteArray savedTmp = qgetenv("TMPDIR");
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("TMPDIR", QFile::encodeName(blocker));
        qputenv("HOME", QFile::encodeName(blocker));

        showPreliminary();
        const QString unsaved = QStringLiteral("Черновик не сохраняется: на диске нет места.");
        if (!draftSaved)
            m_wizard->form8().setStandingNotice(unsaved, false);
        const Snapshot before = snapshot(m_wizard->form8());
        drive::click(m_wizard->form8(), "Command2");
        qputenv("TMPDIR", savedTmp);
        qputenv("HOME", savedHome);

        QVERIFY(m_opened.isEmpty());
        QLabel* told = notice(m_wizard->form8());
        QVERIFY(told && told->isVisible());
        QVERIFY(told->text().contains(blocker));
        QCOMPARE(told->text().contains(QStringLiteral("Введённые данные сохранены")), draftSaved);
        QCOMPARE(told->text().startsWith(unsaved), !draftSaved);
        QVERIFY(told->geometry().bottom() < m_wizard->form8().height()); // not clipped
        QCOMPARE(snapshot(m_wizard->form8()).labels, before.labels);
        QCOMPARE(drive::visibleScreens(), QStringList{"Form8"});
        QCOMPARE(plan().founderSubsidy.fixed()->units(), 1000000LL * FixedAmount::kScale);
        QCOMPARE(plan().wages.total.numeric(), 400000.0);
    }
};

QTEST_MAIN(TestPlanGenerationScreens)
#include "test_plan_generation_screens.moc"
