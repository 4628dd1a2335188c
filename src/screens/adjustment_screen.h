#pragma once

#include "screens/screen.h"

class Form9 : public Screen {
    Q_OBJECT
public:
    explicit Form9(Navigator& navigator);
    // Recalculates the adjustment from the chosen corrections (after the paid
    // services editor hands back).
    void recalculate();
};
