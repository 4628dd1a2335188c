#pragma once

#include "screens/screen.h"

class Form8 : public Screen {
    Q_OBJECT
public:
    explicit Form8(Navigator& navigator);
    // Computes the preliminary totals and shows them (called once the screen is shown).
    void computeAndShow();
};
