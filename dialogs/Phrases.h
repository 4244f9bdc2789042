#pragma once

#include <QString>
#include <initializer_list>

// Japanese text that a wrapping label may break only between phrases: the
// characters of one phrase are held together with word joiners, so no line
// starts inside a word, with a small kana, a long-vowel mark or a closing
// mark. The joiners are invisible; plainText() takes them out again.
QString phrased(std::initializer_list<QStringView> phrases);
QString plainText(const QString& text);
