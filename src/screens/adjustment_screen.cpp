#include "screens/adjustment_screen.h"

#include "calc/adjustment.h"
#include "calc/preliminary.h"
#include "screens/choice_list.h"
#include "screens/controls.h"
#include "screens/figures.h"
#include "screens/look.h"
#include "screens/notice_line.h"
#include "state/number_rules.h"
#include "workbook/plan_generator.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringListModel>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// The list items, shared by every list; the lists only ever read them.
// "-100", "-99,5", … "99,5", "100": halves with a decimal comma, whatever the
// regional conventions, and whole numbers without a fraction.
QStringList correctionItems()
{
    QStringList items;
    items.reserve(401);
    for (int halves = -200; halves <= 200; ++halves) {
        if (halves % 2 == 0)
            items << QString::number(halves / 2);
        else
            items << QStringLiteral("%1%2,5").arg(halves < 0 ? QStringLiteral("-") : QString()).arg(std::abs(halves) / 2);
    }
    return items;
}
constexpr int kZeroItem = 200;

// One correction row, top to bottom as on the screen.
struct CorrectionRow {
    int top;
    const char* caption;
    const char* captionText;
    Correction correction; // Combo1 … Combo11 in list order
    const char* list;
    const char* percent;
    const char* bracket;
    const char* value;
};

constexpr CorrectionRow kRows[] = {
    {1320, "Label3", "оплата труда (заработная плата и прочие выплаты) -", Correction::Wages, "Combo1", "Label7", "Label9", "Label102"},
    {1680, "Label10", "расходы на оплату услуг связи -", Correction::Communication, "Combo2", "Label11", "Label12", "Label103"},
    {2040, "Label13", "расходы на оплату транспортных услуг -", Correction::Transport, "Combo3", "Label14", "Label15", "Label104"},
    {2400, "Label17", "расходы на оплату коммунальных услуг -", Correction::Utilities, "Combo4", "Label18", "Label19", "Label105"},
    {2760, "Label21", "арендная плата за пользование имуществом -", Correction::Rent, "Combo5", "Label22", "Label23", "Label106"},
    {3120, "Label25", "плата за работы, услуги по содержанию имущества -", Correction::Maintenance, "Combo6", "Label26", "Label27", "Label107"},
    {3480, "Label29", "расходы на прочие работы и услуги -", Correction::OtherServices, "Combo7", "Label30", "Label31", "Label108"},
    {3840, "Label37", "прочие расходы -", Correction::OtherExpenses, "Combo9", "Label38", "Label39", "Label110"},
    {4200, "Label41", "расходы на увеличение стоимости основных средств -", Correction::FixedAssets, "Combo10", "Label42", "Label43", "Label111"},
    {4680, "Label45", "расходы на увеличение материальных запасов (без продуктов питания)-", Correction::Materials, "Combo11", "Label46", "Label47", "Label112"},
    {5160, "Label33", "расходы на приобретение продуктов питания -", Correction::Food, "Combo8", "Label34", "Label35", "Label109"},
};

// The caption of the row: most are one line; a few stand further left or span two lines.
QRect captionRect(const CorrectionRow& row)
{
    if (QLatin1String(row.caption) == QLatin1String("Label41"))
        return {240, row.top, 6135, 255};
    if (QLatin1String(row.caption) == QLatin1String("Label45"))
        return {360, 4575, 6015, 495};
    return {360, row.top, 6015, 255};
}

// The brackets the value of a row stands between.
const QString kBracket = QStringLiteral("(") + QString(30, QLatin1Char(' ')) + QStringLiteral(")")
                         + QString(8, QLatin1Char(' '));

constexpr std::size_t correctionIndex(Correction c) {
    return static_cast<std::size_t>(c);
}

// The brackets a change amount stands between. Their blanks leave room for an
// amount as wide as the row's value label; around a longer amount the brackets
// stand just before and just after it instead.
class Brackets final : public QLabel {
public:
    Brackets(const QString& name, const QRect& twipsRect, QWidget* parent)
        : QLabel(kBracket, parent)
        , m_laidOut(fromTwips(twipsRect)) {
        setObjectName(name);
        setGeometry(m_laidOut);
        setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        setWordWrap(false);
    }

    // Puts the value label where its amount fits between the brackets.
    void enclose(QLabel* value, const QRect& valueTwips) {
        const QRect laidOut = fromTwips(valueTwips);
        const int needed = value->fontMetrics().horizontalAdvance(value->text()) + 2 * kGap;
        const bool wide = needed > laidOut.width();
        if (!wide) {
            value->setGeometry(laidOut);
            setGeometry(m_laidOut);
            m_value = laidOut.translated(-m_laidOut.topLeft());
        } else {
            const int open = fontMetrics().horizontalAdvance(QLatin1Char('('));
            const int close = fontMetrics().horizontalAdvance(QLatin1Char(')'));
            // Centred where the value stands, kept inside the window.
            int left = laidOut.center().x() - needed / 2;
            left = std::min(left, parentWidget()->width() - kGap - close - needed);
            value->setGeometry(left, laidOut.y(), needed, laidOut.height());
            setGeometry(left - open, m_laidOut.y(), open + needed + close, m_laidOut.height());
        }
        if (wide != m_wide) {
            m_wide = wide;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        // Blanks wider than the layout reckons (a font drawn with whole-pixel
        // advances, as Windows draws it) would push the opening bracket out of the
        // label: the brackets are then drawn on either side of the value instead.
        const bool fits = fontMetrics().horizontalAdvance(text()) <= width();
        if (!m_wide && (fits || m_value.isNull())) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        if (m_wide) {
            painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("("));
            painter.drawText(rect(), Qt::AlignRight | Qt::AlignTop, QStringLiteral(")"));
            return;
        }
        const int open = fontMetrics().horizontalAdvance(QLatin1Char('('));
        painter.drawText(QRect(m_value.left() - kGap - open, 0, open, height()), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("("));
        painter.drawText(QRect(m_value.right() + 1 + kGap, 0, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral(")"));
    }

private:
    static constexpr int kGap = 2;
    QRect m_laidOut;
    QRect m_value; // where the value stands, in the label
    bool m_wide = false;
};

QRect valueRect(int top) {
    return {8880, top, 1575, 255};
}
const QRect kPaidValue{7200, 720, 1575, 255};

} // namespace

Form9::Form9(PlanState& plan)
    : Screen(plan, QStringLiteral("Form9"),
             QStringLiteral("Корректировка  плана финансово-хозяйственной деятельности"), 11085, 7620)
    , m_items(new ReadOnlyItems(this)) {
    auto* prompt = addLabel("Label2", "Приведите в соответствие поступления и выплаты образовательного учреджения",
                            {840, 240, 9495, 255});
    prompt->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // The paid services row.
    auto* paidCaption = addLabel("Label5", "платные услуги -", {720, 720, 3975, 255});
    paidCaption->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* revise = addButton("Command1", "пересчитать", {4920, 730, 1695, 255});
    auto* paidBracket = new Brackets("Label6", {6960, 720, 2175, 255}, this);
    m_paidBrackets = paidBracket;
    m_paidResultChange = addFigure("Label101", "0", kPaidValue);

    // The eleven correction rows.
    for (const CorrectionRow& row : kRows) {
        auto* caption = addLabel(row.caption, row.captionText, captionRect(row));
        caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
        QComboBox* list = addList(row.list, {6720, row.top, 1215, 315}, m_items);
        look::setPoints(list, look::kSmallPoints);
        addLabel(row.percent, "%", {8040, row.top, 255, 255});
        auto* bracket = new Brackets(row.bracket, {8640, row.top, 2175, 255}, this);
        auto* value = addFigure(row.value, "0", valueRect(row.top));
        value->setWordWrap(false);
        m_brackets[correctionIndex(row.correction)] = bracket;
        m_valueTops[correctionIndex(row.correction)] = row.top;
        m_lists[correctionIndex(row.correction)] = list;
        m_changes[correctionIndex(row.correction)] = value;
        connect(list, &QComboBox::currentIndexChanged, this,
                [this, k = correctionIndex(row.correction)] { onCorrectionChosen(k); });
        auto* choices = static_cast<ChoiceList*>(list);
        choices->setChoicesToldByScreen(true);
        connect(choices, &ChoiceList::choiceTyped, this,
                [this, k = correctionIndex(row.correction)] { tellCorrection(k); });
    }

    // The balance.
    m_balanceCaption = addLabel("Label1", "Профицит -", {3240, 6480, 1455, 255});
    m_balance = addFigure("Label100", "1000", {4800, 6480, 1815, 255});
    addLabel("Label4", "рублей", {6720, 6480, 975, 255});
    auto* generate = addButton("Command2", "Сформировать ПФХД", {4440, 6960, 2655, 495});

    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->alignment() & Qt::AlignLeft)
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (QLabel* label :
         std::initializer_list<QLabel*>{paidBracket, m_paidResultChange, m_balanceCaption, m_balance})
        label->setWordWrap(false);

    connect(revise, &QPushButton::clicked, this, &Form9::revisionAsked);
    connect(generate, &QPushButton::clicked, this, &Form9::onGenerateClicked);
}

// The first correction list; "пересчитать" would disable the screen.
QWidget* Form9::firstInput() const {
    return m_lists[correctionIndex(Correction::Wages)];
}

void Form9::enter() {
    // The lists receive their items the first time, then each of Combo1 … Combo11
    // is set to "0" in that order; they are set before the calculation is
    // enabled, so setting them runs nothing.
    if (m_items->rowCount() == 0)
        m_items->setStringList(correctionItems());
    for (QComboBox* list : m_lists)
        list->setCurrentIndex(kZeroItem);
    m_calculated = false;
    plan().correctionsEnabled = 1;
    showBalance(computeInitialDeficit(plan()));
}

QJsonObject Form9::entriesOut() const {
    QJsonObject entries = Screen::entriesOut();
    entries.insert(QStringLiteral("calculated"), m_calculated);
    return entries;
}

void Form9::entriesBack(const QJsonObject& entries) {
    if (m_items->rowCount() == 0) {
        // The lists move to the first item as it arrives: no choice, nothing to calculate.
        std::vector<std::unique_ptr<QSignalBlocker>> quiet;
        for (QComboBox* list : m_lists)
            quiet.push_back(std::make_unique<QSignalBlocker>(list));
        m_items->setStringList(correctionItems());
    }
    Screen::entriesBack(entries);
    if (plan().correctionsEnabled.toInt() != 1)
        return;
    // The figures as they were: from the last calculation, or as first shown on entry.
    // The plan holds what the last calculation stored; records revised since are
    // taken into account when the editor hands back, so the figures are worked out
    // on a copy and the plan stays as it was.
    if (entries.value(QStringLiteral("calculated")).toBool()) {
        PlanState copy = plan();
        calculate(copy);
    } else
        showBalance(computeInitialDeficit(plan()));
}

void Form9::recalculate() {
    calculate(plan());
}

void Form9::calculate(PlanState& state) {
    std::array<QString, kCorrectionCount> chosen;
    for (std::size_t k = 0; k < kCorrectionCount; ++k)
        chosen[k] = m_lists[k]->currentText();
    const AdjustmentFigures figures = CalculateAdjustment(state, chosen);
    m_inRange = figures.inRange;
    m_calculated = true;
    if (!figures.inRange) {
        // Nothing was stored; the figures keep what they showed.
        showAmountOutOfRange(m_balance);
        notice().figuresShown();
        tellFigures();
        return;
    }
    showFigure(m_paidResultChange, figures.paidResultChange, look::kTextPoints);
    for (std::size_t k = 0; k < kCorrectionCount; ++k)
        m_changes[k]->setText(numbers::formatPlain(figures.changes[k]));
    showBalance(figures.balance); // tells the new figures at once
    fitChangesInBrackets();
}

void Form9::fitChangesInBrackets() {
    static_cast<Brackets*>(m_paidBrackets)->enclose(m_paidResultChange, kPaidValue);
    for (std::size_t k = 0; k < kCorrectionCount; ++k)
        static_cast<Brackets*>(m_brackets[k])->enclose(m_changes[k], valueRect(m_valueTops[k]));
}

void Form9::changeEvent(QEvent* event) {
    Screen::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_paidBrackets)
        fitChangesInBrackets();
}

void Form9::showBalance(double balance)
{
    const BalanceLine line = balanceLine(balance);
    m_balanceCaption->setText(line.deficit ? QStringLiteral("Дефицит -") : QStringLiteral("Профицит -"));
    showFigure(m_balance, line.amount, look::kTextPoints);
    notice().figuresShown();
    tellFigures();
}

void Form9::tellFigures() {
    // While keys typed into a list may still change its choice ("-" on the way to
    // "-5"), nothing is told: the choice typed is told once typing pauses.
    for (const QComboBox* list : m_lists)
        if (static_cast<const ChoiceList*>(list)->isTyping())
            return;
    // Each list says its percentage, what it changes and the balance; the first,
    // which takes the keyboard as the screen appears, also the paid services'
    // change. A screen reader reads the description after the list's name as the
    // list takes the keyboard, and on asking where the keyboard is.
    for (std::size_t k = 0; k < kCorrectionCount; ++k) {
        QStringList news{m_lists[k]->currentText() + QStringLiteral(" процентов"),
                         m_changes[k]->spokenText()};
        if (m_lists[k] == firstInput())
            news << m_paidResultChange->spokenText();
        news << m_balance->spokenText();
        news.removeAll(QStringLiteral(" процентов"));
        describe(m_lists[k], news.join(QStringLiteral(". ")));
    }
}

void Form9::onCorrectionChosen(std::size_t correction) {
    // The program's own setting of the lists on entry runs nothing.
    if (plan().correctionsEnabled.toInt() != 1)
        return;
    recalculate();
    if (!static_cast<const ChoiceList*>(m_lists[correction])->isTyping())
        tellCorrection(correction);
}

void Form9::tellCorrection(std::size_t correction) {
    // What the choice changed, for those who do not see it, once per choice: the
    // percentage chosen, the row's amount and the balance, as the list tells them.
    tellFigures();
    announce(m_lists[correction]->accessibleDescription());
}

void Form9::onGenerateClicked() {
    // The plan as last calculated no longer matches the records when the latest
    // calculation could not hold its amounts: nothing is written then.
    notice().showGeneration(m_inRange ? generateCorrectedPlan(plan(), notice().planOpener())
                                      : refusedOutOfRange());
    emit stepTaken();
}
