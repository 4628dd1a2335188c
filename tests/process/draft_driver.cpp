// A plugin that Qt loads into the real program (QT_QPA_GENERIC_PLUGINS=draftdriver)
// to leave a plan half typed and to come back to it. PLANIUM_DRIVER_STEP says what
// to do:
//   close     types part of a plan (kopecks, two services) and closes the window
//   kill      types as far as an expense page and is killed there (SIGKILL)
//   continue  presses "Продолжить план от …" where it is offered, then closes
//   look      only looks at the welcome screen, then closes
// What the welcome screen offers, and the notice under each screen, are reported too.
// What every screen showed last (each named box, list, option and label, and
// whether it could be seen) is written as JSON to PLANIUM_DRIVER_REPORT.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGenericPlugin>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include <csignal>
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include "support/keys.h"

namespace {

class DraftDriver : public QObject {
    Q_OBJECT
public:
    DraftDriver() { QTimer::singleShot(0, this, &DraftDriver::run); }

private:
    QWidget* screen(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name))
                return w;
        return nullptr;
    }

    template <typename T> T* control(const char* form, const QString& name) {
        QWidget* s = screen(form);
        T* w = s ? s->findChild<T*>(name) : nullptr;
        if (!w || !w->isVisible() || !w->isEnabled()) {
            m_failures << QStringLiteral("%1 on %2 cannot be used").arg(name, QLatin1String(form));
            return nullptr;
        }
        return w;
    }

    QString amount(const char* roubles, const char* kopecks) const {
        return QLatin1String(roubles) + QLocale().decimalPoint() + QLatin1String(kopecks);
    }
    void type(const char* form, const QString& name, const QString& text) {
        if (auto* box = control<QLineEdit>(form, name))
            keys::typeInto(box, text);
    }
    void choose(const char* form, const QString& name, const QString& item) {
        if (auto* list = control<QComboBox>(form, name)) {
            list->setCurrentIndex(list->findText(item));
            emit list->activated(list->currentIndex());
        }
    }
    void click(const char* form, const QString& name) {
        if (auto* button = control<QAbstractButton>(form, name))
            QTest::mouseClick(button, Qt::LeftButton);
    }

    // Every screen but the welcome screen as it stands.
    QJsonObject snapshot() {
        QJsonObject all;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->objectName().startsWith(QLatin1String("Form")) || w->objectName() == u"Form1")
                continue;
            QJsonObject s{{QStringLiteral("visible"), w->isVisible()},
                          {QStringLiteral("enabled"), w->isEnabled()}};
            for (QWidget* c : w->findChildren<QWidget*>()) {
                const QString name = c->objectName();
                if (name.isEmpty() || name == u"Notice" || name == u"Announcer")
                    continue;
                QString value;
                if (auto* box = qobject_cast<QLineEdit*>(c))
                    value = box->text();
                else if (auto* list = qobject_cast<QComboBox*>(c))
                    value = list->currentText();
                else if (auto* option = qobject_cast<QRadioButton*>(c))
                    value = option->isChecked() ? QStringLiteral("checked") : QStringLiteral("-");
                else if (auto* label = qobject_cast<QLabel*>(c))
                    value = label->text();
                else if (auto* button = qobject_cast<QPushButton*>(c))
                    value = button->text();
                else
                    value = QStringLiteral("group");
                s.insert(name, QStringLiteral("%1 %2")
                                   .arg(c->isVisibleTo(w) ? QStringLiteral("+") : QStringLiteral("-"))
                                   .arg(value));
            }
            all.insert(w->objectName(), s);
        }
        return all;
    }

    void report() {
        m_report[QStringLiteral("failures")] = QJsonArray::fromStringList(m_failures);
        QFile out(qEnvironmentVariable("PLANIUM_DRIVER_REPORT"));
        if (out.open(QIODevice::WriteOnly))
            out.write(QJsonDocument(m_report).toJson());
    }

    void closeFront() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isEnabled())
                return void(w->close());
        QApplication::exit(3);
    }

    void run() {
        const QString step = qEnvironmentVariable("PLANIUM_DRIVER_STEP");
        if (QWidget* welcome = screen("Form1")) {
            auto* offer = welcome->findChild<QPushButton*>(QStringLiteral("Command2"));
            m_report[QStringLiteral("offer")] = offer ? offer->text() : QString();
            m_report[QStringLiteral("offerName")] = offer ? offer->accessibleName() : QString();
            QJsonArray offers;
            for (int n = 2; auto* more = welcome->findChild<QPushButton*>(QStringLiteral("Command%1").arg(n));
                 ++n)
                offers.append(more->accessibleName());
            m_report[QStringLiteral("offers")] = offers;
            auto* notice = welcome->findChild<QLabel*>(QStringLiteral("Notice"));
            m_report[QStringLiteral("notice")] =
                notice && notice->isVisible() ? notice->accessibleName() : QString();
        }
        if (step == u"close" || step == u"kill")
            typeHalfAPlan(step == u"kill");
        if (step == u"continue" && !m_report[QStringLiteral("offer")].toString().isEmpty())
            click("Form1", QStringLiteral("Command2"));
        m_report[QStringLiteral("screens")] = snapshot();
        // The notice under each screen that shows one.
        QJsonObject notices;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* notice = w->findChild<QLabel*>(QStringLiteral("Notice"));
                notice && notice->isVisibleTo(w))
                notices.insert(w->objectName(), notice->accessibleName());
        m_report[QStringLiteral("notices")] = notices;
        report();
        if (step == u"kill") {
#ifdef Q_OS_WIN
            ::TerminateProcess(::GetCurrentProcess(), 9); // as Task Manager ends a process
#else
            std::raise(SIGKILL);
#endif
        }
        closeFront();
    }

    void typeHalfAPlan(bool toExpenses) {
        type("Form1", "Text1", QStringLiteral("Иванова"));
        type("Form1", "Text2", QStringLiteral("А"));
        type("Form1", "Text3", QStringLiteral("П"));
        type("Form1", "Text4", QStringLiteral("МБДОУ Детский сад № 7"));
        choose("Form1", "Combo1", QStringLiteral("Городской"));
        click("Form1", "Command1");
        type("Form2", "Text1", amount("12500000", "50"));
        click("Form2", "Command1");
        click("Form4", "Command1");
        type("Form4", "Text1", QStringLiteral("Английский язык"));
        choose("Form4", "Combo1", QStringLiteral("1000"));
        choose("Form4", "Combo12", QStringLiteral("20"));
        click("Form4", "Command6");
        click("Form4", "Option2");
        type("Form4", "Text1", QStringLiteral("Праздник"));
        choose("Form4", "Combo43", QStringLiteral("2"));
        if (!toExpenses) {
            // Left midway through the second record, never saved into it.
            QTest::qWait(1500);
            return;
        }
        click("Form4", "Command4");
        click("Form5", "Command1");
        type("Form6", "Text11", amount("100000", "25"));
        type("Form6", "Text12", QStringLiteral("0"));
        type("Form6", "Text13", QStringLiteral("0"));
        type("Form6", "Text14", amount("0", "75"));
        click("Form6", "Command1");
        click("Form6", "Option3");
        type("Form6", "Text2", amount("240000", "10"));
        click("Form6", "Command3");
        for (int q = 1; q <= 4; ++q)
            type("Form7", "Text1" + QString::number(q), amount("150000", "50"));
        click("Form7", "Command11");
        click("Form7", "Option22");
        type("Form7", "Text20", amount("40000", "40"));
        // A pause in typing: what was typed on the page is kept too.
        QTest::qWait(1500);
    }

    QStringList m_failures;
    QJsonObject m_report;
};

class DraftDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "draft_driver.json")
public:
    QObject* create(const QString&, const QString&) override { return new DraftDriver; }
};

} // namespace

#include "draft_driver.moc"
