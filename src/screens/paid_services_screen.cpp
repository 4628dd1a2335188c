#include "screens/paid_services_screen.h"

#include "screens/navigator.h"
#include "state/plan_state.h"

Form4::Form4(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form4"), QStringLiteral("Платные услуги"), 10725, 5610)
{
}

void Form4::prepareInstructions(bool) {}
void Form4::openServiceEditor() {}
