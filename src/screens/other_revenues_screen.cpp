#include "screens/other_revenues_screen.h"

#include "screens/controls.h"
#include "screens/expenses_screen.h"
#include "screens/navigator.h"
#include "state/number_rules.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace familyEntry {

namespace {

// A box holds an amount when its text is a number the plan can hold as money:
// what lies beyond the fixed-point range is refused where it is typed, like any
// other text that is not a number, instead of stopping the plan screens later.
bool isAmount(const QString& text) {
    return FixedAmount::fromText(text).has_value();
}

} // namespace

std::optional<Family> fromQuarters(const std::array<QString, 4>& texts, FourthQuarter fourth)
{
    for (const QString& text : texts)
        if (!isAmount(text))
            return std::nullopt;

    Family family;
    for (int i = 0; i < 3; ++i)
        family.q[i] = texts[i];
    if (fourth == FourthQuarter::Fixed) {
        const auto amount = FixedAmount::fromText(texts[3]);
        if (!amount)
            return std::nullopt;
        family.q[3] = *amount;
    } else {
        family.q[3] = texts[3];
    }
    family.total =
        family.q[0].numeric() + family.q[1].numeric() + family.q[2].numeric() + family.q[3].numeric();
    return family;
}

std::optional<Family> fromAnnualSum(const QString& text, FourthQuarter fourth)
{
    if (!isAmount(text))
        return std::nullopt;

    Family family;
    family.total = text;
    const double quarter = numbers::toNumber(text) / 4;
    for (int i = 0; i < 3; ++i)
        family.q[i] = quarter;
    if (fourth == FourthQuarter::Fixed) {
        const auto amount = FixedAmount::fromDouble(quarter);
        if (!amount)
            return std::nullopt;
        family.q[3] = *amount;
    } else {
        family.q[3] = quarter;
    }
    return family;
}

QList<QWidget*> atFault(const QList<QLineEdit*>& boxes) {
    QList<QWidget*> refused;
    for (QLineEdit* box : boxes)
        if (!isAmount(box->text()))
            refused << box;
    if (refused.isEmpty())
        for (QLineEdit* box : boxes)
            refused << box;
    return refused;
}

QString hint(const QList<QLineEdit*>& boxes) {
    static const QString kQuarterNames[] = {QStringLiteral("I квартал"), QStringLiteral("II квартал"),
                                            QStringLiteral("III квартал"), QStringLiteral("IV квартал")};
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const QString period = boxes.size() == 4 ? kQuarterNames[i] : QStringLiteral("год");
        const QString why = Screen::amountHint(boxes[i]->text(), QStringLiteral("за ") + period);
        if (!why.isEmpty())
            return why;
    }
    // Every box holds an amount, but not all of them together.
    return QStringLiteral("Число слишком велико");
}

} // namespace familyEntry

namespace {

constexpr double kOptionPoints = 8.25;

// A box of quarter amounts is unnamed for screen readers: the page names its
// subject once, its boxes their quarters.
const QString kQuarters;

// The captions and boxes of one quarter frame, in quarter order.
struct QuarterSlot {
    const char* label;
    const char* caption;
    QRect labelRect;
    const char* box;
    QRect boxRect;
};

// Budget investments quarters (Frame1).
const QuarterSlot kInvestmentQuarters[] = {
    {"Label1", "I квартал", {120, 240, 1095, 255}, "Text11", {1320, 220, 1575, 360}},
    {"Label3", "II квартал", {120, 720, 1095, 255}, "Text12", {1320, 700, 1575, 360}},
    {"Label4", "III квартал", {3120, 240, 1215, 255}, "Text13", {4440, 220, 1575, 360}},
    {"Label5", "IV квартал", {3120, 720, 1215, 255}, "Text14", {4440, 700, 1575, 360}},
};

// Parental fee quarters (Frame3).
const QuarterSlot kParentFeeQuarters[] = {
    {"Label10", "I квартал", {120, 240, 1095, 255}, "Text21", {1320, 220, 1575, 360}},
    {"Label9", "II квартал", {120, 720, 1095, 255}, "Text22", {1320, 700, 1575, 360}},
    {"Label8", "III квартал", {3120, 240, 1215, 255}, "Text23", {4440, 220, 1575, 360}},
    {"Label7", "IV квартал", {3120, 720, 1215, 255}, "Text24", {4440, 700, 1575, 360}},
};

std::array<QString, 4> textsOf(const std::array<QLineEdit*, 4>& boxes)
{
    return {boxes[0]->text(), boxes[1]->text(), boxes[2]->text(), boxes[3]->text()};
}

} // namespace

Form6::Form6(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form6"), QStringLiteral("Прочие поступления"), 6990, 4005) {
    // Budget investments page: the screen itself. Its controls sit on one layer
    // of their own so that the parental fee page, when it covers them, also takes
    // them out of the keyboard focus chain.
    m_investmentsPage = new Group(QStringLiteral("Бюджетные инвестиции"), this);
    m_investmentsPage->setGeometry(rect());
    QWidget* page = m_investmentsPage;

    addLabel("Label2", "Введите ожидаемые объемы поступлений в виде бюджетных инвестиций (рублей)",
             {600, 120, 5775, 495}, page);
    m_investmentsQuarterly = addOption("Option1", "Поквартальный ввод", {360, 840, 3135, 375}, page);
    auto* investmentsOneSum = addOption("Option2", "Однократная субсидия", {3480, 840, 3135, 375}, page);
    auto* frame1 = addGroup("Frame1", kQuarters, {360, 1425, 6255, 1215}, page);
    readColumnsFirst(frame1); // quarters I, II, III, IV
    for (std::size_t i = 0; i < m_investmentsQuarters.size(); ++i) {
        const QuarterSlot& slot = kInvestmentQuarters[i];
        addLabel(slot.label, slot.caption, slot.labelRect, frame1);
        m_investmentsQuarters[i] = addTextBox(slot.box, slot.boxRect, frame1);
    }
    m_investmentsSum = addTextBox("Text1", {2520, 1920, 2055, 360}, page);
    m_investmentsError = addError("Label6", "не верно введены значения!", {1560, 2880, 3855, 255}, page);
    auto* investmentsBack = addButton("Command2", "назад", {360, 3360, 1815, 495}, page);
    auto* investmentsNext = addButton("Command1", "далее", {4800, 3360, 1800, 495}, page);

    // Parental fee page (Frame2), hidden at start.
    auto* frame2 = addGroup("Frame2", QStringLiteral("Родительская плата"), {360, 120, 6615, 3975});
    m_parentFeePage = frame2;
    addLabel("Label12", "Введите ожидаемые объемы поступлений в виде родительской платы (рублей)",
             {240, 0, 5775, 495}, frame2);
    m_parentFeeQuarterly = addOption("Option4", "Поквартальный ввод", {0, 720, 3135, 375}, frame2);
    auto* parentFeeOneSum =
        addOption("Option3", "Ввод всей суммы поступлений", {3120, 720, 3135, 375}, frame2);
    auto* frame3 = addGroup("Frame3", kQuarters, {0, 1305, 6255, 1215}, frame2);
    readColumnsFirst(frame3);
    for (std::size_t i = 0; i < m_parentFeeQuarters.size(); ++i) {
        const QuarterSlot& slot = kParentFeeQuarters[i];
        addLabel(slot.label, slot.caption, slot.labelRect, frame3);
        m_parentFeeQuarters[i] = addTextBox(slot.box, slot.boxRect, frame3);
    }
    m_parentFeeSum = addTextBox("Text2", {2160, 1800, 2055, 360}, frame2);
    m_parentFeeError = addError("Label60", "не верно введены значения!", {1200, 2760, 3855, 255}, frame2);
    auto* parentFeeBack = addButton("Command4", "назад", {0, 3240, 1815, 495}, frame2);
    auto* parentFeeNext = addButton("Command3", "далее", {4440, 3240, 1800, 495}, frame2);

    for (QRadioButton* option :
         {m_investmentsQuarterly, investmentsOneSum, m_parentFeeQuarterly, parentFeeOneSum})
        setPoints(option, kOptionPoints);

    // Initial state: quarterly entry on both pages, the one-sum boxes hidden.
    m_investmentsQuarterly->setChecked(true);
    m_parentFeeQuarterly->setChecked(true);
    m_investmentsSum->hide();
    m_parentFeeSum->hide();
    showParentFeePage(false);

    // Switching the entry mode only swaps which boxes are visible; no box is cleared.
    connect(m_investmentsQuarterly, &QRadioButton::toggled, this, [frame1, this](bool quarterly) {
        frame1->setVisible(quarterly);
        m_investmentsSum->setVisible(!quarterly);
    });
    connect(m_parentFeeQuarterly, &QRadioButton::toggled, this, [frame3, this](bool quarterly) {
        frame3->setVisible(quarterly);
        m_parentFeeSum->setVisible(!quarterly);
    });
    // Enter in any box of a page presses its "далее".
    for (QLineEdit* box : m_investmentsQuarters)
        pressOnEnter(box, investmentsNext);
    pressOnEnter(m_investmentsSum, investmentsNext);
    for (QLineEdit* box : m_parentFeeQuarters)
        pressOnEnter(box, parentFeeNext);
    pressOnEnter(m_parentFeeSum, parentFeeNext);
    connect(investmentsNext, &QPushButton::clicked, this, &Form6::command1Click);
    connect(investmentsBack, &QPushButton::clicked, this, &Form6::command2Click);
    connect(parentFeeNext, &QPushButton::clicked, this, &Form6::command3Click);
    connect(parentFeeBack, &QPushButton::clicked, this, &Form6::command4Click);
}

bool Form6::onParentFeePage() const { return !m_parentFeePage->isHidden(); }

QJsonObject Form6::entriesOut() const {
    QJsonObject entries = Screen::entriesOut();
    entries.insert(QStringLiteral("parentFeePage"), onParentFeePage());
    return entries;
}

void Form6::entriesBack(const QJsonObject& entries) {
    Screen::entriesBack(entries);
    showParentFeePage(entries.value(QStringLiteral("parentFeePage")).toBool());
}

void Form6::showParentFeePage(bool show)
{
    setPageVisible(m_parentFeePage, show);
    setPageVisible(m_investmentsPage, !show);
    if (show)
        m_parentFeePage->raise();
    focusFirstInput();
}

QWidget* Form6::firstInput() const
{
    if (onParentFeePage())
        return m_parentFeeQuarterly->isChecked() ? m_parentFeeQuarters[0] : m_parentFeeSum;
    return m_investmentsQuarterly->isChecked() ? m_investmentsQuarters[0] : m_investmentsSum;
}

void Form6::command1Click()
{
    const auto family =
        m_investmentsQuarterly->isChecked()
            ? familyEntry::fromQuarters(textsOf(m_investmentsQuarters), familyEntry::FourthQuarter::Tagged)
            : familyEntry::fromAnnualSum(m_investmentsSum->text(), familyEntry::FourthQuarter::Tagged);
    if (!family) {
        const QList<QLineEdit*> boxes =
            m_investmentsQuarterly->isChecked()
                ? QList<QLineEdit*>(m_investmentsQuarters.begin(), m_investmentsQuarters.end())
                : QList<QLineEdit*>{m_investmentsSum};
        refuse(m_investmentsError, familyEntry::atFault(boxes), familyEntry::hint(boxes));
        return;
    }
    plan().investments = *family;
    clearError(m_investmentsError);
    showParentFeePage(true);
}

void Form6::command2Click() {
    clearError(m_investmentsError);
    navigator().openPaidServicesInstructions(*this);
}

void Form6::command3Click()
{
    // parentFeeQ4 is a fixed-point amount; one that would not fit is refused like
    // a text that is not a number, and nothing is stored.
    const auto family =
        m_parentFeeQuarterly->isChecked()
            ? familyEntry::fromQuarters(textsOf(m_parentFeeQuarters), familyEntry::FourthQuarter::Fixed)
            : familyEntry::fromAnnualSum(m_parentFeeSum->text(), familyEntry::FourthQuarter::Fixed);
    if (!family) {
        const QList<QLineEdit*> boxes =
            m_parentFeeQuarterly->isChecked()
                ? QList<QLineEdit*>(m_parentFeeQuarters.begin(), m_parentFeeQuarters.end())
                : QList<QLineEdit*>{m_parentFeeSum};
        refuse(m_parentFeeError, familyEntry::atFault(boxes), familyEntry::hint(boxes));
        return;
    }
    plan().parentFee = *family;
    clearError(m_parentFeeError);
    navigator().hideScreen(*this);
    navigator().showScreen(navigator().form7());
}

void Form6::command4Click() {
    clearError(m_parentFeeError);
    showParentFeePage(false);
}
