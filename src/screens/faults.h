#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

class QLabel;
class QWidget;

// The refusals of a screen's checks. A refused check shows its error label, a
// screen reader reads it out (every time, also when it is showing already), and
// the inputs at fault carry the error as their description until the check
// passes; each is framed in red until it changes. A hint, when given, says in one
// line under the error label what is wrong (and is the error label's description
// for screen readers).
class Faults {
public:
    void refuse(QLabel* error, const QList<QWidget*>& atFault, const QString& hint = {});
    // The check passed, or the page is left: the error label hides and the inputs
    // lose the error's description.
    void withdraw(QLabel* error);

private:
    void forget(QLabel* error);
    void showHint(QLabel* error, const QString& hint);

    QHash<QLabel*, QList<QPointer<QWidget>>> m_atFault; // per error label
    QHash<QLabel*, QLabel*> m_hints;                    // per error label
};
