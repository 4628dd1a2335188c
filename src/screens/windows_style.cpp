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
