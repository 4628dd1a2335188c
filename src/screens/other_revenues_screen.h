#pragma once

#include "screens/screen.h"

class Form6 : public Screen {
    Q_OBJECT
public:
    explicit Form6(Navigator& navigator);
};
