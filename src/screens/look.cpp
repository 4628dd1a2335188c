#include "screens/look.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <QWidget>

QRect fromTwips(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

namespace look {

const QString& family() {
    // Resolved once: asking the font system for a family it lacks sends it through
    // a slow search for fallbacks on every font made from that name. A font
    // installed under its own name is found in the list of families; only when
    // none is does each name go through the font system's aliases, a
    // millisecond's work per name at start-up.
    static const QString resolved = [] {
#ifdef Q_OS_WIN
        // Windows keeps "MS Sans Serif" as a bitmap face of a few sizes only; its
        // outline twin, metric for metric, scales with the display.
        const QStringList candidates{QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                     QStringLiteral("Arial"), QStringLiteral("Tahoma")};
#else
        const QStringList candidates{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                                     QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")};
#endif
        const QStringList installed = QFontDatabase::families();
        for (const QString& name : candidates)
            if (installed.contains(name, Qt::CaseInsensitive))
                return name;
        for (const QString& name : candidates)
            if (QFontDatabase::hasFamily(name))
                return name;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return resolved;
}

QFont font(double points) {
    QFont f(family());
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
}

void paintBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void setPoints(QWidget* widget, double points) {
    widget->setFont(font(points));
}

} // namespace look
