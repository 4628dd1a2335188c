#include "screens/services_summary_screen.h"

#include "screens/navigator.h"
#include "state/plan_state.h"

Form5::Form5(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form5"), QStringLiteral("Платные услуги"), 8895, 2265)
{
}

