#include "screens/faults.h"

#include "screens/accessibility.h"
#include "screens/controls.h"
#include "screens/look.h"

#include <QLabel>

#include <algorithm>

void Faults::refuse(QLabel* error, const QList<QWidget*>& atFault, const QString& hint) {
    forget(error);
    QList<QPointer<QWidget>>& marked = m_atFault[error];
    for (QWidget* input : atFault) {
        input->setAccessibleDescription(error->text());
        FaultFrame::mark(input, true);
        marked << input;
    }
    showHint(error, hint);
    error->show();
    screenReader::announce(error);
}

void Faults::showHint(QLabel* error, const QString& hint) {
    error->setAccessibleDescription(hint);
    QLabel*& line = m_hints[error];
    if (hint.isEmpty()) {
        if (line)
            line->hide();
        return;
    }
    if (!line) {
        line = new QLabel(error->parentWidget());
        line->setObjectName(error->objectName() + QStringLiteral("Hint"));
        line->setFont(look::font(look::kSmallPoints));
        line->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        look::setTextColour(line, look::kError);
    }
    line->setText(hint);
    // One line under the error label, centred on it, as wide as it needs to be
    // within the page.
    const QRect below = error->geometry();
    const int pageWidth = error->parentWidget()->width();
    const int width = std::min(pageWidth, std::max(below.width(), line->sizeHint().width()));
    const int left = std::clamp(below.center().x() - width / 2, 0, pageWidth - width);
    line->setGeometry(left, below.bottom() + 1, width, line->sizeHint().height());
    line->show();
    line->raise();
}

void Faults::withdraw(QLabel* error) {
    error->hide();
    forget(error);
}

void Faults::forget(QLabel* error) {
    for (const QPointer<QWidget>& input : m_atFault.take(error))
        if (input) {
            input->setAccessibleDescription(QString());
            FaultFrame::mark(input, false);
        }
    if (QLabel* line = m_hints.value(error))
        line->hide();
    error->setAccessibleDescription(QString());
}
