#include "screens/controls.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

TextBox::TextBox(QWidget* parent)
    : QLineEdit(parent) {}

void TextBox::focusInEvent(QFocusEvent* event) {
    const bool byTab = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (!byTab || !QAccessible::isActive()) {
        QLineEdit::focusInEvent(event);
        return;
    }
    // Qt tells assistive technology of the new focus only once this handler is
    // done; the selection is made after that.
    QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&plain);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (hasFocus() && !hasSelectedText())
                selectAll();
        },
        Qt::QueuedConnection);
}

Group::Group(const QString& subject, QWidget* parent)
    : QWidget(parent) {
    setAccessibleName(subject);
}

void Group::setBorder(bool border) {
    m_border = border;
    update();
}

void Group::paintEvent(QPaintEvent*) {
    if (!m_border)
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// Labels take their text once they are what they are: setting it tells assistive
// technology, which from then on knows the label by what it was at that moment.
Figure::Figure(const QString& text, QWidget* parent)
    : QLabel(parent) {
    setText(text);
    setFocusPolicy(Qt::TabFocus);
}

void Figure::setCaption(const QLabel* caption) {
    m_caption = caption;
}

QString Figure::spokenText() const {
    const QString shown = text();
    QStringList parts;
    if (m_caption)
        parts << spokenCaption(m_caption->text());
    parts << shown;
    // An amount is in roubles; a notice in its place ("вне диапазона") is not.
    if (std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.isDigit(); }))
        parts << QStringLiteral("рублей");
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

void Figure::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void Figure::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void Figure::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}

NotificationLabel::NotificationLabel(const QString& text, QWidget* parent)
    : QLabel(parent) {
    setText(text);
}

QString spokenCaption(const QString& caption) {
    QString spoken = caption.simplified();
    while (spoken.endsWith(QLatin1Char('-')) || spoken.endsWith(QLatin1Char(' ')))
        spoken.chop(1);
    return spoken;
}
