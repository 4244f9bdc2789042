#include "Phrases.h"

namespace {

constexpr QChar wordJoiner(0x2060);

}  // namespace

QString phrased(std::initializer_list<QStringView> phrases) {
    QString text;
    for (QStringView phrase : phrases) {
        for (qsizetype i = 0; i < phrase.size(); ++i) {
            // Surrogate pairs stay together without help.
            if (i > 0 && !phrase[i].isLowSurrogate()) text += wordJoiner;
            text += phrase[i];
        }
    }
    return text;
}

QString plainText(const QString& text) {
    QString plain = text;
    plain.remove(wordJoiner);
    return plain;
}
