#include "screens/screen.h"

#include "screens/navigator.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>

QRect fromTwips(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

namespace look {

QFont font(double points)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
}

void installFontSubstitutes()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
}

} // namespace look

namespace {

void paintBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void place(QWidget* widget, const QString& name, const QRect& twipsRect)
{
    widget->setObjectName(name);
    widget->setGeometry(fromTwips(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height()));
}

} // namespace

Screen::Screen(Navigator& navigator, const QString& name, const QString& caption, int clientWidthTwips,
               int clientHeightTwips)
    : QWidget(nullptr)
    , m_navigator(navigator)
{
    look::installFontSubstitutes();
    setObjectName(name);
    setWindowTitle(caption);
    setFont(look::font());
    paintBackground(this, look::kBackground);
    setFixedSize(twips(clientWidthTwips), twips(clientHeightTwips));
}

PlanState& Screen::plan() const { return m_navigator.plan(); }

QLabel* Screen::addLabel(const QString& name, const QString& text, const QRect& twipsRect, QWidget* parent)
{
    auto* label = new QLabel(text, parent ? parent : this);
    place(label, name, twipsRect);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit* Screen::addTextBox(const QString& name, const QRect& twipsRect, QWidget* parent)
{
    auto* box = new QLineEdit(parent ? parent : this);
    place(box, name, twipsRect);
    return box;
}

QComboBox* Screen::addList(const QString& name, const QRect& twipsRect, const QStringList& items, QWidget* parent)
{
    auto* list = new QComboBox(parent ? parent : this);
    place(list, name, twipsRect);
    list->setEditable(false);
    list->addItems(items);
    list->setCurrentIndex(-1);
    return list;
}

QComboBox* Screen::addList(const QString& name, const QRect& twipsRect, QAbstractItemModel* items,
                           QWidget* parent)
{
    auto* list = new QComboBox(parent ? parent : this);
    place(list, name, twipsRect);
    list->setEditable(false);
    list->setModel(items);
    list->setCurrentIndex(-1);
    return list;
}

QPushButton* Screen::addButton(const QString& name, const QString& text, const QRect& twipsRect, QWidget* parent)
{
    auto* button = new QPushButton(text, parent ? parent : this);
    place(button, name, twipsRect);
    button->setAutoDefault(true); // Enter presses the focused button
    return button;
}

QRadioButton* Screen::addOption(const QString& name, const QString& text, const QRect& twipsRect, QWidget* parent)
{
    auto* option = new QRadioButton(text, parent ? parent : this);
    place(option, name, twipsRect);
    paintBackground(option, look::kOption);
    option->setBackgroundRole(QPalette::Window); // buttons fill with the Button role otherwise
    return option;
}

QFrame* Screen::addFrame(const QString& name, const QRect& twipsRect, QWidget* parent)
{
    auto* frame = new QFrame(parent ? parent : this);
    place(frame, name, twipsRect);
    paintBackground(frame, look::kBackground);
    return frame;
}

void Screen::makeError(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, look::kError);
    label->setPalette(palette);
    label->hide();
}

void Screen::makeFigure(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, look::kFigure);
    label->setPalette(palette);
}

void Screen::setPoints(QWidget* widget, double points) { widget->setFont(look::font(points)); }

void Screen::setPageVisible(QWidget* page, bool visible) { page->setVisible(visible); }

void Screen::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_navigator.endProgram();
}
