// Font faces the drawing code names (Windows faces) mapped to the fonts the
// setup script installs, so text metrics are the same on every machine.
#pragma once

#include <QString>
#include <QStringList>

namespace pit {

// Registers the substitutions once; call after the application object exists.
void RegisterFontSubstitutions();

// The installed families a face is drawn with, best first (empty for a face
// that needs none).
QStringList FontSubstitutesFor(const QString& face);

} // namespace pit
