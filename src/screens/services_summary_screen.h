#pragma once

#include "screens/screen.h"

class Form5 : public Screen {
    Q_OBJECT
public:
    explicit Form5(Navigator& navigator);
};
