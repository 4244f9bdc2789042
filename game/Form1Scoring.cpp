// Every cut ends here: the cut sound, the score, and the score bands that
// speed the targets up, raise the level display and tell a joke.

#include "Form1.h"
#include "Multimedia32.h"
#include "NativePath.h"
#include "Pace.h"

void Form1::UpdateScore() {
    multimedia_->WavePlay(nativePath(cutSoundPath));
    Label2->setCaption(QString::number(score));

    // The step is computed from the level's own step at every cut, so a
    // cut in a band sets step, level and message again.
    const pace::BandIncrements more = pace::bandIncrements(levelStep);
    if (score > 50 && score <= 100) {
        moveStep = static_cast<std::int16_t>(levelStep + more.second);
        Label7->setCaption(QStringLiteral("2"));
        Label10->setCaption(uraMode == 0 ? QStringLiteral("斬れ斬れ斬れぇーい！")
                                         : QStringLiteral("身ね打ち厳禁!!!"));
    }
    if (score > 100 && score <= 200) {
        moveStep = static_cast<std::int16_t>(levelStep + more.third);
        Label7->setCaption(QStringLiteral("3"));
        Label10->setCaption(uraMode == 0 ? QStringLiteral("真中のお前！減俸!!!")
                                         : QStringLiteral("弥七やっぱ風車自前？"));
    }
    if (score > 200) {
        moveStep = static_cast<std::int16_t>(levelStep + more.max);
        Label7->setCaption(QStringLiteral("Max!!!"));
        Label10->setCaption(uraMode == 0 ? QStringLiteral("そろそろ指つった？")
                                         : QStringLiteral("何！印篭落とした！？"));
    }
}
