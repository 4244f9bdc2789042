#pragma once

#include <QDeadlineTimer>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "AutoLabel.h"
#include "FormServices.h"
#include "GameModel.h"
#include "ImageControl.h"
#include "LineControl.h"
#include "Random.h"
#include "WindowTimer.h"

class QAction;
class QTimer;
class QMenu;
class QPushButton;
class Multimedia32;
class Form2;
class Form5;
namespace kit {
class FormSurface;
}
namespace rankfile {
class SaveQueue;
struct SaveResult;
}  // namespace rankfile

// The main window: its controls and every handler. The game's state and
// rules are its model's (GameModel), which the handlers forward to and whose
// signals the labels follow. The definitions are split by concern: layout,
// start-up, game flow and timers, targets, scoring, and the Setting and Help
// menus.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(FormServices services);
    ~Form1() override;

    // The game under the window.
    GameModel game;
    // Its state, under the names the handlers use.
    std::int16_t& levelStep = game.levelStep;
    std::int16_t& levelNumber = game.levelNumber;
    std::int16_t& lives = game.lives;
    std::int32_t& score = game.score;
    rules::BestScore& highScore = game.highScore;
    // Twips each target sinks on every Timer1 tick.
    std::int16_t& moveStep = game.moveStep;
    // The special mode: 0 normal, 1 on.
    std::int16_t& uraMode = game.uraMode;

    // Runs once, before the window is first shown. False when rank.dat could
    // not be read: the error was reported and the window must not be shown.
    bool Form_Load();

    // Menu commands.
    void mnustart_Click();
    void mnuRst_Click();
    void mnuExit_Click();
    void mnuTitl_Click();
    void mnuLine_Click();
    void mnuLv_Click();
    void mnuUra_Click();
    void mnuRet_Click();
    void mnuVer_Click();

    // Timer ticks.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    // Cuts.
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();
    void Image4_Click();
    void Image5_Click();
    void Image6_Click();
    void Image9_Click();

    void Command4_Click();

    // Ends the cut mark and the Life flash once their time is up.
    void Afterglow_Timer();

    // Paths of the four data files, beside the program.
    QString cutSoundPath;
    QString deflectSoundPath;
    QString bgmPath;
    QString bgm2Path;

    // The five targets, Image1 to Image5, and every character that can be
    // cut: the targets, Image6 and Image9, in that order.
    std::array<kit::ImageControl*, 5> targets{};
    std::array<kit::ImageControl*, 7> cuttables{};

    // Two-state menu switches; empty until first used, which counts as 0.
    std::optional<int> titleToggle;
    std::optional<int> lineToggle;
    // The controls, by their names.
    kit::ImageControl *Image1, *Image2, *Image3, *Image4, *Image5, *Image6, *Image7, *Image8,
        *Image9, *Image10, *Image11, *Image12, *Image13, *Image14, *Image15, *Image16, *Image17,
        *Image18, *Image19, *Image20, *Image21, *Image22, *Image23, *Image24, *Image25, *Image26;
    kit::AutoLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11;
    kit::LineControl *Line1, *Line2;
    kit::WindowTimer *Timer1, *Timer2, *Timer3, *Timer4, *Timer5, *Timer6;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5, *Command6, *Command7,
        *Command8;

    // Feedback the player sees, taking no part in the rules: a slash left for
    // a moment where a cut lands (one per character that can be cut, in the
    // order of cuttables), and, when a life is lost, a burst on the red line
    // where the target broke through and a box that flashes behind the Life
    // value. The marks are disabled, so a press goes through them. One
    // single-shot timer ends all three.
    std::array<kit::ImageControl*, 7> cutMarks{};
    kit::ImageControl* breachMark = nullptr;
    kit::AutoLabel* lifeFlash = nullptr;
    QTimer* afterglow = nullptr;

    QMenu *mnuFile, *mnuSet, *mnuHedlp;
    QAction *mnuRst, *mnustart, *brank5, *mnurank, *mnubrank, *mnuExit;
    QAction *mnuTitl, *mnuLine, *mnubrank2, *mnuLv, *mnuBlank2, *mnuUra, *mnuRet;
    QAction *mnuHelp, *brank3, *mnuVer;

    // The open dialogs, if any.
    QPointer<Form2> levelDialog;
    QPointer<Form5> versionDialog;

    // The area below the menu bar that holds every control.
    kit::FormSurface* clientArea() const { return client_; }

    // True while the score of a finished game is still on its way to
    // rank.dat.
    bool savesPending() const { return savesPending_ > 0; }

protected:
    // A close request from the desktop leaves the program as Exit does.
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout of the window and its controls.
    void createControls();
    void createMenus();
    void connectHandlers();
    void connectModel();

    void RevealUraMenu();
    void StartPlay();
    void StopPlay();
    void GameOver();
    void CheckGameOver();
    void ResetTargets();
    void PushRandomTarget();
    void UpdateScore(rules::Cut cut);
    void cutTarget(kit::ImageControl* target);
    void enableCharacters(bool on);
    void showCutMark(const kit::ImageControl* character);
    void showBreach(const kit::ImageControl* target);
    void flashLife();
    void endAfterglow();
    // Something shown for a moment, until its deadline.
    struct Glow {
        kit::Control* shown = nullptr;
        QDeadlineTimer ends;
    };
    void showFor(Glow& glow, kit::Control* control, int ms);
    void armAfterglow();
    void switchGameTimers(bool on);
    QString rankPath() const;
    void saveDone(const rankfile::SaveResult& saved);
    void endAfterSaves();

    FormServices services_;
    std::unique_ptr<Multimedia32> multimedia_;
    Random random_;
    kit::FormSurface* client_ = nullptr;
    // How the program ends. It only ever moves down this list; every
    // handler that may run late (a box that was open, a save's result, a
    // close request) asks it before it does anything.
    enum class Ending {
        playing,        // a game may run
        reportingSave,  // a failed save is being reported; the program ends after it
        awaitingSaves,  // Exit was given and hid the window; saves still pending
        ended,          // the program was told to end
    };
    Ending ending_ = Ending::playing;
    Glow cutGlow_, breachGlow_, flashGlow_;
    // rank.dat is saved on a thread of its own (made at the first game over)
    // so that the window never waits for another copy's lock or the disk.
    // Last, so that it is gone, its saves finished, before anything else.
    int savesPending_ = 0;  // saves whose results are still to come
    int exitStatus_ = 0;
    rankfile::SaveQueue& saves();
    std::unique_ptr<rankfile::SaveQueue> saves_;
};
