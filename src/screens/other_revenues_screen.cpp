#include "screens/other_revenues_screen.h"

#include "screens/controls.h"
#include "state/plan_state.h"

#include <QPushButton>

namespace {

const QuarterPageLayout kInvestments{
    .prompt = QStringLiteral("Label2"),
    .promptText = QStringLiteral("Введите ожидаемые объемы поступлений в виде бюджетных инвестиций (рублей)"),
    .promptWidth = 5775,
    .quarterly = QStringLiteral("Option1"),
    .oneSum = QStringLiteral("Option2"),
    .oneSumCaption = QStringLiteral("Однократная субсидия"),
    .quarterFrame = QStringLiteral("Frame1"),
    .quarterLabels = {QStringLiteral("Label1"), QStringLiteral("Label3"), QStringLiteral("Label4"),
                      QStringLiteral("Label5")},
    .quarterBoxes = {QStringLiteral("Text11"), QStringLiteral("Text12"), QStringLiteral("Text13"),
                     QStringLiteral("Text14")},
    .secondBoxTop = 700,
    .sum = QStringLiteral("Text1"),
    .error = QStringLiteral("Label6"),
    .back = QStringLiteral("Command2"),
    .next = QStringLiteral("Command1"),
};

const QuarterPageLayout kParentFee{
    .prompt = QStringLiteral("Label12"),
    .promptText = QStringLiteral("Введите ожидаемые объемы поступлений в виде родительской платы (рублей)"),
    .promptWidth = 5775,
    .quarterly = QStringLiteral("Option4"),
    .oneSum = QStringLiteral("Option3"),
    .oneSumCaption = QStringLiteral("Ввод всей суммы поступлений"),
    .quarterFrame = QStringLiteral("Frame3"),
    .quarterLabels = {QStringLiteral("Label10"), QStringLiteral("Label9"), QStringLiteral("Label8"),
                      QStringLiteral("Label7")},
    .quarterBoxes = {QStringLiteral("Text21"), QStringLiteral("Text22"), QStringLiteral("Text23"),
                     QStringLiteral("Text24")},
    .secondBoxTop = 700,
    .sum = QStringLiteral("Text2"),
    .error = QStringLiteral("Label60"),
    .back = QStringLiteral("Command4"),
    .next = QStringLiteral("Command3"),
};

} // namespace

Form6::Form6(PlanState& plan)
    : Screen(plan, QStringLiteral("Form6"), QStringLiteral("Прочие поступления"), 6990, 4005) {
    // Budget investments page: the screen itself. Its controls sit on one layer
    // of their own so that the parental fee page, when it covers them, also takes
    // them out of the keyboard focus chain.
    auto* investmentsPage = new Group(QStringLiteral("Бюджетные инвестиции"), this);
    investmentsPage->setGeometry(rect());
    m_investments = std::make_unique<QuarterPage>(static_cast<TwipLayout&>(*this), investmentsPage,
                                                  QPoint(0, 0), kInvestments);
    // Parental fee page (Frame2), hidden at start.
    QWidget* parentFeePage = addGroup("Frame2", QStringLiteral("Родительская плата"), {360, 120, 6615, 3975});
    m_parentFee = std::make_unique<QuarterPage>(static_cast<TwipLayout&>(*this), parentFeePage,
                                                QPoint(360, 120), kParentFee);
    showParentFeePage(false);

    connect(m_investments->next(), &QPushButton::clicked, this, &Form6::onInvestmentsNextClicked);
    connect(m_investments->back(), &QPushButton::clicked, this, &Form6::onInvestmentsBackClicked);
    connect(m_parentFee->next(), &QPushButton::clicked, this, &Form6::onParentFeeNextClicked);
    connect(m_parentFee->back(), &QPushButton::clicked, this, &Form6::onParentFeeBackClicked);
}

Form6::~Form6() = default;

bool Form6::onParentFeePage() const {
    return !m_parentFee->page()->isHidden();
}

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
    setPageVisible(m_parentFee->page(), show);
    setPageVisible(m_investments->page(), !show);
    if (show)
        m_parentFee->page()->raise();
    focusFirstInput();
}

QWidget* Form6::firstInput() const {
    return (onParentFeePage() ? m_parentFee : m_investments)->firstInput();
}

bool Form6::takePage(int page) {
    if (page == 0) {
        const auto family = m_investments->take(faults(), familyEntry::FourthQuarter::Tagged);
        if (family)
            plan().investments = *family;
        return family.has_value();
    }
    // parentFeeQ4 is a fixed-point amount; one that would not fit is refused like
    // a text that is not a number, and nothing is stored.
    const auto family = m_parentFee->take(faults(), familyEntry::FourthQuarter::Fixed);
    if (family)
        plan().parentFee = *family;
    return family.has_value();
}

void Form6::onInvestmentsNextClicked() {
    if (takePage(0))
        showParentFeePage(true);
    emit stepTaken();
}

void Form6::onInvestmentsBackClicked() {
    m_investments->clearError(faults());
    emit back();
}

void Form6::onParentFeeNextClicked() {
    if (takePage(1))
        emit forward();
    else
        emit stepTaken();
}

void Form6::onParentFeeBackClicked() {
    m_parentFee->clearError(faults());
    showParentFeePage(false);
    emit stepTaken();
}
