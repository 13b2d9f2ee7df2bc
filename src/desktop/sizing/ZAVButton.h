#pragma once

#include <QPushButton>
#include <QString>

#include "core/sizing/Size.h"

// A preset button: it chooses its size for its job.
class ZAVButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

    QString key;
    Size theSize;
};
