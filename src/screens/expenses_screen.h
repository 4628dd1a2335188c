#pragma once

#include "screens/screen.h"

class Form7 : public Screen {
    Q_OBJECT
public:
    explicit Form7(Navigator& navigator);
};
