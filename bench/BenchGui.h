// The one offscreen QGuiApplication the drawing benchmarks share, with the
// program's font substitutions registered.
#pragma once

#include "platform/FontSetup.h"

#include <QGuiApplication>
#include <cstdlib>

namespace bench {

inline void EnsureGui() {
    static QGuiApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "pit_bench";
        static char* argv[] = {name, nullptr};
        auto* a = new QGuiApplication(argc, argv);
        pit::RegisterFontSubstitutions();
        return a;
    }();
    (void)app;
}

} // namespace bench
