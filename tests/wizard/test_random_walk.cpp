// A seeded random walk through the real screens: thousands of actions a person
// could take on whatever is visible and enabled, with the program's invariants
// checked after every one. A failing seed is printed and becomes a row of
// walk_data() so that it stays fixed. Now and then the program is closed or
// killed and started again, and the plan it continues must be the one it had.

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

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUrl>
#include <qtestspontaneevent.h>

#include <algorithm>
#include <clocale>

namespace {

const QStringList kTexts = {
    "1000", "250,5", "-500", "0", "1 500 000", "100000", "0,00001", "1,5e3", // amounts
    "abc", "", "   ", "сто рублей", "nan", "INF", "1e400", "1.5", "12руб",    // not amounts
    QString(300, QChar('9')), "999999999999999", "-0", "+7",
};

// What a person types when filling a screen in properly: amounts with kopecks,
// negative, grouped, large; and names, some pasted with characters a workbook
// cannot hold as they are.
const QStringList kAmounts = {
    "1000", "250,5", "-500", "0", "1 500 000", "0,01", "12345,67", "-0,75", "99999,99", "1,5e3",
};
const QStringList kLargeAmounts = {"900000000000000", "-900000000000000", "123456789012,34"};
const QStringList kNames = {
    "Кружок", "Английский язык", "=1+1", QString("Лепка") + QChar(0x0001) + "из" + QChar(0xFFFF) + "глины",
    QString("Танцы") + QChar(0xD800), QString(200, QChar(u'ж')),
};

// The boxes that take a name rather than an amount.
bool takesName(const QWidget* screen, const QWidget* box)
{
    return screen->objectName() == "Form1" || (screen->objectName() == "Form4" && box->objectName() == "Text1");
}

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

} // namespace

class TestRandomWalk : public QObject {
    Q_OBJECT

    struct Generated {
        QString path;
        int services;
    };

    std::unique_ptr<Wizard> m_wizard;
    std::unique_ptr<QTemporaryDir> m_drafts;
    int m_restarts = 0;
    std::vector<Generated> m_generated;
    int m_pendingServices = -1;
    int m_ends = 0;
    QStringList m_strayFolders;

public slots:
    // Receives the workbooks the program would open with the desktop's application,
    // and the folders "Открыть папку" opens (Enter on the notice's link): a folder
    // must be the one the last workbook went into.
    void openFile(const QUrl& url)
    {
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isDir()) {
            const bool holdsLast = !m_generated.empty() &&
                                   QFileInfo(m_generated.back().path).absolutePath() == QDir(path).absolutePath();
            if (!holdsLast)
                m_strayFolders << path;
            return;
        }
        m_generated.push_back({path, m_pendingServices});
    }

private:
    QList<QWidget*> screens()
    {
        QList<QWidget*> all{&m_wizard->form1()};
        if (m_wizard->screensCreated())
            all << &m_wizard->form2() << &m_wizard->form4() << &m_wizard->form5() << &m_wizard->form6()
                << &m_wizard->form7() << &m_wizard->form8() << &m_wizard->form9();
        return all;
    }

    QWidget* activeScreen()
    {
        for (QWidget* s : screens())
            if (s->isVisible() && s->isEnabled())
                return s;
        return nullptr;
    }

    static QList<QWidget*> controls(QWidget* screen)
    {
        QList<QWidget*> found;
        for (QWidget* w : screen->findChildren<QWidget*>()) {
            if (!w->isVisible() || !w->isEnabled())
                continue;
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
                found << w;
        }
        return found;
    }

    // A person filling the screen in properly and carrying the plan on: every box
    // gets a valid entry, lists get items, then the button that goes forward (or
    // makes the plan) is pressed. This is what carries a walk to the plans.
    QString goOn(QWidget* screen, const QList<QWidget*>& candidates, QRandomGenerator& random)
    {
        QList<QAbstractButton*> forward;
        QAbstractButton* generate = nullptr;
        QAbstractButton* create = nullptr;
        for (QWidget* c : candidates) {
            if (auto* box = qobject_cast<QLineEdit*>(c)) {
                const QStringList& pool = takesName(screen, box)         ? kNames
                                          : random.bounded(100) < 3     ? kLargeAmounts
                                                                        : kAmounts;
                drive::type(*screen, qPrintable(c->objectName()), pool[random.bounded(int(pool.size()))]);
            } else if (auto* list = qobject_cast<QComboBox*>(c); list && list->count() > 0) {
                // On the adjustment screen only now and then, as a person tries a correction.
                if (list->currentIndex() < 0 || (screen->objectName() == "Form9" && random.bounded(11) == 0)) {
                    const int index = random.bounded(list->count());
                    list->setCurrentIndex(index);
                    emit list->activated(index);
                }
            } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
                const QString caption = button->text();
                if (caption == "Сформировать ПФХД")
                    generate = button;
                else if (caption == "создать")
                    create = button;
                else if (caption == "далее" || caption == "закончить" || caption == "начать"
                         || caption == "перейти к платным услугам")
                    forward << button;
            }
        }
        QAbstractButton* press = forward.isEmpty() ? nullptr : forward[random.bounded(int(forward.size()))];
        if (generate && (!press || random.bounded(100) < 50))
            press = generate;
        else if (create && random.bounded(100) < 20)
            press = create;
        if (!press)
            return screen->objectName() + " filled in";
        if (press == generate)
            m_pendingServices = m_wizard->plan().serviceCountValue();
        if (!press->isVisible() || !press->isEnabled())
            return screen->objectName() + " filled in; " + press->objectName() + " went away";
        QTest::mouseClick(press, Qt::LeftButton);
        return screen->objectName() + " filled in, " + press->objectName() + " clicked";
    }

    // The window in front closed (the draft is written as it closes) or the
    // program killed (the draft holds the last completed step); started again, the
    // welcome screen offers the draft, and continuing it brings back its plan and
    // every screen's entries, on the screens it was on.
    QString restart(QRandomGenerator& random) {
        const bool kill = random.bounded(2) == 0;
        const QJsonObject live = draft::planToJson(m_wizard->plan());
        const QString path = m_wizard->draftPath();
        if (!kill)
            activeScreen()->close();
        m_wizard.reset();
        ++m_restarts;
        m_ends = 0;
        QFile file(path);
        std::optional<draft::Contents> kept;
        if (file.open(QIODevice::ReadOnly))
            kept = draft::decode(file.readAll());
        file.close(); // Windows replaces no file that is open
        m_wizard = Wizard::launch(m_drafts->path());
        m_wizard->setEndHandler([this] { ++m_ends; });
        auto* offer = m_wizard->form1().findChild<QAbstractButton*>("Command2");
        if (!kept)
            return file.exists() ? QString("the draft does not read")
                   : offer       ? QString("a draft offered that is not there")
                                 : QString();
        if (!kill && draft::planToJson(kept->plan) != live)
            return "closing the window did not write the plan as it was";
        if (!offer || !offer->isVisible())
            return "the draft is not offered";
        QTest::mouseClick(offer, Qt::LeftButton);
        const QJsonObject continued = draft::planToJson(m_wizard->plan());
        const QJsonObject drafted = draft::planToJson(kept->plan);
        QStringList differ;
        for (const QString& name : drafted.keys())
            if (continued[name] != drafted[name])
                differ << name + ": " +
                              QString::fromUtf8(
                                  QJsonDocument(QJsonArray{continued[name]}).toJson(QJsonDocument::Compact))
                                  .left(200) +
                              " instead of " +
                              QString::fromUtf8(
                                  QJsonDocument(QJsonArray{drafted[name]}).toJson(QJsonDocument::Compact))
                                  .left(200);
        if (!differ.isEmpty())
            return "the continued plan differs from the draft in " + differ.join("; ").left(300) +
                   "; the adjustment screen had " +
                   QString::fromUtf8(QJsonDocument(kept->screens.value("Form9").toObject())
                                         .toJson(QJsonDocument::Compact)) +
                   " and has " +
                   QString::fromUtf8(
                       QJsonDocument(m_wizard->form9().entriesOut()).toJson(QJsonDocument::Compact));
        QStringList shown;
        for (QWidget* s : screens()) {
            if (s->isVisible())
                shown << s->objectName() + (s->isEnabled() ? "" : " (disabled)");
            const QJsonObject was = kept->screens.value(s->objectName()).toObject();
            const QJsonObject is = static_cast<Screen*>(s)->entriesOut();
            if (was != is)
                return s->objectName() + " continues with other entries than it had: " +
                       QString::fromUtf8(QJsonDocument(is).toJson(QJsonDocument::Compact)) + " instead of " +
                       QString::fromUtf8(QJsonDocument(was).toJson(QJsonDocument::Compact));
        }
        QStringList wasShown;
        for (const QJsonValue v : kept->screens.value("shown").toArray())
            wasShown << v.toObject().value("screen").toString() +
                            (v.toObject().value("enabled").toBool() ? "" : " (disabled)");
        std::sort(shown.begin(), shown.end());
        std::sort(wasShown.begin(), wasShown.end());
        if (shown != wasShown)
            return "continued on " + shown.join(", ") + " instead of " + wasShown.join(", ");
        return {};
    }

    QString act(QRandomGenerator& random)
    {
        QWidget* screen = activeScreen();
        if (!screen)
            return "no active screen";
        if (m_wizard->screensCreated() && random.bounded(1000) < 5) {
            if (const QString fault = restart(random); !fault.isEmpty())
                return "RESTART FAILED: " + fault;
            return "closed or killed, started again and continued";
        }
        const QList<QWidget*> candidates = controls(screen);
        if (candidates.isEmpty())
            return "nothing to do on " + screen->objectName();
        if (random.bounded(100) < 30)
            return goOn(screen, candidates, random);
        // Now and then the keyboard or the wheel instead of the mouse.
        if (const QString done = keyOrWheel(random, *screen, candidates); !done.isEmpty())
            return done;
        // A kind of action first, then a control of that kind, so that the fifteen
        // lists of the editor do not drown its buttons.
        QList<QWidget*> buttons, boxes, lists;
        for (QWidget* c : candidates)
            (qobject_cast<QAbstractButton*>(c) ? buttons : qobject_cast<QLineEdit*>(c) ? boxes : lists) << c;
        const int roll = random.bounded(100);
        const QList<QWidget*>& pool = (roll < 50 && !buttons.isEmpty()) ? buttons
                                      : (roll < 80 && !boxes.isEmpty()) ? boxes
                                      : !lists.isEmpty()                ? lists
                                                                        : candidates;
        QWidget* w = pool[random.bounded(int(pool.size()))];
        // A person mostly goes on once a screen is filled in.
        if (&pool == &buttons && random.bounded(100) < 40) {
            static const QStringList forward{"далее", "закончить", "начать"};
            for (QWidget* b : buttons)
                if (forward.contains(static_cast<QAbstractButton*>(b)->text()))
                    w = b;
        }
        const QString where = screen->objectName() + "." + w->objectName();
        if (qobject_cast<QLineEdit*>(w)) {
            const QString text = kTexts[random.bounded(int(kTexts.size()))];
            drive::type(*screen, qPrintable(w->objectName()), text);
            return where + " typed \"" + text.left(20) + "\"";
        }
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            if (list->count() == 0)
                return where + " (empty list)";
            const int index = random.bounded(list->count());
            list->setCurrentIndex(index);
            emit list->activated(index);
            return where + " chose " + list->itemText(index);
        }
        if (w->objectName() == "Command2" && (screen == &m_wizard->form8() || screen == &m_wizard->form9()))
            m_pendingServices = m_wizard->plan().serviceCountValue();
        QTest::mouseClick(static_cast<QAbstractButton*>(w), Qt::LeftButton);
        return where + " clicked";
    }

    // Tab, Shift+Tab, Enter or the keypad's Enter where the focus is, or a turn of
    // the wheel over a list; nothing (an empty answer) most of the time.
    QString keyOrWheel(QRandomGenerator& random, QWidget& screen, const QList<QWidget*>& candidates)
    {
        const int roll = random.bounded(100);
        if (roll >= 15)
            return {};
        // Enter may press "Сформировать ПФХД": the workbook has the services of now.
        m_pendingServices = m_wizard->plan().serviceCountValue();
        if (roll < 10) {
            drive::activate(screen);
            QWidget* target = QApplication::focusWidget();
            if (!target || target->window() != &screen)
                target = &screen;
            static const struct {
                Qt::Key key;
                Qt::KeyboardModifiers modifiers;
                const char* text;
                const char* name;
            } keys[] = {{Qt::Key_Tab, Qt::NoModifier, "\t", "Tab"},
                        {Qt::Key_Backtab, Qt::ShiftModifier, "", "Shift+Tab"},
                        {Qt::Key_Return, Qt::NoModifier, "\r", "Enter"},
                        {Qt::Key_Enter, Qt::KeypadModifier, "\r", "keypad Enter"}};
            const auto& k = keys[random.bounded(int(std::size(keys)))];
            const QString where = screen.objectName() + "." + target->objectName();
            QKeyEvent press(QEvent::KeyPress, k.key, k.modifiers, QString::fromLatin1(k.text));
            QKeyEvent release(QEvent::KeyRelease, k.key, k.modifiers, QString::fromLatin1(k.text));
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
            return where + " " + k.name;
        }
        QList<QWidget*> lists;
        for (QWidget* c : candidates)
            if (qobject_cast<QComboBox*>(c))
                lists << c;
        if (lists.isEmpty())
            return {};
        QWidget* list = lists[random.bounded(int(lists.size()))];
        if (random.bounded(2) == 0)
            list->setFocus();
        const QPointF at = list->rect().center();
        QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, random.bounded(2) ? 120 : -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel); // as the window system delivers it
        QApplication::instance()->notify(list, &wheel);
        return screen.objectName() + "." + list->objectName() + " wheel" + (list->hasFocus() ? " (focused)" : "");
    }

    // The invariants every action must keep; returns what is broken.
    QString broken()
    {
        QStringList active;
        for (QWidget* s : screens())
            if (s->isVisible())
                active << s->objectName() + (s->isEnabled() ? "" : "(disabled)");
        if (active.size() != 1 && active != QStringList{"Form4", "Form9(disabled)"})
            return "visible screens: " + active.join(", ");
        if (!m_wizard->screensCreated())
            return {};

        const PlanState& plan = m_wizard->plan();
        const int count = plan.serviceCountValue();
        if (count < 0 || count > PlanState::kMaxServices)
            return QString("serviceCount %1").arg(count);
        if (m_wizard->form4().isVisible() && drive::find(m_wizard->form4(), "Frame2")->isVisible()) {
            const int current = plan.currentServiceValue();
            if (current < 1 || current > count)
                return QString("record %1 of %2 in the editor").arg(current).arg(count);
        }

        static const QRegularExpression whole("^-?\\d+$");
        auto figure = [&](QWidget& screen, const char* name, bool wholePattern) -> QString {
            const QString text = drive::find<QLabel>(screen, name)->text();
            if (wholePattern ? whole.match(text).hasMatch() : numbers::isNumber(text))
                return {};
            if (!screen.isVisible() || text.contains(QString::fromUtf8("диапазон")))
                return {}; // an out-of-range notice is a defined answer
            return screen.objectName() + "." + name + " shows \"" + text + "\"";
        };
        QString fault;
        for (const char* name : {"Label1", "Label6"}) {
            if (fault.isEmpty())
                fault = figure(m_wizard->form5(), name, false);
            if (fault.isEmpty())
                fault = figure(m_wizard->form8(), name, true);
        }
        for (const char* name : {"Label100", "Label101"})
            if (fault.isEmpty())
                fault = figure(m_wizard->form9(), name, true);
        for (int i = 102; i <= 112 && fault.isEmpty(); ++i)
            fault = figure(m_wizard->form9(), qPrintable(QString("Label%1").arg(i)), false);
        return fault;
    }

    // Every workbook has 36 + n rows and each service row's year equals its quarters.
    QString checkWorkbooks()
    {
        if (m_generated.empty())
            return {};
#ifndef Q_OS_UNIX
        return {}; // the reader is the Debian system's Python
#endif
        QProcess probe;
        probe.start("/usr/bin/python3", {"-c", "import openpyxl"});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
            return {}; // no independent reader here; the layout tests cover the sheet
        static const char* script = R"(
import sys, openpyxl
bad = []
for arg in sys.argv[1:]:
    path, n = arg.rsplit('|', 1)
    n = int(n)
    ws = openpyxl.load_workbook(path).active
    if ws.max_row != 36 + n:
        bad.append('%s: %d rows for %d services' % (path, ws.max_row, n))
    for r in list(range(11, 11 + n)) + [9]:
        c = ws.cell(r, 3).value or 0
        q = sum((ws.cell(r, k).value or 0) for k in range(4, 8))
        if abs(c - q) > 1e-6 * max(1.0, abs(c)):
            bad.append('%s: row %d total %r, quarters %r' % (path, r, c, q))
print('\n'.join(bad[:10]))
)";
        QStringList args{"-c", script};
        for (size_t i = 0; i < m_generated.size() && i < 150; ++i)
            args << m_generated[i].path + "|" + QString::number(m_generated[i].services);
        QProcess reader;
        reader.start("/usr/bin/python3", args);
        if (!reader.waitForFinished(300000))
            return "the workbook reader did not finish";
        const QString out = QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
        if (reader.exitCode() != 0)
            return "reader failed: " + QString::fromUtf8(reader.readAllStandardError());
        return out;
    }

    void run(quint32 seed, int actions, int seconds)
    {
        qInfo("random walk: seed %u, up to %d actions (PLANIUM_WALK_SEED=%u reproduces it)", seed, actions, seed);
        // The walk runs under a Russian process locale. Every other walk also has the
        // C library's numbers follow it, as if some library had set them again: the
        // workbooks must not change for it.
        const bool commaNumbers = seed % 2 == 1;
        if (commaNumbers)
            std::setlocale(LC_NUMERIC, "");
        const auto restore = qScopeGuard([] { std::setlocale(LC_NUMERIC, "C"); });
        qInfo("random walk: the C library's numbers in %s", std::setlocale(LC_NUMERIC, nullptr));
        QRandomGenerator random(seed);
        QElapsedTimer clock;
        clock.start();
        QStringList recent;
        QMap<QString, int> visits;
        int done = 0;
        for (; done < actions && clock.elapsed() < seconds * 1000LL; ++done) {
            if (QWidget* screen = activeScreen())
                ++visits[screen->objectName()];
            recent << act(random);
            if (recent.size() > 12)
                recent.removeFirst();
            QString fault = recent.last().startsWith("RESTART FAILED") ? recent.last() : broken();
            if (!fault.isEmpty())
                QFAIL(qPrintable(QString("seed %1, action %2: %3\nlast actions:\n  %4")
                                     .arg(seed)
                                     .arg(done)
                                     .arg(fault, recent.join("\n  "))));
        }
        QStringList seen;
        for (auto it = visits.cbegin(); it != visits.cend(); ++it)
            seen << QString("%1×%2").arg(it.key()).arg(it.value());
        qInfo("random walk: %d actions, %zu workbooks, %d restarts; actions per screen: %s", done,
              m_generated.size(), m_restarts, qPrintable(seen.join(' ')));
        const QString workbooks = checkWorkbooks();
        for (const Generated& g : m_generated)
            QFile::remove(g.path);
        QVERIFY2(workbooks.isEmpty(), qPrintable(QString("seed %1: %2").arg(seed).arg(workbooks)));
        QVERIFY2(m_strayFolders.isEmpty(), qPrintable(QString("seed %1: opened a folder no workbook went into: %2")
                                                           .arg(seed)
                                                           .arg(m_strayFolders.join(", "))));

        // The last action: closing the window in front ends the program.
        QWidget* screen = activeScreen();
        QVERIFY(screen);
        screen->close();
        QCOMPARE(m_ends, 1);
        QVERIFY(activeScreen() == nullptr);
    }

private slots:
    void initTestCase()
    {
        numbers::applyRegionalConventions();
        QDesktopServices::setUrlHandler("file", this, "openFile");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }
    void init()
    {
        m_generated.clear();
        m_strayFolders.clear();
        m_ends = 0;
        m_restarts = 0;
        // The drafts the walk keeps writing (after every step) lie in memory where
        // the system has it: flushing each to a busy disk would make the walk wait.
        m_drafts = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                       ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/planium-walk-XXXXXX"))
                       : std::make_unique<QTemporaryDir>();
        m_wizard = Wizard::launch(m_drafts->path());
        m_wizard->setEndHandler([this] { ++m_ends; });
    }
    void cleanup() {
        m_wizard.reset();
        m_drafts.reset();
    }

    void walk_data()
    {
        QTest::addColumn<quint32>("seed");
        const QByteArray fixed = qgetenv("PLANIUM_WALK_SEED");
        if (!fixed.isEmpty()) {
            QTest::newRow("given seed") << fixed.toUInt();
            return;
        }
        // Seeds that once found a fault stay here.
        // 121: a corrected plan pressed after a calculation that could not hold its
        // amounts was written with a paid-service total its quarters did not add up to.
        // 1002: Enter on the notice's "Открыть папку" opened the folder, which the walk
        // took for a workbook. 1027: a draft written while the paid-services editor held
        // a record it had left (or deleted) continued with other entries than it had.
        for (quint32 seed : {1u, 2u, 3u, 121u, 1002u, 1027u})
            QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
        const quint32 fresh = QRandomGenerator::system()->generate();
        QTest::newRow(qPrintable(QString("fresh seed %1").arg(fresh))) << fresh;
    }
    void walk()
    {
        QFETCH(quint32, seed);
        run(seed, envInt("PLANIUM_WALK_ACTIONS", 4000), envInt("PLANIUM_WALK_SECONDS", 90));
    }
};

QTEST_MAIN(TestRandomWalk)
#include "test_random_walk.moc"
