#include "platform/MessageSink.h"

#include <cstdio>

namespace pit {

std::vector<int> buttonsForType(unsigned type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

int defaultResultForType(unsigned type) {
    const auto buttons = buttonsForType(type);
    const size_t index = (type & MB_DEFMASK) >> 8;
    return buttons[index < buttons.size() ? index : 0];
}

int StderrMessageSink::show(const QString& text, const QString& caption, unsigned type) {
    const QByteArray line = (caption.isEmpty() ? text : caption + QStringLiteral(": ") + text).toUtf8();
    std::fprintf(stderr, "%s\n", line.constData());
    return defaultResultForType(type);
}

int ScriptedMessageSink::show(const QString& text, const QString& caption, unsigned type) {
    shown.push_back({text, caption, type});
    if (answers.empty())
        return defaultResultForType(type);
    const int r = answers.front();
    answers.pop_front();
    return r;
}

} // namespace pit
