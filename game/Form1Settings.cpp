// The Setting and Help menus of the main window: the title bar and guide-line
// switches, the special mode and its undo, and the two dialogs.

#include "Form1.h"
#include "Form2.h"
#include "Form5.h"
#include "Pictures.h"
#include "Rules.h"
#include "WindowFrame.h"

void Form1::mnuTitl_Click() {
    if (titleToggle.value_or(0) == 0) {
        titleToggle = 1;
        kit::setCaption(this, QString());
    } else {
        titleToggle = 0;
        kit::setCaption(this, QString::fromUtf8(rules::caption));
    }
}

void Form1::mnuLine_Click() {
    if (lineToggle.value_or(0) == 0) {
        Line1->setVisible(false);
        Line2->setVisible(false);
        lineToggle = 1;
    } else if (lineToggle == 1) {
        Line1->setVisible(true);
        Line2->setVisible(true);
        lineToggle = 0;
    }
}

void Form1::mnuUra_Click() {
    uraMode = 1;
    Image1->setPicture(Image15->picture());
    Image2->setPicture(Image13->picture());
    Image3->setPicture(Image18->picture());
    Image4->setPicture(Image14->picture());
    Image5->setPicture(Image18->picture());
    Image7->setPicture(Image21->picture());
    Image9->setPicture(Image20->picture());
    Image10->setPicture(Image20->picture());
    Image8->setPicture(Image17->picture());
    Image6->setPicture(Image17->picture());
    Image11->setPicture(Image19->picture());
}

void Form1::mnuRet_Click() {
    uraMode = 0;
    Image1->setPicture(Image12->picture());
    Image2->setPicture(Image12->picture());
    Image3->setPicture(Image12->picture());
    Image4->setPicture(Image12->picture());
    Image5->setPicture(Image12->picture());
    Image7->setPicture(Image25->picture());
    Image9->setPicture(Image23->picture());
    Image10->setPicture(Image23->picture());
    Image8->setPicture(Image24->picture());
    Image6->setPicture(Image24->picture());
    Image11->setPicture(Image22->picture());
}

namespace {

void bringForward(QWidget* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void Form1::mnuLv_Click() {
    mnuRst_Click();
    if (!levelDialog) levelDialog = new Form2(game, this);
    bringForward(levelDialog);
}

void Form1::mnuVer_Click() {
    mnuRst_Click();
    if (!versionDialog) versionDialog = new Form5(pictures::load(pictures::icon), this);
    bringForward(versionDialog);
}
