// Every cut ends here: the cut sound, then the model scores it. What the
// model tells of the score, the lives, the level, the bands' messages and the
// best score reaches the labels through the connections made here.

#include "Form1.h"
#include "Multimedia32.h"
#include "NativePath.h"
#include "RankRecord.h"

void Form1::UpdateScore(rules::Cut cut) {
    multimedia_->WavePlay(nativePath(cutSoundPath));
    game.cut(cut);
}

void Form1::connectModel() {
    connect(&game, &GameModel::scoreChanged, this,
            [this](std::int32_t points) { Label2->setCaption(QString::number(points)); });
    connect(&game, &GameModel::livesChanged, this,
            [this](std::int16_t left) { Label9->setCaption(QString::number(left)); });
    connect(&game, &GameModel::levelChanged, Label7, &kit::AutoLabel::setCaption);
    connect(&game, &GameModel::bandMessage, Label10, &kit::AutoLabel::setCaption);
    connect(&game, &GameModel::bestChanged, this, [this](const rules::BestScore& best) {
        Label5->setCaption(QString::fromStdString(highScoreText(best)));
    });
}
