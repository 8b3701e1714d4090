// Typed values of the settings file: booleans 0/1 (true only for 1), floats
// written with "%f", colours "r,g,b", texts kept on one line. Locale-free.
#pragma once

#include "platform/Color.h"
#include "platform/IniFile.h"

#include <QString>

namespace pit::profile {

// Line breaks inside a value would end the line in the file: each becomes a space.
QString oneLine(const QString& value);

// The longest text the Windows profile calls return (259 characters and the terminator).
constexpr int kMaxText = 259;

int readBool(const IniFile& ini, const QString& section, const QString& key, int def);
void writeBool(IniFile& ini, const QString& section, const QString& key, int value);

int readInt(const IniFile& ini, const QString& section, const QString& key, int def);
// The value read, clamped to lo..hi.
int readIntIn(const IniFile& ini, const QString& section, const QString& key, int def, int lo, int hi);
void writeInt(IniFile& ini, const QString& section, const QString& key, int value);

// Read as text (default defText) and parsed as a float.
float readFloat(const IniFile& ini, const QString& section, const QString& key, const QString& defText);
void writeFloat(IniFile& ini, const QString& section, const QString& key, float value);

COLORREF readColor(const IniFile& ini, const QString& section, const QString& key, const QString& defText);
void writeColor(IniFile& ini, const QString& section, const QString& key, COLORREF value);

// maxChars < 0: no limit (paths).
QString readText(const IniFile& ini, const QString& section, const QString& key, const QString& def,
                 int maxChars = kMaxText);
void writeText(IniFile& ini, const QString& section, const QString& key, const QString& value);

} // namespace pit::profile
