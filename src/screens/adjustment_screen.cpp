#include "screens/adjustment_screen.h"

#include "screens/navigator.h"
#include "state/plan_state.h"

Form9::Form9(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form9"), QStringLiteral("Корректировка  плана финансово-хозяйственной деятельности"), 11085, 7620)
{
}

void Form9::recalculate() {}
