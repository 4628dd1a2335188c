#include "screens/preliminary_screen.h"

#include "screens/navigator.h"
#include "state/plan_state.h"

Form8::Form8(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form8"), QStringLiteral("Предварительный ПФХД"), 7950, 1995)
{
}

void Form8::computeAndShow() {}
