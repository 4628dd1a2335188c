#include "screens/other_revenues_screen.h"

#include "screens/navigator.h"
#include "state/plan_state.h"

Form6::Form6(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form6"), QStringLiteral("Прочие поступления"), 6990, 4005)
{
}

