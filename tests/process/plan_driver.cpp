// A plugin that Qt loads into the real program (QT_QPA_GENERIC_PLUGINS=plandriver,
// found through QT_PLUGIN_PATH) to type one plan through its screens the way a
// person does: it finds the controls by name, types into the boxes with key
// events, picks list items and clicks buttons. Amounts carry kopecks written with
// the desktop's own decimal separator. Both plans are generated; opening them is
// caught here, and what happened is written as JSON to PLANIUM_DRIVER_REPORT.
// Then the window in front is closed, which ends the program. With
// PLANIUM_DRIVER_SHOTS (a folder), the desktop is saved there at three points: the
// welcome screen (welcome.png), the record editor with the second service
// (services.png) and the adjustment screen at the end (adjustment.png).

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGenericPlugin>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QtTest/QTest>

#include <clocale>

#include "support/keys.h"

namespace {

class PlanDriver : public QObject {
    Q_OBJECT
public:
    PlanDriver() { QTimer::singleShot(0, this, &PlanDriver::run); }

public slots:
    void opened(const QUrl& url) { m_opened << url.toLocalFile(); }

private:
    QWidget* screen(const char* name)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name))
                return w;
        fail(QStringLiteral("no screen %1").arg(QLatin1String(name)));
        return nullptr;
    }

    template <typename T> T* control(const char* form, const QString& name)
    {
        QWidget* s = screen(form);
        T* w = s ? s->findChild<T*>(name) : nullptr;
        if (!w)
            fail(QStringLiteral("no control %1 on %2").arg(name, QLatin1String(form)));
        else if (!w->isVisible() || !w->isEnabled())
            fail(QStringLiteral("%1 on %2 cannot be used").arg(name, QLatin1String(form)));
        return w && w->isVisible() && w->isEnabled() ? w : nullptr;
    }

    // An amount as a person types it here: whole roubles, the desktop's decimal
    // separator, kopecks.
    QString amount(const char* roubles, const char* kopecks = nullptr) const
    {
        QString text = QLatin1String(roubles);
        if (kopecks)
            text += QLocale().decimalPoint() + QLatin1String(kopecks);
        return text;
    }

    void type(const char* form, const QString& name, const QString& text)
    {
        if (auto* box = control<QLineEdit>(form, name))
            keys::typeInto(box, text);
    }

    void choose(const char* form, const QString& name, const QString& item)
    {
        auto* list = control<QComboBox>(form, name);
        if (!list)
            return;
        const int index = list->findText(item);
        if (index < 0)
            return fail(QStringLiteral("%1 has no item %2").arg(name, item));
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    void click(const char* form, const QString& name)
    {
        if (auto* button = control<QAbstractButton>(form, name))
            QTest::mouseClick(button, Qt::LeftButton);
    }

    QString label(const char* form, const char* name)
    {
        QWidget* s = screen(form);
        auto* l = s ? s->findChild<QLabel*>(QLatin1String(name)) : nullptr;
        return l ? l->text() : QString();
    }

    void fail(const QString& what) { m_failures << what; }

    void shot(const char* name) {
        const QString folder = qEnvironmentVariable("PLANIUM_DRIVER_SHOTS");
        if (folder.isEmpty())
            return;
        QTest::qWait(1500); // drawn, and framed by the window manager
        // The window in front with its frame and a little of the desktop around it.
        QScreen* screen = QGuiApplication::primaryScreen();
        QRect area = screen->geometry();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isEnabled() && w->objectName().startsWith(QLatin1String("Form")))
                area = w->frameGeometry().adjusted(-8, -8, 8, 8).intersected(screen->geometry());
        screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(folder + u'/' + QLatin1String(name) + QStringLiteral(".png"));
    }

    // Presses "Сформировать ПФХД" and keeps what the screen then says, once the
    // desktop's opener has had its few seconds to answer.
    void generate(const char* form) {
        click(form, QStringLiteral("Command2"));
        QWidget* s = screen(form);
        auto* notice = s ? s->findChild<QLabel*>(QStringLiteral("Notice")) : nullptr;
        if (qEnvironmentVariableIsSet("PLANIUM_DRIVER_DESKTOP"))
            static_cast<void>(QTest::qWaitFor(
                [&] { return notice && notice->text().contains(QStringLiteral("не удалось")); }, 8000));
        m_notices << (notice ? notice->text() : QString());
    }

    void run()
    {
        m_report[QStringLiteral("locale")] = QLocale().name();
        m_report[QStringLiteral("lcNumericAtStart")] = QString::fromLatin1(std::setlocale(LC_NUMERIC, nullptr));
        m_report[QStringLiteral("lcCtype")] = QString::fromLatin1(std::setlocale(LC_CTYPE, nullptr));
        // With PLANIUM_DRIVER_DESKTOP set the program opens the plans itself, with the desktop's opener.
        const bool desktop = qEnvironmentVariableIsSet("PLANIUM_DRIVER_DESKTOP");
        if (!desktop)
            QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "opened");
        typePlan();
        if (!desktop)
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        QJsonArray opened;
        for (const QString& path : m_opened)
            opened << path;
        m_report[QStringLiteral("opened")] = opened;
        m_report[QStringLiteral("failures")] = QJsonArray::fromStringList(m_failures);
        QFile out(qEnvironmentVariable("PLANIUM_DRIVER_REPORT"));
        if (out.open(QIODevice::WriteOnly))
            out.write(QJsonDocument(m_report).toJson());

        // With PLANIUM_DRIVER_SHOT, the desktop as it then looks is saved there
        // first, with where the window in front stands beside it (".json").
        const QString shot = qEnvironmentVariable("PLANIUM_DRIVER_SHOT");
        if (!shot.isEmpty())
            return void(QTimer::singleShot(1500, this, [this, shot] {
                takeShot(shot);
                closeFront();
            }));
        closeFront();
    }

    void takeShot(const QString& path)
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        screen->grabWindow(0).save(path);
        QJsonObject where;
        const auto rect = [](const QRect& r) { return QJsonArray{r.x(), r.y(), r.width(), r.height()}; };
        where[QStringLiteral("available")] = rect(screen->availableGeometry());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isEnabled()) {
                where[QStringLiteral("window")] = w->objectName();
                where[QStringLiteral("frame")] = rect(w->frameGeometry());
                where[QStringLiteral("inside")] = rect(w->geometry());
                // The part of the saved-file notice that can be seen, on the desktop.
                if (auto* notice = w->findChild<QLabel*>(QStringLiteral("Notice"))) {
                    const QRect seen = notice->visibleRegion().boundingRect();
                    where[QStringLiteral("notice")] =
                        rect(QRect(notice->mapToGlobal(seen.topLeft()), seen.size()));
                    where[QStringLiteral("noticeStart")] =
                        rect(QRect(notice->mapToGlobal(QPoint(0, 0)), QSize(1, 1)));
                }
            }
        QFile out(path + QStringLiteral(".json"));
        if (out.open(QIODevice::WriteOnly))
            out.write(QJsonDocument(where).toJson());
    }

    void closeFront()
    {
        // Closing the window in front ends the program.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isEnabled())
                return void(w->close());
        QApplication::exit(3);
    }

    void typePlan()
    {
        shot("welcome");
        type("Form1", "Text1", QStringLiteral("Иванова"));
        type("Form1", "Text2", QStringLiteral("А"));
        type("Form1", "Text3", QStringLiteral("П"));
        type("Form1", "Text4", QStringLiteral("МБДОУ Детский сад № 7"));
        choose("Form1", "Combo1", QStringLiteral("Городской"));
        click("Form1", "Command1");

        type("Form2", "Text1", amount("12500000", "50"));
        click("Form2", "Command1");

        // A recurring club for 20 children except in summer, and a one-off
        // service given twice in March and twice in December.
        click("Form4", "Command1");
        type("Form4", "Text1", QStringLiteral("Английский язык"));
        choose("Form4", "Combo1", "1000");
        choose("Form4", "Combo2", "300");
        choose("Form4", "Combo3", "200");
        for (const char* month : {"Combo11", "Combo12", "Combo13", "Combo21", "Combo22", "Combo33", "Combo41",
                                  "Combo42", "Combo43"})
            choose("Form4", month, "20");
        click("Form4", "Command6");
        click("Form4", "Option2");
        type("Form4", "Text1", QStringLiteral("Праздник"));
        choose("Form4", "Combo1", "500");
        choose("Form4", "Combo2", "100");
        choose("Form4", "Combo3", "50");
        choose("Form4", "Combo13", "2");
        choose("Form4", "Combo43", "2");
        shot("services");
        click("Form4", "Command4");
        click("Form5", "Command1");

        // Investments per quarter, the parental fee as one sum.
        type("Form6", "Text11", amount("100000", "25"));
        type("Form6", "Text12", amount("0"));
        type("Form6", "Text13", amount("0"));
        type("Form6", "Text14", amount("0", "75"));
        click("Form6", "Command1");
        click("Form6", "Option3");
        type("Form6", "Text2", amount("240000", "10"));
        click("Form6", "Command3");

        // The twelve expense pages: four quarters, or one annual sum.
        struct Page {
            int page;
            const char* roubles;
            const char* kopecks;
            bool annual;
        };
        const Page pages[] = {
            {1, "150000", "50", false}, {2, "40000", "40", true},   {3, "6000", "10", false},
            {4, "0", nullptr, false},   {5, "300000", "30", true},  {6, "0", nullptr, false},
            {7, "50000", "05", true},   {8, "30000", nullptr, true}, {9, "300000", "33", false},
            {10, "60000", "60", true},  {12, "100000", nullptr, true}, {13, "20000", "20", false},
        };
        for (const Page& p : pages) {
            const QString k = QString::number(p.page);
            if (p.annual) {
                click("Form7", "Option" + k + "2");
                type("Form7", "Text" + k + "0", amount(p.roubles, p.kopecks));
            } else {
                // Different quarters, so that a wrong order would show.
                for (int q = 1; q <= 4; ++q)
                    type("Form7", "Text" + k + QString::number(q),
                         amount(QByteArray::number(QByteArray(p.roubles).toLongLong() + 10 * (q - 1)).constData(),
                                p.kopecks));
            }
            click("Form7", "Command" + k + "1");
        }

        // Any library may set the C library's numbers from the desktop again; the
        // workbooks must not change for it.
        std::setlocale(LC_NUMERIC, "");
        m_report[QStringLiteral("lcNumericWhenWriting")] =
            QString::fromLatin1(std::setlocale(LC_NUMERIC, nullptr));

        QJsonObject figures;
        figures[QStringLiteral("Form8.Label1")] = label("Form8", "Label1");
        figures[QStringLiteral("Form8.Label6")] = label("Form8", "Label6");
        generate("Form8");
        click("Form8", "Command1");
        choose("Form9", "Combo8", QStringLiteral("-5"));
        choose("Form9", "Combo1", QStringLiteral("-2,5"));
        for (const char* name : {"Label1", "Label100", "Label101", "Label102", "Label109"})
            figures[QStringLiteral("Form9.") + QLatin1String(name)] = label("Form9", name);
        generate("Form9");
        shot("adjustment");
        m_report[QStringLiteral("figures")] = figures;
        m_report[QStringLiteral("notices")] = QJsonArray::fromStringList(m_notices);
    }

    QStringList m_opened;
    QStringList m_failures;
    QStringList m_notices;
    QJsonObject m_report;
};

class PlanDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "plan_driver.json")
public:
    QObject* create(const QString&, const QString&) override { return new PlanDriver; }
};

} // namespace

#include "plan_driver.moc"
