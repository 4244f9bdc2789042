#pragma once

#include <QWidget>
#include <array>

#include "AutoLabel.h"
#include "Pace.h"

class QPushButton;
class QRadioButton;
struct GameState;

// The level dialog: one of four descent speeds. It writes the chosen step
// into the game state with OK, and sets the bonus factor from the level in
// force each time it opens.
class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2(GameState& state, QWidget* owner);

    // Runs each time the dialog is created.
    void Form_Load();

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Command1_Click();

    QRadioButton *Option1, *Option2, *Option3, *Option4;
    kit::AutoLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    QPushButton* Command1;

private:
    // Each option with its description and the level it stands for.
    struct Choice {
        QRadioButton* option;
        void (Form2::*describe)();
        pace::Level level;
    };
    std::array<Choice, 4> choices() const;

    GameState& state_;
};
