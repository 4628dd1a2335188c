#pragma once

// Small helpers for driving the real screens the way a person does.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "support/keys.h"

namespace drive {

template <typename T = QWidget> T* find(QWidget& screen, const char* name)
{
    T* w = screen.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s on %s", name, qPrintable(screen.objectName()));
    return w;
}

// The visible, enabled top-level screens.
inline QStringList visibleScreens()
{
    QStringList names;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName().startsWith(QLatin1String("Form")))
            names << w->objectName();
    names.sort();
    return names;
}

// The control that Tab moves to from `from`.
inline QWidget* nextTabStop(QWidget* from)
{
    QWidget* w = from->nextInFocusChain();
    while (w != from && !((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus))
        w = w->nextInFocusChain();
    return w;
}

// Brings a screen to the front with the keyboard on it, as a click on its window does.
inline void activate(QWidget& screen)
{
    screen.activateWindow();
    if (!QTest::qWaitForWindowActive(&screen))
        qWarning("%s did not become the active window", qPrintable(screen.objectName()));
}

inline void click(QWidget& screen, const char* name)
{
    auto* button = find<QAbstractButton>(screen, name);
    QVERIFY2(button->isVisible() && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void type(QWidget& screen, const char* name, const QString& text)
{
    keys::typeInto(find<QLineEdit>(screen, name), text);
}

// Chooses a list item by its text, as picking it from the drop-down does.
inline void choose(QWidget& screen, const char* name, const QString& item)
{
    auto* list = find<QComboBox>(screen, name);
    const int index = list->findText(item);
    QVERIFY2(index >= 0, qPrintable(QStringLiteral("%1 has no item %2").arg(name, item)));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

} // namespace drive

#include "screens/welcome_screen.h"
#include "wizard/wizard.h"

namespace drive {

// Starts the program as main does and fills in the welcome screen, so that the
// founder's assignment is in front and every other screen exists. Closing a
// window is recorded nowhere: tests that check the close rule set their own.
inline std::unique_ptr<Wizard> startPastWelcome()
{
    auto wizard = Wizard::launch();
    wizard->setEndHandler([] {});
    type(wizard->form1(), "Text4", QStringLiteral("Детский сад"));
    choose(wizard->form1(), "Combo1", QStringLiteral("Городской"));
    click(wizard->form1(), "Command1");
    return wizard;
}

} // namespace drive
