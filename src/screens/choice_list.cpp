#include "screens/choice_list.h"

#include "screens/accessibility.h"
#include "screens/controls.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWheelEvent>

#include <utility>

namespace {

// The text a key press types into a list: printable, without a command
// modifier. Space keeps opening the list, as in any list.
QString typedText(const QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    const QString text = event->text();
    if (text.isEmpty() || text == QLatin1String(" "))
        return {};
    for (const QChar c : text)
        if (!c.isPrint())
            return {};
    return text;
}

} // namespace

int TypedSearch::add(const QString& text, const QAbstractItemModel& items, int currentRow) {
    const bool fresh = !m_lastKey.isValid() || m_lastKey.elapsed() > QApplication::keyboardInputInterval();
    m_lastKey.start();
    if (fresh || m_typed.isEmpty())
        m_rowBefore = currentRow;
    m_typed = fresh ? text : m_typed + text;

    const int rows = items.rowCount();
    const auto itemText = [&items](int row) { return items.index(row, 0).data(Qt::DisplayRole).toString(); };
    for (int row = 0; row < rows; ++row)
        if (itemText(row).compare(m_typed, Qt::CaseInsensitive) == 0)
            return row;

    // No item equals the text: the next one that starts with it. Pressing the
    // same key again steps through the items that start with that key.
    const bool sameKey = m_typed.count(m_typed.back()) == m_typed.size();
    const QString prefix = sameKey ? m_typed.right(1) : m_typed;
    const bool moveOn = currentRow >= 0 && (fresh || sameKey);
    const int start = currentRow < 0 ? 0 : currentRow + (moveOn ? 1 : 0);
    for (int i = 0; i < rows; ++i) {
        const int row = (start + i) % rows;
        if (itemText(row).startsWith(prefix, Qt::CaseInsensitive))
            return row;
    }
    m_typed.clear();
    return -1;
}

ChoiceList::ChoiceList(QWidget* parent)
    : QComboBox(parent) {
    // Tab and a click give the list the focus; the wheel passing over it does not.
    setFocusPolicy(Qt::StrongFocus);
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(QApplication::keyboardInputInterval());
    connect(&m_typingPause, &QTimer::timeout, this, [this] {
        if (std::exchange(m_typedChoice, false))
            emit choiceTyped();
    });
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        m_caretAtEnd = !m_caretAtEnd;
        if (QAccessible::isActive() && !m_toldByScreen && !isTyping()) {
            QAccessibleTextCursorEvent moved(this, caretPosition());
            QAccessible::updateAccessibility(&moved);
        }
    });
}

void ChoiceList::keyPressEvent(QKeyEvent* event) {
    const QString text = typedText(event);
    if (text.isEmpty()) {
        QComboBox::keyPressEvent(event);
        return;
    }
    event->accept();
    m_typingPause.start();
    const int row = m_search.add(text, *model(), currentIndex());
    if (row < 0) {
        refuseTyping();
        return;
    }
    if (row == currentIndex())
        return;
    m_typedChoice = true;
    setCurrentIndex(row);
    // An item chosen by typing is chosen like one picked with the mouse.
    emit activated(row);
    emit textActivated(itemText(row));
}

void ChoiceList::refuseTyping() {
    const int row = m_search.rowBefore();
    if (row != currentIndex()) {
        setCurrentIndex(row);
        if (row >= 0) {
            emit activated(row);
            emit textActivated(itemText(row));
        }
    }
    showRefused(true);
    if (!m_refusedTimer) {
        m_refusedTimer = new QTimer(this);
        m_refusedTimer->setSingleShot(true);
        connect(m_refusedTimer, &QTimer::timeout, this, [this] { showRefused(false); });
    }
    m_refusedTimer->start(kRefusedMilliseconds);
    announceNoSuchItem();
}

void ChoiceList::announceNoSuchItem() {
    if (!m_noSuchItem) {
        // Heard, not seen.
        m_noSuchItem = new NotificationLabel(QStringLiteral("нет такого значения"), this);
        m_noSuchItem->setObjectName(objectName() + QStringLiteral("NoSuchItem"));
        m_noSuchItem->setGeometry(0, 0, 0, 0);
    }
    m_noSuchItem->show();
    screenReader::announce(m_noSuchItem);
}

void ChoiceList::showRefused(bool refused) {
    setProperty("refused", refused);
    QPalette colours = palette();
    const QColor text = refused ? QColor(255, 0, 0) : QApplication::palette(this).color(QPalette::ButtonText);
    colours.setColor(QPalette::ButtonText, text);
    colours.setColor(QPalette::Text, refused ? text : QApplication::palette(this).color(QPalette::Text));
    setPalette(colours);
}

void ChoiceList::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore(); // the window scrolls instead
        return;
    }
    QComboBox::wheelEvent(event);
}

void ChoiceList::showPopup() {
    // Typing into the open list searches the same way; Enter or a click takes
    // the item as usual.
    if (!m_watchingPopup) {
        view()->installEventFilter(this);
        m_watchingPopup = true;
    }
    QComboBox::showPopup();
}

bool ChoiceList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const QString text = typedText(static_cast<QKeyEvent*>(event));
        if (!text.isEmpty()) {
            const int row = m_search.add(text, *model(), view()->currentIndex().row());
            const int shown = row >= 0 ? row : m_search.rowBefore();
            if (shown >= 0) {
                const QModelIndex index = model()->index(shown, modelColumn(), rootModelIndex());
                view()->setCurrentIndex(index);
                view()->scrollTo(index);
            }
            if (row < 0)
                announceNoSuchItem();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
