#include "screens/services_summary_screen.h"

#include "screens/controls.h"
#include "screens/look.h"
#include "state/number_rules.h"
#include "state/plan_state.h"

#include <QLabel>
#include <QPushButton>

Form5::Form5(PlanState& plan)
    : Screen(plan, QStringLiteral("Form5"), QStringLiteral("Платные услуги"), 8895, 2265) {
    addLabel("Label2", "Поступления от оказания платных услуг (всего) -", {360, 360, 5535, 255});
    m_revenue = addFigure("Label1", "10000000", {6000, 360, 1455, 255});
    addLabel("Label3", "рублей", {7560, 360, 855, 255});
    addLabel("Label4", "Расходы на оказание платных услуг (всего) -", {360, 720, 5535, 255});
    m_cost = addFigure("Label6", "10000000", {6000, 720, 1455, 255});
    addLabel("Label5", "рублей", {7560, 720, 855, 255});
    // The caption of Command2 wraps: it is wider than its button.
    auto* change = addWrappingButton("Command2", "изменить параметры услуг", {360, 1440, 2415, 615});
    auto* next = addButton("Command1", "далее", {6120, 1440, 2415, 615});
    m_next = next;
    describe(m_next, spokenFigures({m_revenue, m_cost}));

    for (QLabel* figure : {m_revenue, m_cost}) {
        look::setPoints(figure, look::kPromptPoints);
        figure->setWordWrap(false);
    }

    connect(next, &QPushButton::clicked, this, &Form5::forward);
    connect(change, &QPushButton::clicked, this, &Form5::changeServices);
}

void Form5::enter() {
    m_revenue->setText(numbers::formatPlain(plan().paidRevenue.total.numeric()));
    m_cost->setText(numbers::formatPlain(plan().paidCostTotal.numeric()));
    // Read out after the screen's name as it appears, and again on asking where
    // the keyboard is: the screen is there for these figures.
    describe(m_next, spokenFigures({m_revenue, m_cost}));
}

// Nothing to type here: the screen is read and left with "далее".
QWidget* Form5::firstInput() const {
    return m_next;
}
