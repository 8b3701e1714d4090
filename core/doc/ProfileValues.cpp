#include "core/doc/ProfileValues.h"

#include "core/doc/BitmapOperation.h"
#include "core/doc/MathOperation.h"

#include <algorithm>

namespace pit::profile {

QString oneLine(const QString& value) {
    QString v = value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return v;
}

int readBool(const IniFile& ini, const QString& section, const QString& key, int def) {
    return ini.readInt(section, key, def) == 1 ? 1 : 0;
}

void writeBool(IniFile& ini, const QString& section, const QString& key, int value) {
    ini.writeInt(section, key, value == 1 ? 1 : 0);
}

int readInt(const IniFile& ini, const QString& section, const QString& key, int def) {
    return ini.readInt(section, key, def);
}

int readIntIn(const IniFile& ini, const QString& section, const QString& key, int def, int lo, int hi) {
    return std::clamp(ini.readInt(section, key, def), lo, hi);
}

void writeInt(IniFile& ini, const QString& section, const QString& key, int value) {
    ini.writeInt(section, key, value);
}

float readFloat(const IniFile& ini, const QString& section, const QString& key, const QString& defText) {
    float v = 0.0f;
    MathOperation::CStringToFloat(ini.readString(section, key, defText), v);
    return v;
}

void writeFloat(IniFile& ini, const QString& section, const QString& key, float value) {
    ini.writeString(section, key, QString::asprintf("%f", double(value)));
}

COLORREF readColor(const IniFile& ini, const QString& section, const QString& key, const QString& defText) {
    COLORREF c = 0;
    CBitmapOperation::TextToColor(ini.readString(section, key, defText), c);
    return c;
}

void writeColor(IniFile& ini, const QString& section, const QString& key, COLORREF value) {
    QString text;
    CBitmapOperation::ColorToText(text, value);
    ini.writeString(section, key, text);
}

QString readText(const IniFile& ini, const QString& section, const QString& key, const QString& def,
                 int maxChars) {
    const QString v = ini.readString(section, key, def);
    return maxChars >= 0 ? v.left(maxChars) : v;
}

void writeText(IniFile& ini, const QString& section, const QString& key, const QString& value) {
    ini.writeString(section, key, oneLine(value));
}

} // namespace pit::profile
