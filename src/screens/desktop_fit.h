#pragma once

#include <QMargins>
#include <QMetaObject>
#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

// A window's frame moved as little as needed to lie on the desktop area; a frame
// too large for it keeps its top-left corner (and so its caption) in view.
QRect keptOnDesktop(QRect frame, const QRect& area);

// A window of a laid-out size that never grows beyond the desktop it is fitted
// into: where the layout does not fit (large scaling on a small screen), the
// window takes the room there is and its content scrolls, so that every control
// can still be reached. The laid-out size is the layout itself plus a row below
// it for what is not always there (a notice).
class DesktopFit {
public:
    DesktopFit(QWidget* window, const QSize& layout);
    ~DesktopFit();
    DesktopFit(const DesktopFit&) = delete;
    DesktopFit& operator=(const DesktopFit&) = delete;

    // Where controls of the window's own go: the window, or its scrolled content.
    QWidget* content() const;
    const QSize& layout() const { return m_layout; }
    // The layout grows by a row of its own (a control that is not always there).
    void growLayout(int pixels);
    // The room below the layout, for the notice line; 0 takes it away.
    void setRoomBelow(int pixels);
    // Keeps the window within `area` (the available desktop) given a window frame
    // of `frame`.
    void fitInto(const QRect& area, const QMargins& frame);
    bool scrolls() const { return m_scroll != nullptr; }
    // Scrolls `shown` into view; one wider than the view shows from its start.
    void reveal(QWidget* shown, int margin);

private:
    QSize wanted() const { return {m_layout.width(), m_layout.height() + m_below}; }
    void apply();
    // Moves every control into a scrolled area, keeping places, visibility, tab
    // order and focus.
    void scrollContent();

    QWidget* m_window;
    QSize m_layout;
    int m_below = 0;
    QRect m_area;     // the desktop fitted into; invalid until then
    QMargins m_frame; // the window frame then
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QMetaObject::Connection m_following; // the keyboard, kept in sight
};
