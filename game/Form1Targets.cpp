// The play itself: the targets sink and are pushed, a target past the limit
// costs a life, and a click cuts a character.

#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "Form1.h"
#include "Multimedia32.h"
#include "NativePath.h"
#include "Pace.h"
#include "Timing.h"

namespace {

// Long enough to be seen, short enough never to hide the next target.
constexpr int cutMarkMs = 100;
constexpr int breachMs = 250;
constexpr int lifeFlashMs = 400;

}  // namespace

void Form1::Timer1_Timer() {
    qCDebug(zanraiTiming, "Timer1 %lld", timingNow());
    const auto step = static_cast<float>(moveStep);
    for (kit::ImageControl* target : targets) target->setTop(target->top() + step);
}

void Form1::Timer2_Timer() { PushRandomTarget(); }

void Form1::PushRandomTarget() {
    const auto i =
        static_cast<std::size_t>(std::floor(random_.next() * static_cast<double>(targets.size())));
    if (i < targets.size()) targets[i]->setTop(targets[i]->top() + pace::pushTwips[i]);
}

void Form1::Timer3_Timer() {
    const auto past = std::find_if(targets.begin(), targets.end(), [](const auto* target) {
        return target->top() > pace::limitTop;
    });
    if (past == targets.end()) return;
    game.breach();
    showBreach(*past);
    flashLife();
    CheckGameOver();
}

void Form1::CheckGameOver() {
    if (!game.isOver()) {
        ResetTargets();
    } else {
        GameOver();
        // Game over has already reset the window; nothing of the last game
        // may linger on the idle one.
        endAfterglow();
    }
}

void Form1::ResetTargets() {
    Command4->click();
    for (kit::ImageControl* target : targets) target->setTop(pace::homeTop);
}

void Form1::Command4_Click() { multimedia_->WavePlay(nativePath(deflectSoundPath)); }

void Form1::cutTarget(kit::ImageControl* target) {
    showCutMark(target);
    target->setTop(pace::homeTop);
    UpdateScore(rules::Cut::target);
}

void Form1::Image1_Click() { cutTarget(Image1); }
void Form1::Image2_Click() { cutTarget(Image2); }
void Form1::Image3_Click() { cutTarget(Image3); }
void Form1::Image4_Click() { cutTarget(Image4); }
void Form1::Image5_Click() { cutTarget(Image5); }

void Form1::Image6_Click() {
    showCutMark(Image6);
    Image6->setPicture(Image7->picture());
    Image6->setEnabled(false);
    Label10->setCaption(uraMode == 0 ? QStringLiteral("うっ!(よく気づいたな…)")
                                     : QStringLiteral("後に斬るほど高得点"));
    // Scored after the text: a score in a band puts the band's message over it.
    UpdateScore(rules::Cut::character);
}

void Form1::Image9_Click() {
    showCutMark(Image9);
    Image9->setPicture(Image11->picture());
    Image9->setEnabled(false);
    Label11->setCaption(uraMode == 0 ? QStringLiteral("拙者に気づくとは・・・")
                                     : QStringLiteral("何もしてないのに・・・酷い"));
    Label11->setVisible(true);
    UpdateScore(rules::Cut::character);
}

// The mark stands where the character was hit, before a target goes home.
// Only the latest cut shows one.
void Form1::showCutMark(const kit::ImageControl* character) {
    const auto at = std::find(cuttables.begin(), cuttables.end(), character);
    if (at == cuttables.end()) return;
    kit::ImageControl* mark = cutMarks[static_cast<std::size_t>(at - cuttables.begin())];
    mark->setTop(character->top());
    showFor(cutGlow_, mark, cutMarkMs);
}

// The burst stands on the red line in the column of the target that broke
// through, before the targets go home.
void Form1::showBreach(const kit::ImageControl* target) {
    breachMark->move(target->x() + (target->width() - breachMark->width()) / 2, breachMark->y());
    showFor(breachGlow_, breachMark, breachMs);
}

void Form1::flashLife() { showFor(flashGlow_, lifeFlash, lifeFlashMs); }

void Form1::showFor(Glow& glow, kit::Control* control, int ms) {
    if (glow.shown && glow.shown != control) glow.shown->setVisible(false);
    control->setVisible(true);
    glow.shown = control;
    glow.ends.setRemainingTime(ms, Qt::PreciseTimer);
    armAfterglow();
}

void Form1::Afterglow_Timer() {
    for (Glow* glow : {&cutGlow_, &breachGlow_, &flashGlow_}) {
        if (glow->shown && glow->ends.hasExpired()) {
            glow->shown->setVisible(false);
            glow->shown = nullptr;
        }
    }
    armAfterglow();
}

void Form1::endAfterglow() {
    for (Glow* glow : {&cutGlow_, &breachGlow_, &flashGlow_}) {
        if (glow->shown) glow->shown->setVisible(false);
        glow->shown = nullptr;
    }
    afterglow->stop();
}

// One timer serves all: it is set for whichever ends first.
void Form1::armAfterglow() {
    qint64 next = -1;
    for (const Glow* glow : {&cutGlow_, &breachGlow_, &flashGlow_}) {
        if (!glow->shown) continue;
        const qint64 left = glow->ends.remainingTime();
        next = next < 0 ? left : std::min(next, left);
    }
    if (next < 0)
        afterglow->stop();
    else
        afterglow->start(static_cast<int>(next));
}
