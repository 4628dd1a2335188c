#include "screens/screen.h"

#include "screens/accessibility.h"
#include "screens/choice_list.h"
#include "screens/desktop_fit.h"
#include "screens/entries.h"
#include "screens/faults.h"
#include "screens/look.h"
#include "screens/notice_line.h"
#include "screens/reading_order.h"

#include <QCloseEvent>
#include <QShowEvent>

Screen::Screen(PlanState& plan, const QString& name, const QString& caption, int clientWidthTwips,
               int clientHeightTwips)
    : QWidget(nullptr)
    , TwipLayout(this)
    , m_plan(plan)
    , m_fit(std::make_unique<DesktopFit>(this, QSize(twips(clientWidthTwips), twips(clientHeightTwips))))
    , m_faults(std::make_unique<Faults>())
    , m_notice(new NoticeLine(this, *m_fit)) {
    setObjectName(name);
    setWindowTitle(caption);
    setFont(look::font());
    look::paintBackground(this, look::kBackground);
}

Screen::~Screen() = default;

QJsonObject Screen::entriesOut() const {
    return entries::out(*this);
}

void Screen::entriesBack(const QJsonObject& entries) {
    entries::back(*this, entries);
}

void Screen::focusFirstInput() {
    if (QWidget* input = firstInput())
        input->setFocus(Qt::OtherFocusReason);
}

void Screen::describeForScreenReaders() {
    readingOrder::describe(this);
}

void Screen::orderTabsByPosition() {
    readingOrder::orderTabs(this);
    adjustTabOrder();
}

void Screen::fitInto(const QRect& area, const QMargins& frame) {
    m_fit->fitInto(area, frame);
}

bool Screen::scrolls() const {
    return m_fit->scrolls();
}

void Screen::announce(const QString& text) {
    screenReader::tell(m_fit->content(), text);
}

void Screen::growClient(int twipsHeight) {
    m_fit->growLayout(twips(twipsHeight));
}

void Screen::listMade(ChoiceList* list) {
    // An item chosen by typing into the list is read out once typing pauses.
    connect(list, &ChoiceList::choiceTyped, this, [this, list] {
        if (!list->choicesToldByScreen())
            announce(list->currentText());
    });
}

void Screen::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void Screen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Shown again, a screen starts where typing starts, not on the control that
    // last had the focus (often the button that left it).
    if (!event->spontaneous())
        focusFirstInput();
}

bool Screen::focusNextPrevChild(bool next) {
    QWidget* from = focusWidget();
    if (!from)
        return QWidget::focusNextPrevChild(next);
    QWidget* to = readingOrder::nextStop(this, from, next);
    if (!to)
        return false;
    to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void Screen::setStandingNotice(const QString& text, bool tell) {
    m_notice->setStanding(text, tell);
}
