#pragma once

#include <QSize>
#include <span>

// Every picture with the game controls that show it, for tools and tests that
// have to go over all of them (the contact sheet, the resource tests).
namespace pictures {

enum class Kind {
    Sprite,  // 32 x 32 with a transparent surround
    Opaque,  // 32 x 32, 24-bit, no transparency
    Cursor,
    Icon,
    Scene,
};

struct Entry {
    const char* name;  // file name without extension, e.g. "bonus_cut"
    const char* path;  // resource path from Pictures.h
    Kind kind;
    QSize size;
    const char* shownBy;     // controls holding it when the game starts
    const char* specialBy;   // controls holding it in the special mode
    const char* pairedWith;  // for a cut or found picture: its normal picture
};

std::span<const Entry> catalogue();

}  // namespace pictures
