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

QString VisibleControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\t' || (u >= 0x20 && u < 0x7F) || u > 0x9F)
            out += c;
        else if (u == 0)
            out += QStringLiteral("\\0");
        else
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
    }
    return out;
}

int StderrMessageSink::show(const QString& text, const QString& caption, unsigned type) {
    // A control character (a NUL in a listed path) would cut the line short
    // or move over it: each is written as an escape.
    const QByteArray line =
        VisibleControls(caption.isEmpty() ? text : caption + QStringLiteral(": ") + text).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fputc('\n', stderr);
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
