#pragma once

#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

// A command button whose caption wraps onto further lines when it is wider than
// the button (a button of the screen's layout may be narrower than its caption in
// the substitute font); text() stays the caption as given.
class WrappingButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), caption,
                             QPalette::ButtonText);
    }
};
