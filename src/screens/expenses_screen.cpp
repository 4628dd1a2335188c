#include "screens/expenses_screen.h"

#include "screens/navigator.h"
#include "state/plan_state.h"

Form7::Form7(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form7"), QStringLiteral("Расходы образовательного учреждения"), 6990, 3990)
{
}

