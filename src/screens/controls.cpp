#include "screens/controls.h"

#include <QAccessible>
#include <QComboBox>
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

namespace {
constexpr int kFaultFrameWidth = 2;
const char* const kFaultFrame = "faultFrame";
} // namespace

FaultFrame::FaultFrame(QWidget* input)
    : QWidget(input->parentWidget())
    , m_input(input) {
    setObjectName(input->objectName() + QStringLiteral("Fault"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    input->installEventFilter(this);
    input->setProperty(kFaultFrame, QVariant::fromValue<QObject*>(this));
    // The frame goes as soon as the input says something else.
    if (auto* box = qobject_cast<QLineEdit*>(input))
        connect(box, &QLineEdit::textChanged, this, &FaultFrame::dismiss);
    else if (auto* list = qobject_cast<QComboBox*>(input))
        connect(list, &QComboBox::currentIndexChanged, this, &FaultFrame::dismiss);
    follow();
}

void FaultFrame::dismiss() {
    if (m_input) {
        m_input->setProperty(kFaultFrame, QVariant());
        m_input->removeEventFilter(this);
    }
    m_input = nullptr;
    hide();
    deleteLater();
}

void FaultFrame::mark(QWidget* input, bool atFault) {
    auto* frame = qobject_cast<FaultFrame*>(input->property(kFaultFrame).value<QObject*>());
    if (atFault && !frame)
        new FaultFrame(input);
    else if (!atFault && frame)
        frame->dismiss();
}

bool FaultFrame::isMarked(const QWidget* input) {
    return qobject_cast<FaultFrame*>(input->property(kFaultFrame).value<QObject*>()) != nullptr;
}

bool FaultFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_input) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FaultFrame::follow() {
    if (!m_input)
        return;
    setGeometry(m_input->geometry().adjusted(-kFaultFrameWidth, -kFaultFrameWidth, kFaultFrameWidth,
                                             kFaultFrameWidth));
    setVisible(m_input->isVisibleTo(parentWidget()));
    raise();
}

void FaultFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen pen(QColor(255, 0, 0));
    pen.setWidth(kFaultFrameWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(kFaultFrameWidth / 2.0, kFaultFrameWidth / 2.0,
                                             -kFaultFrameWidth / 2.0, -kFaultFrameWidth / 2.0));
}

QString spokenCaption(const QString& caption) {
    QString spoken = caption.simplified();
    while (spoken.endsWith(QLatin1Char('-')) || spoken.endsWith(QLatin1Char(' ')))
        spoken.chop(1);
    return spoken;
}
