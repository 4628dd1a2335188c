#include "screens/screen.h"

#include "screens/accessibility.h"
#include "screens/choice_list.h"
#include "screens/controls.h"
#include "screens/desktop_opener.h"
#include "screens/navigator.h"
#include "state/fixed_amount.h"
#include "state/number_rules.h"
#include "state/draft.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QStyle>
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
#ifdef Q_OS_WIN
        // Windows keeps "MS Sans Serif" as a bitmap face of a few sizes only; its
        // outline twin, metric for metric, scales with the display.
        const QStringList candidates{QStringLiteral("Microsoft Sans Serif"),
                                     QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                     QStringLiteral("Tahoma")};
#else
        const QStringList candidates{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                                     QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")};
#endif
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
    setWantedSize(QSize(twips(clientWidthTwips), m_clientHeight));
}

QWidget* Screen::content() {
    return m_content ? m_content : this;
}

void Screen::setWantedSize(const QSize& wanted) {
    m_wanted = wanted;
    applySize();
}

void Screen::fitInto(const QRect& area, const QMargins& frame) {
    m_area = area;
    m_frame = frame;
    applySize();
}

void Screen::applySize() {
    const QSize room = m_area.isValid() ? m_area.size().shrunkBy(m_frame) : QSize(INT_MAX, INT_MAX);
    const bool fits = m_wanted.width() <= room.width() && m_wanted.height() <= room.height();
    if (fits && !m_scroll) {
        setFixedSize(m_wanted);
        return;
    }
    if (!m_scroll)
        scrollContent();
    m_content->setFixedSize(m_wanted);
    // A scroll bar for one direction takes room from the other.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    QSize shown = m_wanted.boundedTo(room);
    if (m_wanted.height() > room.height())
        shown.setWidth(std::min(room.width(), m_wanted.width() + bar));
    if (m_wanted.width() > room.width())
        shown.setHeight(std::min(room.height(), m_wanted.height() + bar));
    setFixedSize(shown);
    m_scroll->setGeometry(rect());
    // Kept whole on the desktop as it grows.
    if (isVisible() && m_area.isValid()) {
        // The frame the window manager really gave the window, once it has one.
        const bool framed = frameGeometry().isValid() && frameGeometry() != geometry();
        const QRect outer = framed ? frameGeometry() : geometry().marginsAdded(m_frame);
        QPoint topLeft = outer.topLeft();
        topLeft.setX(std::max(m_area.left(), std::min(topLeft.x(), m_area.right() + 1 - outer.width())));
        topLeft.setY(std::max(m_area.top(), std::min(topLeft.y(), m_area.bottom() + 1 - outer.height())));
        // Until the frame is known, moving a shown window places its inside, not
        // its frame: leave room for the frame that is expected, or the caption
        // would go above the desktop.
        if (topLeft != outer.topLeft())
            move(framed ? topLeft : topLeft + QPoint(m_frame.left(), m_frame.top()));
    }
}

void Screen::scrollContent() {
    // The tab order as it stands, to be made again after the move.
    QList<QWidget*> chain;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        chain << w;
    QWidget* focused = focusWidget();

    m_content = new QWidget;
    m_content->setObjectName(objectName() + QStringLiteral("Content"));
    paintBackground(m_content, look::kBackground);
    m_content->setFixedSize(m_wanted);
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->isWindow())
            continue;
        const bool shown = !child->isHidden();
        const QRect place = child->geometry();
        child->setParent(m_content);
        child->setGeometry(place);
        child->setVisible(shown);
    }
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(objectName() + QStringLiteral("Scroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidget(m_content);
    paintBackground(m_scroll->viewport(), look::kBackground);
    m_scroll->show();

    for (qsizetype i = 1; i < chain.size(); ++i)
        if (chain[i - 1]->window() == this && chain[i]->window() == this)
            setTabOrder(chain[i - 1], chain[i]);
    if (focused)
        focused->setFocus(Qt::OtherFocusReason);
    // The keyboard never works out of sight.
    connect(qApp, &QApplication::focusChanged, m_scroll, [this](QWidget*, QWidget* now) {
        if (now && m_content->isAncestorOf(now))
            reveal(now, 8);
    });
}

void Screen::reveal(QWidget* shown, int margin)
{
    m_scroll->ensureWidgetVisible(shown, margin, margin);
    // A line is read from its beginning, not from its middle.
    if (shown->width() + 2 * margin > m_scroll->viewport()->width())
        m_scroll->horizontalScrollBar()->setValue(shown->mapTo(m_content, QPoint(0, 0)).x() - margin);
}

void Screen::showNotice(const QString& text, const QString& folder, bool problem)
{
    if (!m_notice) {
        m_notice = new NotificationLabel(QString(), content());
        m_notice->setObjectName(QStringLiteral("Notice"));
        m_notice->setWordWrap(true);
        m_notice->setTextFormat(Qt::RichText);
        // The path can be copied; the link opens the folder. For the keyboard the
        // notice is one stop, read with its link; Enter opens the folder.
        m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
        connect(m_notice, &QLabel::linkActivated, this, [this](const QString& link) {
            const QString linked = QUrl(link).toLocalFile();
            const auto failed = [this, linked] {
                // Said once, below what the notice already tells.
                if (!m_generation || m_notice->isHidden() ||
                    m_generation->notices.contains(notices::folderOpenFailed(linked)))
                    return;
                m_generation->notices << notices::folderOpenFailed(linked);
                showGeneration(*m_generation);
            };
            if (!desktop::open(linked, this, failed))
                failed();
        });
    }
    m_figuresAtNotice.clear();
    for (const Figure* figure : findChildren<Figure*>())
        m_figuresAtNotice << figure->text();
    auto* notice = static_cast<NotificationLabel*>(m_notice);
    // Asked where the keyboard is, a screen reader also reads the notice while it
    // is shown: it is part of the description of the control that brought it.
    if (m_noticeTeller) {
        QString told = m_noticeTeller->accessibleDescription();
        if (told.endsWith(m_toldNotice))
            told.chop(m_toldNotice.size());
        m_noticeTeller->setAccessibleDescription(told);
    }
    m_noticeTeller = nullptr;
    if (text.isEmpty()) {
        m_generation.reset();
        m_notice->hide();
        m_notice->setFocusPolicy(Qt::NoFocus);
        notice->setLink(QString());
        setWantedSize(QSize(m_wanted.width(), m_clientHeight));
        return;
    }
    constexpr int kMargin = 8;
    setTextColour(m_notice, problem ? QColor(128, 0, 0) : QColor(0, 0, 128));
    QString shown = text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    const QString link =
        folder.isEmpty() ? QString() : QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded);
    if (!folder.isEmpty())
        // The link is one piece: it never wraps between its two words.
        shown += QStringLiteral(" <a href=\"%1\">Открыть&nbsp;папку</a>").arg(link.toHtmlEscaped());
    m_notice->setText(shown);
    notice->setLink(link);
    m_notice->setFocusPolicy(Qt::TabFocus);
    // A screen reader reads the message itself, not the markup around it.
    const QString spoken = text.simplified();
    m_notice->setAccessibleName(folder.isEmpty() ? spoken : spoken + QStringLiteral(" Открыть папку"));
    if (QWidget* teller = focusWidget(); teller && teller != m_notice) {
        m_noticeTeller = teller;
        const QString before = teller->accessibleDescription();
        m_toldNotice = before.isEmpty() ? spoken : QStringLiteral(". ") + spoken;
        teller->setAccessibleDescription(before + m_toldNotice);
    }
    const int width = m_wanted.width();
    const int height = m_notice->heightForWidth(width - 2 * kMargin);
    m_notice->setGeometry(kMargin, m_clientHeight, width - 2 * kMargin, height);
    m_notice->show();
    setWantedSize(QSize(width, m_clientHeight + height + kMargin));
    if (m_scroll)
        reveal(m_notice, 0);
    // Read out as it appears, as news, whatever the notice itself is told as.
    announce(spoken);
}

void Screen::showGeneration(const GenerationResult& result) {
    showNotice(result.noticeText(), result.written ? QFileInfo(result.filePath).absolutePath() : QString(),
               !result.wentWell());
    m_generation = result;
}

PlanOpener Screen::planOpener() {
    return [this](const QString& path) {
        return desktop::open(path, this, [this, path] {
            // Only while the notice still tells of that file.
            if (!m_generation || m_generation->filePath != path || !m_notice || m_notice->isHidden())
                return;
            m_generation->openingFailed();
            showGeneration(*m_generation);
        });
    };
}

void Screen::figuresShown() {
    if (!m_notice || m_notice->isHidden()) // also while the screen itself is hidden
        return;
    QStringList now;
    for (const Figure* figure : findChildren<Figure*>())
        now << figure->text();
    if (now != m_figuresAtNotice)
        showNotice(QString());
}

void Screen::announce(const QString& text) {
    if (!m_announcer) {
        // Heard, not seen: a notification of no size.
        m_announcer = new NotificationLabel(QString(), content());
        m_announcer->setObjectName(QStringLiteral("Announcer"));
        m_announcer->setGeometry(0, 0, 0, 0);
    }
    m_announcer->setText(text);
    m_announcer->show();
    screenReader::announce(m_announcer);
}

void Screen::refuse(QLabel* error, const QList<QWidget*>& atFault, const QString& hint) {
    forgetFaults(error);
    QList<QPointer<QWidget>>& marked = m_atFault[error];
    for (QWidget* input : atFault) {
        input->setAccessibleDescription(error->text());
        FaultFrame::mark(input, true);
        marked << input;
    }
    showHint(error, hint);
    error->show();
    screenReader::announce(error);
}

void Screen::showHint(QLabel* error, const QString& hint) {
    error->setAccessibleDescription(hint);
    QLabel*& line = m_hints[error];
    if (hint.isEmpty()) {
        if (line)
            line->hide();
        return;
    }
    if (!line) {
        line = new QLabel(error->parentWidget());
        line->setObjectName(error->objectName() + QStringLiteral("Hint"));
        line->setFont(look::font(kHintPoints));
        line->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        setTextColour(line, look::kError);
    }
    line->setText(hint);
    // One line under the error label, centred on it, as wide as it needs to be
    // within the page.
    const QRect below = error->geometry();
    const int pageWidth = error->parentWidget()->width();
    const int width = std::min(pageWidth, std::max(below.width(), line->sizeHint().width()));
    const int left = std::clamp(below.center().x() - width / 2, 0, pageWidth - width);
    line->setGeometry(left, below.bottom() + 1, width, line->sizeHint().height());
    line->show();
    line->raise();
}

void Screen::clearError(QLabel* error) {
    error->hide();
    forgetFaults(error);
}

void Screen::forgetFaults(QLabel* error) {
    for (const QPointer<QWidget>& input : m_atFault.take(error))
        if (input) {
            input->setAccessibleDescription(QString());
            FaultFrame::mark(input, false);
        }
    if (QLabel* line = m_hints.value(error))
        line->hide();
    error->setAccessibleDescription(QString());
}

QString Screen::amountHint(const QString& text, const QString& where) {
    if (FixedAmount::fromText(text))
        return {};
    if (text.trimmed().isEmpty())
        return where.isEmpty() ? QStringLiteral("Не введена сумма")
                               : QStringLiteral("Не введена сумма ") + where;
    if (numbers::isNumeral(text))
        return QStringLiteral("Число слишком велико");
    const QLocale locale;
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    return QStringLiteral("Введите число: цифры и %1, например 12500000%2")
        .arg(comma ? QStringLiteral("запятая") : QStringLiteral("точка"),
             locale.decimalPoint() + QStringLiteral("50"));
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
    tellTypedChoices(list);
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
    tellTypedChoices(list);
    return list;
}

void Screen::tellTypedChoices(ChoiceList* list) {
    connect(list, &ChoiceList::choiceTyped, this, [this, list] {
        if (!list->choicesToldByScreen())
            announce(list->currentText());
    });
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
    auto* option = new OptionButton(text, parent ? parent : this);
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
        if (qobject_cast<Figure*>(w))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            // Punctuation, and units, which the box or figure they stand beside
            // says itself ("рублей в месяц" is the description of its list).
            if (isPunctuation(label) || label->text().simplified().startsWith(QStringLiteral("рублей")))
                screenReader::makeDecorative(label);
            continue;
        }
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w);
        if (!input || !w->accessibleName().isEmpty())
            continue;
        if (QLabel* prompt = promptOf(w, labels, this)) {
            w->setAccessibleName(spokenCaption(prompt->text()));
            prompt->setBuddy(w);
            // Screen readers read a box's name from its caption, also the dash.
            if (prompt->text() != w->accessibleName())
                prompt->setAccessibleName(w->accessibleName());
        }
    }
    // A figure is read with its caption; a caption of nothing else is left out,
    // so that it is not read twice.
    for (Figure* figure : findChildren<Figure*>()) {
        QLabel* caption = promptOf(figure, labels, this);
        figure->setCaption(caption);
        if (caption && !caption->buddy())
            screenReader::makeDecorative(caption);
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
    adjustTabOrder();
}

namespace {

// Whether Tab stops at a control of the screen.
bool isTabStop(const QWidget* w, const QWidget* screen) {
    if (w->window() != screen || (w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy() ||
        !w->isVisibleTo(screen) || !w->isEnabled())
        return false;
    // An option of a set is entered on the chosen one; the others are reached
    // from it with the arrow keys.
    if (const auto* option = qobject_cast<const OptionButton*>(w); option && !option->isChecked()) {
        const QList<QRadioButton*> set = option->set();
        return std::none_of(set.begin(), set.end(), [](const QRadioButton* o) { return o->isChecked(); });
    }
    return true;
}

} // namespace

bool Screen::focusNextPrevChild(bool next) {
    QWidget* from = focusWidget();
    if (!from)
        return QWidget::focusNextPrevChild(next);
    for (QWidget* w = from;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return false;
        if (isTabStop(w, this)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
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
    setWantedSize(QSize(m_wanted.width(), m_clientHeight));
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
