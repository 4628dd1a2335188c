#include "screens/assignment_screen.h"

#include "screens/faults.h"
#include "screens/look.h"
#include "state/family_entry.h"
#include "state/plan_state.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form2::Form2(PlanState& plan)
    : Screen(plan, QStringLiteral("Form2"), QStringLiteral("Задание учредителя"), 9870, 4320) {
    auto* prompt = addLabel("Label1",
                            "Введите объем субсидии, передаваемой учредителем на выполнение муниципального "
                            "(государственного) задания, рассчитанные с помощью модуля \"Субсидиум\"",
                            {240, 240, 9495, 1335});
    look::setPoints(prompt, look::kPromptPoints);
    m_amount = addTextBox("Text1", {3720, 2040, 1815, 360});
    // Named for what it holds and its unit, not for the whole prompt above it.
    m_amount->setAccessibleName(QStringLiteral("Объём субсидии, рублей"));
    addLabel("Label3", "рублей", {5640, 2085, 855, 255});
    m_error = addError("Label6", "не верно введено значение!", {3000, 3000, 3855, 255});
    auto* next = addButton("Command1", "далее", {3720, 3480, 1815, 495});

    setTabOrder(next, m_amount);
    m_next = next;
    pressOnEnter(m_amount, next);

    connect(next, &QPushButton::clicked, this, &Form2::onNextClicked);
}

// The button holds the focus whenever the screen is shown.
QWidget* Form2::firstInput() const { return m_next; }

bool Form2::takePage(int) {
    // An amount beyond the fixed-point range cannot be stored: it is refused like
    // any text that is not a number.
    const auto amount = FixedAmount::fromText(m_amount->text());
    if (!amount) {
        faults().refuse(m_error, {m_amount}, amountHint(m_amount->text()));
        return false;
    }
    faults().withdraw(m_error);
    plan().founderSubsidy = *amount;
    return true;
}

void Form2::onNextClicked() {
    if (takePage(0))
        emit forward();
    else
        emit stepTaken();
}
