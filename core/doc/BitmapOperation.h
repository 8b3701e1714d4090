// Colour texts of the settings file: "r,g,b" in decimal.
#pragma once

#include "platform/Color.h"

#include <QString>

class CBitmapOperation {
public:
    virtual ~CBitmapOperation() = default;

    static bool ColorToText(QString& text, pit::COLORREF c);
    // Up to three comma-separated parts, each atoi and cut to a byte.
    static bool TextToColor(const QString& text, pit::COLORREF& c);
};
