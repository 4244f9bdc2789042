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
#include "GameState.h"
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
}

// The main window: it owns the whole game, its controls and every handler.
// The definitions are split by concern: layout, start-up, game flow and
// timers, targets, scoring, and (in dialogs/) the Setting and Help menus.
class Form1 : public QMainWindow, public GameState {
    Q_OBJECT
public:
    explicit Form1(FormServices services);
    ~Form1() override;

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

    // Twips each target sinks on every Timer1 tick.
    std::int16_t moveStep = 0;
    // Two-state menu switches; empty until first used, which counts as 0.
    std::optional<int> titleToggle;
    std::optional<int> lineToggle;
    // The special mode: 0 normal, 1 on.
    std::int16_t uraMode = 0;

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
    // order Image1 to Image5, Image6, Image9; disabled, so a press goes
    // through it), and a box that flashes behind the Life value when a life
    // is lost. One single-shot timer ends both.
    std::array<kit::ImageControl*, 7> cutMarks{};
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

    void RevealUraMenu();
    void StartPlay();
    void StopPlay();
    void GameOver();
    void CheckGameOver();
    void ResetTargets();
    void PushRandomTarget();
    void UpdateScore();
    void CutTarget(kit::ImageControl* target);
    void EnableCharacters(bool on);
    void ShowCutMark(const kit::ImageControl* character);
    void FlashLife();
    void EndAfterglow();
    void ArmAfterglow();
    void SwitchGameTimers(bool on);
    QString rankPath() const;
    void SaveDone(const rankfile::SaveResult& saved);
    void EndAfterSaves();

    FormServices services_;
    std::unique_ptr<Multimedia32> multimedia_;
    Random random_;
    kit::FormSurface* client_ = nullptr;
    bool ended_ = false;
    kit::ImageControl* shownMark_ = nullptr;
    QDeadlineTimer markEnds_;
    bool flashOn_ = false;
    QDeadlineTimer flashEnds_;
    // rank.dat is saved on a thread of its own (made at the first game over)
    // so that the window never waits for another copy's lock or the disk.
    // Last, so that it is gone, its saves finished, before anything else.
    int savesPending_ = 0;  // saves whose results are still to come
    bool exiting_ = false;  // Exit waits for them
    bool exited_ = false;   // the program was told to end
    int exitStatus_ = 0;
    std::shared_ptr<rankfile::SaveQueue> saves_;
};
