#include "platform/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace pit {

namespace {

struct IconvHandle {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (ok())
            iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    void reset() {
        if (ok())
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
};

// Opening a conversion costs more than converting a short text, and every
// pile file holds a dozen: each thread keeps the last one of each direction.
IconvHandle& cachedHandle(const char* to, const char* from) {
    struct Cached {
        QByteArray to, from;
        std::unique_ptr<IconvHandle> handle;
    };
    thread_local Cached cache[2];
    Cached& c = cache[std::strcmp(to, "UTF-16LE") == 0 ? 0 : 1];
    if (!c.handle || c.to != to || c.from != from) {
        c.handle = std::make_unique<IconvHandle>(to, from);
        c.to = to;
        c.from = from;
    }
    c.handle->reset();
    return *c.handle;
}

// Converts one UTF-16 code point sequence; returns false when the code page
// cannot represent it.
bool encodeOne(IconvHandle& h, const char16_t* units, size_t count, QByteArray& out) {
    char buf[16];
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    size_t inLeft = count * 2;
    char* o = buf;
    size_t outLeft = sizeof buf;
    h.reset();
    if (iconv(h.cd, &in, &inLeft, &o, &outLeft) == size_t(-1)) {
        h.reset();
        return false;
    }
    iconv(h.cd, nullptr, nullptr, &o, &outLeft);
    out.append(buf, qsizetype(o - buf));
    return true;
}

CodePage& systemPage() {
    static CodePage page;
    return page;
}

} // namespace

CodePage::CodePage(QByteArray name) : m_name(std::move(name)) {}

QByteArray CodePage::fromUnicode(const QString& text) const {
    return fromUnicodeLimited(text, size_t(-1));
}

QByteArray CodePage::fromUnicodeLimited(const QString& text, size_t maxBytes) const {
    // Plain ASCII goes through unchanged (as in the loop below), at once.
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    if (std::all_of(units, units + text.size(), [](char16_t c) { return c < 0x80; }))
        return text.left(qsizetype(qMin<size_t>(maxBytes, size_t(text.size())))).toLatin1();
    QByteArray out;
    out.reserve(qMin<qsizetype>(text.size() * 2, qsizetype(qMin<size_t>(maxBytes, 1 << 20))));
    IconvHandle& h = cachedHandle(m_name.constData(), "UTF-16LE");
    const char16_t* u = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    QByteArray one;
    for (qsizetype i = 0; i < n;) {
        const qsizetype len =
            (QChar::isHighSurrogate(u[i]) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) ? 2 : 1;
        one.clear();
        if (u[i] < 0x80) {
            one.append(char(u[i]));
        } else if (!h.ok() || !encodeOne(h, u + i, size_t(len), one)) {
            one = QByteArray(1, '?');
        }
        if (size_t(out.size() + one.size()) > maxBytes)
            break;
        out.append(one);
        i += len;
    }
    return out;
}

QString CodePage::toUnicode(const char* bytes, size_t n) const {
    IconvHandle& h = cachedHandle("UTF-16LE", m_name.constData());
    if (!h.ok())
        return QString::fromLatin1(bytes, qsizetype(n));
    QString out;
    out.reserve(qsizetype(n));
    std::unique_ptr<char16_t[]> buf(new char16_t[n + 4]);
    char* in = const_cast<char*>(bytes);
    size_t inLeft = n;
    while (inLeft > 0) {
        char* o = reinterpret_cast<char*>(buf.get());
        size_t outLeft = (n + 4) * 2;
        const size_t r = iconv(h.cd, &in, &inLeft, &o, &outLeft);
        out.append(reinterpret_cast<const QChar*>(buf.get()),
                   qsizetype((reinterpret_cast<char16_t*>(o) - buf.get())));
        if (r == size_t(-1)) {
            if (errno == EILSEQ || errno == EINVAL) {
                // An invalid or incomplete sequence: one replacement, skip one byte.
                out.append(QChar(QChar::ReplacementCharacter));
                ++in;
                --inLeft;
                h.reset();
            } else if (errno != E2BIG) {
                break;
            }
        }
    }
    return out;
}

size_t CodePage::boundaryAtOrBefore(const QByteArray& bytes, size_t maxBytes) const {
    if (size_t(bytes.size()) <= maxBytes)
        return size_t(bytes.size());
    // Re-encoding the decoded prefix keeps only whole characters.
    const QString text = toUnicode(bytes);
    return size_t(fromUnicodeLimited(text, maxBytes).size());
}

const CodePage& CodePage::system() {
    return systemPage();
}

void CodePage::setSystem(const QByteArray& name) {
    systemPage() = CodePage(name);
}

} // namespace pit
