#include "Form5.h"

#include <QPushButton>

#include "Fonts.h"
#include "FormSurface.h"
#include "Rules.h"
#include "ToolWindow.h"
#include "Twips.h"

Form5::Form5(const QImage& icon, QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("Form5"));
    QWidget* c = kit::makeToolWindow(this, QStringLiteral("Version"), 4680, 3540);
    kit::FormSurface* controls = kit::FormSurface::overlay(c);
    const QFont face = gothicFont(15.75, true);

    Image1 = new kit::ImageControl(controls, 360, 240.0F, 1455, 1335);
    Image1->setPicture(icon);
    Image1->setFramed(true);

    const kit::AutoLabel::Look look{face, palette().color(QPalette::WindowText), std::nullopt};
    Label1 = new kit::AutoLabel(controls, QString::fromUtf8(rules::caption), 1920, 480, look);
    Label2 = new kit::AutoLabel(controls, QStringLiteral("Ver.2.1"), 2760, 480, look);
    // The name is longer than the box it was laid out for; the version moves
    // right just enough that the two never run into each other.
    const int nameEnd = Label1->geometry().right() + Label1->fontMetrics().averageCharWidth();
    if (Label2->x() <= nameEnd) Label2->move(nameEnd + 1, Label2->y());
    Label3 =
        new kit::AutoLabel(controls, QStringLiteral("本作品はフリーソフトです"), 120, 1920, look);
    Label4 = new kit::AutoLabel(controls, QStringLiteral("Zanrai開発室"), 2400, 2400, look);

    Command1 = new QPushButton(QStringLiteral("了解"), c);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(face);
    Command1->setGeometry(kit::toPixels(3000), kit::toPixels(2880), kit::toPixels(1215),
                          kit::toPixels(495));
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
}

void Form5::Command1_Click() { close(); }
