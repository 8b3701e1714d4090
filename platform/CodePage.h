// The 8-bit "system code page" of the data files (GBK on the Chinese Windows
// the instruments and the original tools run on), converted through iconv.
#pragma once

#include <QByteArray>
#include <QString>

namespace pit {

class CodePage {
public:
    // name: an iconv encoding name; "CP936" unless configured otherwise.
    explicit CodePage(QByteArray name = "CP936");

    const QByteArray& name() const { return m_name; }

    // Characters the code page lacks become '?', as the Windows conversion does.
    QByteArray fromUnicode(const QString& text) const;
    // At most maxBytes bytes, cut before the character that would not fit whole.
    QByteArray fromUnicodeLimited(const QString& text, size_t maxBytes) const;
    // Invalid byte sequences become U+FFFD.
    QString toUnicode(const char* bytes, size_t n) const;
    QString toUnicode(const QByteArray& bytes) const {
        return toUnicode(bytes.constData(), size_t(bytes.size()));
    }

    // The longest prefix of bytes that ends on a character boundary and fits maxBytes.
    size_t boundaryAtOrBefore(const QByteArray& bytes, size_t maxBytes) const;

    // The code page of the program; configurable for tests and other locales.
    static const CodePage& system();
    static void setSystem(const QByteArray& name);

private:
    QByteArray m_name;
};

} // namespace pit
