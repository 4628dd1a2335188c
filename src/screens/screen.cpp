#include "screens/screen.h"

#include "screens/accessibility.h"
#include "screens/choice_list.h"
#include "screens/controls.h"
#include "screens/navigator.h"
#include "state/draft.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cstdlib>

QRect fromTwips(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

namespace look {

const QString& family()
{
    // Resolved once: asking the font system for a family it lacks sends it through
    // a slow search for fallbacks on every font made from that name.
    static const QString resolved = [] {
        const QStringList candidates{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                                     QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")};
        for (const QString& name : candidates)
            if (QFontDatabase::hasFamily(name))
                return name;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return resolved;
}

QFont font(double points)
{
    QFont f(family());
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
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
    setObjectName(name);
    setWindowTitle(caption);
    setFont(look::font());
    paintBackground(this, look::kBackground);
    m_clientHeight = twips(clientHeightTwips);
    setFixedSize(twips(clientWidthTwips), m_clientHeight);
}

bool openWithDesktop(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void Screen::showNotice(const QString& text, const QString& folder, bool problem)
{
    if (!m_notice) {
        m_notice = new NotificationLabel(QString(), this);
        m_notice->setObjectName(QStringLiteral("Notice"));
        m_notice->setWordWrap(true);
        m_notice->setTextFormat(Qt::RichText);
        // The path can be copied; the link opens the folder.
        m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse |
                                          Qt::LinksAccessibleByKeyboard);
        connect(m_notice, &QLabel::linkActivated, this,
                [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    }
    if (text.isEmpty()) {
        m_notice->hide();
        setFixedHeight(m_clientHeight);
        return;
    }
    constexpr int kMargin = 8;
    setTextColour(m_notice, problem ? QColor(128, 0, 0) : QColor(0, 0, 128));
    QString shown = text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    if (!folder.isEmpty())
        shown += QStringLiteral(" <a href=\"%1\">Открыть папку</a>")
                     .arg(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded).toHtmlEscaped());
    m_notice->setText(shown);
    // A screen reader reads the message itself, not the markup around it.
    m_notice->setAccessibleName(text.simplified());
    const int height = m_notice->heightForWidth(width() - 2 * kMargin);
    m_notice->setGeometry(kMargin, m_clientHeight, width() - 2 * kMargin, height);
    m_notice->show();
    setFixedHeight(m_clientHeight + height + kMargin);
    screenReader::announce(m_notice);
}

void Screen::announce(const QString& text) {
    if (!m_announcer) {
        // Heard, not seen: a notification of no size.
        m_announcer = new NotificationLabel(QString(), this);
        m_announcer->setObjectName(QStringLiteral("Announcer"));
        m_announcer->setGeometry(0, 0, 0, 0);
    }
    m_announcer->setText(text);
    m_announcer->show();
    screenReader::announce(m_announcer);
}

void Screen::refuse(QLabel* error, const QList<QWidget*>& atFault) {
    forgetFaults(error);
    QList<QPointer<QWidget>>& marked = m_atFault[error];
    for (QWidget* input : atFault) {
        input->setAccessibleDescription(error->text());
        marked << input;
    }
    error->show();
    screenReader::announce(error);
}

void Screen::clearError(QLabel* error) {
    error->hide();
    forgetFaults(error);
}

void Screen::forgetFaults(QLabel* error) {
    for (const QPointer<QWidget>& input : m_atFault.take(error))
        if (input)
            input->setAccessibleDescription(QString());
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

QLineEdit* Screen::addTextBox(const QString& name, const QRect& twipsRect, QWidget* parent) {
    auto* box = new TextBox(parent ? parent : this);
    place(box, name, twipsRect);
    return box;
}

QComboBox* Screen::addList(const QString& name, const QRect& twipsRect, const QStringList& items, QWidget* parent)
{
    auto* list = new ChoiceList(parent ? parent : this);
    place(list, name, twipsRect);
    list->setEditable(false);
    list->addItems(items);
    list->setCurrentIndex(-1);
    return list;
}

QComboBox* Screen::addList(const QString& name, const QRect& twipsRect, QAbstractItemModel* items,
                           QWidget* parent)
{
    auto* list = new ChoiceList(parent ? parent : this);
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

Group* Screen::addGroup(const QString& name, const QString& subject, const QRect& twipsRect,
                        QWidget* parent) {
    auto* group = new Group(subject, parent ? parent : this);
    place(group, name, twipsRect);
    paintBackground(group, look::kBackground);
    return group;
}

Figure* Screen::addFigure(const QString& name, const QString& text, const QRect& twipsRect, QWidget* parent) {
    auto* figure = new Figure(text, parent ? parent : this);
    place(figure, name, twipsRect);
    figure->setWordWrap(true);
    figure->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(figure, look::kFigure);
    return figure;
}

QLabel* Screen::addError(const QString& name, const QString& text, const QRect& twipsRect, QWidget* parent) {
    auto* label = new NotificationLabel(text, parent ? parent : this);
    place(label, name, twipsRect);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(label, look::kError);
    label->hide();
    return label;
}

void Screen::setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void Screen::setPoints(QWidget* widget, double points) {
    widget->setFont(look::font(points));
}

void Screen::setPageVisible(QWidget* page, bool visible) { page->setVisible(visible); }

namespace {

// A caption worth reading out: it has a letter in it (not "%", "(", ".").
bool isCaption(const QLabel* label) {
    if (qobject_cast<const Figure*>(label))
        return false;
    const QString text = label->text();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// Punctuation drawn beside inputs: some text, but no letter and no digit.
bool isPunctuation(const QLabel* label) {
    const QString text = label->text().simplified();
    return !text.isEmpty() &&
           std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QRect rectIn(const QWidget* w, const QWidget* screen) { return QRect(w->mapTo(screen, QPoint(0, 0)), w->size()); }

// Whether two widgets lie on the same page: the label's parent holds the control.
bool samePage(const QWidget* label, const QWidget* control)
{
    return label->parentWidget() == control->parentWidget()
           || label->parentWidget()->isAncestorOf(control);
}

// The caption that prompts `control`: the nearest caption to its left on the same
// line, else the nearest one above it.
QLabel* promptOf(const QWidget* control, const QList<QLabel*>& labels, const QWidget* screen) {
    const QRect c = rectIn(control, screen);
    QLabel* left = nullptr;
    QLabel* above = nullptr;
    int leftGap = INT_MAX, aboveGap = INT_MAX;
    for (QLabel* label : labels) {
        if (!samePage(label, control) || !isCaption(label))
            continue;
        const QRect l = rectIn(label, screen);
        const bool sameLine = l.top() < c.bottom() && l.bottom() > c.top();
        const bool sameColumn = l.left() < c.right() && l.right() > c.left();
        if (sameLine && l.right() <= c.left() + 4 && c.left() - l.right() < leftGap) {
            leftGap = c.left() - l.right();
            left = label;
        } else if (sameColumn && l.bottom() <= c.top() + 4 && c.top() - l.bottom() < aboveGap) {
            aboveGap = c.top() - l.bottom();
            above = label;
        }
    }
    return left ? left : above;
}

} // namespace

void Screen::describeForScreenReaders()
{
    const QList<QLabel*> labels = findChildren<QLabel*>();
    for (QWidget* w : findChildren<QWidget*>()) {
        if (auto* figure = qobject_cast<Figure*>(w)) {
            figure->setCaption(promptOf(figure, labels, this));
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (isPunctuation(label))
                screenReader::makeDecorative(label);
            continue;
        }
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w);
        if (!input || !w->accessibleName().isEmpty())
            continue;
        if (QLabel* prompt = promptOf(w, labels, this)) {
            w->setAccessibleName(spokenCaption(prompt->text()));
            prompt->setBuddy(w);
        }
    }
}

void Screen::readColumnsFirst(QWidget* grid) { grid->setProperty("columnsFirst", true); }

void Screen::orderTabsByPosition()
{
    QList<QWidget*> stops;
    for (QWidget* w : findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->window() == this)
            stops << w; // not the lists' pop-up windows
    // The grid a control lies in, if any: the grid takes its place among the other
    // controls as a whole, and its own controls are read down each column.
    const auto gridOf = [this](const QWidget* w) -> const QWidget* {
        for (const QWidget* p = w->parentWidget(); p && p != this; p = p->parentWidget())
            if (p->property("columnsFirst").toBool())
                return p;
        return nullptr;
    };
    // Rows (and a grid's columns) are the controls whose tops (lefts) lie within
    // half a line of each other.
    constexpr int kTolerance = 8;
    std::stable_sort(stops.begin(), stops.end(), [&](const QWidget* a, const QWidget* b) {
        const QWidget* gridA = gridOf(a);
        const QWidget* gridB = gridOf(b);
        if (gridA && gridA == gridB) {
            const QRect ra = rectIn(a, this), rb = rectIn(b, this);
            if (std::abs(ra.left() - rb.left()) > kTolerance)
                return ra.left() < rb.left();
            return ra.top() < rb.top();
        }
        const QRect ra = rectIn(gridA ? gridA : a, this), rb = rectIn(gridB ? gridB : b, this);
        if (std::abs(ra.top() - rb.top()) > kTolerance)
            return ra.top() < rb.top();
        return ra.left() < rb.left();
    });
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);
}

void Screen::pressOnEnter(QLineEdit* box, QAbstractButton* button)
{
    connect(box, &QLineEdit::returnPressed, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
}

void Screen::focusFirstInput()
{
    if (QWidget* input = firstInput())
        input->setFocus(Qt::OtherFocusReason);
}

void Screen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Shown again, a screen starts where typing starts, not on the control that
    // last had the focus (often the button that left it).
    if (!event->spontaneous())
        focusFirstInput();
}

void Screen::growClient(int twipsHeight) {
    m_clientHeight += twips(twipsHeight);
    setFixedHeight(m_clientHeight);
}

QJsonObject Screen::entriesOut() const {
    QJsonObject entries;
    for (const QLineEdit* box : findChildren<QLineEdit*>())
        if (!box->objectName().isEmpty())
            entries.insert(box->objectName(), draft::textToJson(box->text()));
    for (const QComboBox* list : findChildren<QComboBox*>())
        if (!list->objectName().isEmpty())
            entries.insert(list->objectName(), list->currentText());
    for (const QRadioButton* option : findChildren<QRadioButton*>())
        if (!option->objectName().isEmpty())
            entries.insert(option->objectName(), option->isChecked());
    return entries;
}

void Screen::entriesBack(const QJsonObject& entries) {
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
        const auto text = draft::textFromJson(entries.value(box->objectName()));
        if (!box->objectName().isEmpty() && text)
            box->setText(*text);
    }
    for (QComboBox* list : findChildren<QComboBox*>()) {
        const QJsonValue item = entries.value(list->objectName());
        if (list->objectName().isEmpty() || !item.isString())
            continue;
        // Only the list's own items; setting it is not a choice the user made.
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(list->findText(item.toString(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    // Options switch their pages' entry modes as if clicked.
    for (QRadioButton* option : findChildren<QRadioButton*>())
        if (entries.value(option->objectName()).toBool())
            option->setChecked(true);
}

void Screen::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_navigator.endProgram();
}
