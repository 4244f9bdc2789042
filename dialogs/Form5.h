#pragma once

#include <QWidget>

#include "AutoLabel.h"
#include "ImageControl.h"

class QPushButton;

// The version dialog: the program's icon, name and version, two notices and
// a button that closes it.
class Form5 : public QWidget {
    Q_OBJECT
public:
    Form5(const QImage& icon, QWidget* owner);

    void Command1_Click();

    kit::ImageControl* Image1;
    kit::AutoLabel *Label1, *Label2, *Label3, *Label4;
    QPushButton* Command1;
};
