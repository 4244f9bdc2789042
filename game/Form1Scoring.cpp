// Every cut ends here: the cut sound, the score, and the score bands that
// speed the targets up, raise the level display and tell a joke.

#include "Form1.h"
#include "Multimedia32.h"
#include "NativePath.h"
#include "Pace.h"
#include "Rules.h"

namespace {

// What the message line says in each band, in the normal and the special mode.
struct BandJoke {
    rules::Band band;
    const char* normal;
    const char* special;
};
constexpr BandJoke jokes[] = {
    {rules::Band::second, "斬れ斬れ斬れぇーい！", "身ね打ち厳禁!!!"},
    {rules::Band::third, "真中のお前！減俸!!!", "弥七やっぱ風車自前？"},
    {rules::Band::max, "そろそろ指つった？", "何！印篭落とした！？"},
};

}  // namespace

void Form1::UpdateScore() {
    multimedia_->WavePlay(nativePath(cutSoundPath));
    Label2->setCaption(QString::number(score));

    // The step is computed from the level's own step at every cut, so a
    // cut in a band sets step, level and message again.
    const rules::ScoreBand* band = rules::bandOf(score);
    if (band == nullptr) return;
    moveStep = static_cast<std::int16_t>(levelStep + pace::bandIncrement(levelStep, band->band));
    Label7->setCaption(QString::fromUtf8(band->levelText));
    for (const BandJoke& joke : jokes)
        if (joke.band == band->band)
            Label10->setCaption(QString::fromUtf8(uraMode == 0 ? joke.normal : joke.special));
}
