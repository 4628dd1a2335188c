#pragma once

#include "screens/screen.h"

class Form4 : public Screen {
    Q_OBJECT
public:
    explicit Form4(Navigator& navigator);
    // Shows the instruction page; the record editor page is hidden too when
    // `hideEditor` is set. "перейти к следующему разделу…" is shown only while no
    // record exists.
    void prepareInstructions(bool hideEditor);
    // Opens the record editor at record 1 (also used by the adjustment screen).
    void openServiceEditor();
};
