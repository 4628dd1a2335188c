#include "screens/preliminary_screen.h"

#include "calc/preliminary.h"
#include "screens/controls.h"
#include "screens/figures.h"
#include "screens/look.h"
#include "screens/notice_line.h"
#include "state/plan_state.h"
#include "workbook/plan_generator.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

Form8::Form8(PlanState& plan)
    : Screen(plan, QStringLiteral("Form8"), QStringLiteral("Предварительный ПФХД"), 7950, 1995) {
    auto* revenuesCaption = addLabel("Label2", "Поступления ПФХД (всего) -", {960, 360, 3135, 255});
    m_revenues = addFigure("Label1", "10000000", {4080, 360, 1575, 255});
    addLabel("Label3", "рублей", {5760, 360, 855, 255});
    auto* expensesCaption = addLabel("Label4", "Расходы ПФХД (всего) -", {1440, 720, 2655, 255});
    m_expenses = addFigure("Label6", "10000000", {4080, 720, 1575, 255});
    addLabel("Label5", "рублей", {5760, 720, 855, 255});
    auto* back = addButton("Command3", "назад", {240, 1320, 1815, 495});
    auto* generate = addButton("Command2", "Сформировать ПФХД", {2640, 1320, 2655, 495});
    auto* next = addButton("Command1", "далее", {5880, 1320, 1815, 495});
    m_generate = generate;

    // The captions end in a dash right before their figures; a small gap keeps the
    // dash from reading as the figure's minus sign.
    for (QLabel* caption : {revenuesCaption, expensesCaption}) {
        caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
        caption->setContentsMargins(0, 0, twips(120), 0);
    }
    for (QLabel* figure : {m_revenues, m_expenses}) {
        look::setPoints(figure, look::kPromptPoints);
        figure->setWordWrap(false);
    }

    connect(next, &QPushButton::clicked, this, &Form8::onNextClicked);
    connect(back, &QPushButton::clicked, this, &Form8::back);
    connect(generate, &QPushButton::clicked, this, &Form8::onGenerateClicked);
}

// Nothing to type here. "Сформировать ПФХД" keeps the screen; "назад" and
// "далее" leave it, and "далее" for good.
QWidget* Form8::firstInput() const { return m_generate; }

void Form8::enter() {
    const PreliminaryTotals totals = ComputePreliminaryTotals(plan());
    m_inRange = totals.inRange;
    showFigure(m_revenues, totals.revenues, look::kPromptPoints);
    if (totals.inRange)
        showFigure(m_expenses, totals.expenses, look::kPromptPoints);
    else
        showAmountOutOfRange(m_expenses);
    notice().figuresShown();
    // Read out after the screen's name as it appears, and again on asking where
    // the keyboard is: the screen is there for these figures.
    describe(m_generate, spokenFigures({m_revenues, m_expenses}));
}

void Form8::onNextClicked() {
    // A plan whose amounts cannot be held is not adjusted; the figure says why.
    if (!m_inRange)
        return;
    beginAdjustment(plan());
    emit forward();
}

void Form8::onGenerateClicked() {
    // A plan whose amounts cannot be held is not written either.
    notice().showGeneration(m_inRange ? generatePreliminaryPlan(plan(), notice().planOpener())
                                      : refusedOutOfRange());
    emit stepTaken();
}
