#include "screens/controls.h"

#include <QAccessible>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
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

QRect TextBox::characterRect(int offset) const {
    const QString shown = displayText();
    if (offset < 0 || offset >= shown.size())
        return {};
    // The caret is drawn at its own position; the character lies as far from it
    // as the text between them is wide.
    const QFontMetrics metrics = fontMetrics();
    const QRect caret = cursorRect();
    const int caretX = caret.left() + caret.width() / 2;
    const int x = caretX - metrics.horizontalAdvance(shown.left(cursorPosition())) +
                  metrics.horizontalAdvance(shown.left(offset));
    return {x, caret.top(), metrics.horizontalAdvance(shown.at(offset)), caret.height()};
}

OptionButton::OptionButton(const QString& text, QWidget* parent)
    : QRadioButton(text, parent) {}

QList<QRadioButton*> OptionButton::set() const {
    QList<QRadioButton*> options;
    for (QObject* sibling : parentWidget()->children()) {
        auto* option = qobject_cast<QRadioButton*>(sibling);
        if (option && option->autoExclusive() && option->isVisibleTo(window()) && option->isEnabled())
            options << option;
    }
    return options;
}

void OptionButton::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    default:
        QRadioButton::keyPressEvent(event);
        return;
    }
    const QList<QRadioButton*> options = set();
    const qsizetype index = options.indexOf(this);
    if (index < 0 || options.size() < 2) {
        QRadioButton::keyPressEvent(event);
        return;
    }
    event->accept();
    QRadioButton* target = options.at((index + step + options.size()) % options.size());
    // Chosen first, so that the option takes the keyboard as the chosen one.
    target->click();
    target->setFocus(Qt::OtherFocusReason);
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

void NotificationLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (!m_link.isEmpty() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        emit linkActivated(m_link);
        return;
    }
    QLabel::keyPressEvent(event);
}

QString spokenFigures(std::initializer_list<const QLabel*> figures) {
    QStringList spoken;
    for (const QLabel* label : figures) {
        const auto* figure = qobject_cast<const Figure*>(label);
        spoken << (figure ? figure->spokenText() : label->text());
    }
    return spoken.join(QStringLiteral(". "));
}

void describe(QWidget* control, const QString& description) {
    if (control->accessibleDescription() != description)
        control->setAccessibleDescription(description);
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
