#include "screens/desktop_fit.h"

#include "screens/look.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <climits>

QRect keptOnDesktop(QRect frame, const QRect& area) {
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    return frame;
}

DesktopFit::DesktopFit(QWidget* window, const QSize& layout)
    : m_window(window)
    , m_layout(layout) {
    apply();
}

DesktopFit::~DesktopFit() {
    QObject::disconnect(m_following);
}

QWidget* DesktopFit::content() const {
    return m_content ? m_content : m_window;
}

void DesktopFit::growLayout(int pixels) {
    m_layout.rheight() += pixels;
    apply();
}

void DesktopFit::setRoomBelow(int pixels) {
    m_below = pixels;
    apply();
}

void DesktopFit::fitInto(const QRect& area, const QMargins& frame) {
    m_area = area;
    m_frame = frame;
    apply();
}

void DesktopFit::apply() {
    const QSize wanted = this->wanted();
    const QSize room = m_area.isValid() ? m_area.size().shrunkBy(m_frame) : QSize(INT_MAX, INT_MAX);
    const bool fits = wanted.width() <= room.width() && wanted.height() <= room.height();
    if (fits && !m_scroll) {
        m_window->setFixedSize(wanted);
        return;
    }
    if (!m_scroll)
        scrollContent();
    m_content->setFixedSize(wanted);
    // A scroll bar for one direction takes room from the other.
    const int bar = m_window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_window);
    QSize shown = wanted.boundedTo(room);
    if (wanted.height() > room.height())
        shown.setWidth(std::min(room.width(), wanted.width() + bar));
    if (wanted.width() > room.width())
        shown.setHeight(std::min(room.height(), wanted.height() + bar));
    m_window->setFixedSize(shown);
    m_scroll->setGeometry(m_window->rect());
    // Kept whole on the desktop as it grows.
    if (m_window->isVisible() && m_area.isValid()) {
        // The frame the window manager really gave the window, once it has one.
        const QRect inner = m_window->geometry();
        const bool framed = m_window->frameGeometry().isValid() && m_window->frameGeometry() != inner;
        const QRect outer = framed ? m_window->frameGeometry() : inner.marginsAdded(m_frame);
        const QPoint topLeft = keptOnDesktop(outer, m_area).topLeft();
        // Until the frame is known, moving a shown window places its inside, not
        // its frame: leave room for the frame that is expected, or the caption
        // would go above the desktop.
        if (topLeft != outer.topLeft())
            m_window->move(framed ? topLeft : topLeft + QPoint(m_frame.left(), m_frame.top()));
    }
}

void DesktopFit::scrollContent() {
    // The tab order as it stands, to be made again after the move.
    QList<QWidget*> chain;
    for (QWidget* w = m_window->nextInFocusChain(); w && w != m_window; w = w->nextInFocusChain())
        chain << w;
    QWidget* focused = m_window->focusWidget();

    m_content = new QWidget;
    m_content->setObjectName(m_window->objectName() + QStringLiteral("Content"));
    look::paintBackground(m_content, look::kBackground);
    m_content->setFixedSize(wanted());
    const QList<QWidget*> children = m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->isWindow())
            continue;
        const bool shown = !child->isHidden();
        const QRect place = child->geometry();
        child->setParent(m_content);
        child->setGeometry(place);
        child->setVisible(shown);
    }
    m_scroll = new QScrollArea(m_window);
    m_scroll->setObjectName(m_window->objectName() + QStringLiteral("Scroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidget(m_content);
    look::paintBackground(m_scroll->viewport(), look::kBackground);
    m_scroll->show();

    for (qsizetype i = 1; i < chain.size(); ++i)
        if (chain[i - 1]->window() == m_window && chain[i]->window() == m_window)
            QWidget::setTabOrder(chain[i - 1], chain[i]);
    if (focused)
        focused->setFocus(Qt::OtherFocusReason);
    // The keyboard never works out of sight.
    m_following =
        QObject::connect(qApp, &QApplication::focusChanged, m_scroll, [this](QWidget*, QWidget* now) {
            if (now && m_content->isAncestorOf(now))
                reveal(now, 8);
        });
}

void DesktopFit::reveal(QWidget* shown, int margin) {
    if (!m_scroll)
        return;
    m_scroll->ensureWidgetVisible(shown, margin, margin);
    // A line is read from its beginning, not from its middle.
    if (shown->width() + 2 * margin > m_scroll->viewport()->width())
        m_scroll->horizontalScrollBar()->setValue(shown->mapTo(m_content, QPoint(0, 0)).x() - margin);
}
