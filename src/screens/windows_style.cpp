#include "screens/windows_style.h"

#ifdef Q_OS_WIN

#include <QApplication>
#include <QProxyStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

class CaptionRoomStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    // A button's caption is drawn clipped to its contents: never lower than a line
    // of the caption while the button itself has the room.
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override {
        QRect contents = QProxyStyle::subElementRect(element, option, widget);
        if (element != SE_PushButtonContents || !option)
            return contents;
        const int line = std::min(option->fontMetrics.height(), option->rect.height());
        if (contents.height() < line) {
            contents.setTop(option->rect.top() + (option->rect.height() - line) / 2);
            contents.setHeight(line);
        }
        return contents;
    }

    // A button drawn as the base style draws one, but with its caption in the
    // contents above: the base style asks its own rectangle, to which the caption
    // is clipped, and the caption of a low button loses its lower part.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_PushButton || !button) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        proxy()->drawControl(CE_PushButtonBevel, button, painter, widget);
        QStyleOptionButton caption = *button;
        caption.rect = proxy()->subElementRect(SE_PushButtonContents, button, widget);
        proxy()->drawControl(CE_PushButtonLabel, &caption, painter, widget);
        if (button->state & State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(*button);
            focus.rect = proxy()->subElementRect(SE_PushButtonFocusRect, button, widget);
            proxy()->drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
        }
    }
};

} // namespace

namespace look {

void installWindowsStyle() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
        dynamic_cast<const CaptionRoomStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new CaptionRoomStyle); // over the desktop's own style
}

} // namespace look

#endif
