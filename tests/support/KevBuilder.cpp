#include "tests/support/KevBuilder.h"

#include <QDir>
#include <QFile>
#include <cstring>

namespace pit::test {

namespace {
template <typename T> void put(QByteArray& b, int off, T v) {
    std::memcpy(b.data() + off, &v, sizeof v);
}
} // namespace

float KevBuilder::sample(int c, int i) const {
    const size_t k = size_t(c) * 1024 + size_t(i);
    return k < samples.size() ? samples[k] : float(c + 1) * 0.001f * float(i % 97) - 0.01f;
}

QByteArray KevBuilder::build(int cutAt) const {
    QByteArray b(256 + 3 * 1024 * 4, '\0');
    // Bytes the converter skips carry a pattern so that a read at the wrong
    // offset shows.
    for (int k = 0; k < 256; ++k)
        b[k] = char(0xA0 + k % 7);
    std::memcpy(b.data() + 18 + 12, idText.constData(), size_t(std::min<qsizetype>(idText.size(), 8)));
    QByteArray date = dateText.leftJustified(9, '\0', true);
    std::memcpy(b.data() + 18 + 26, date.constData(), 9);
    put(b, 64, diameterM);
    put(b, 76, sensorKind);
    put(b, 86, scale);
    put(b, 94, lowPass);
    put(b, 128, expGain);
    put(b, 130, pileLength);
    put(b, 138, waveSpeed);
    put(b, 140, sampleInterval);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 1024; ++i)
            put(b, 256 + 4 * (c * 1024 + i), sample(c, i));
    return cutAt > 0 ? b.left(cutAt) : b;
}

QString KevBuilder::writeTo(const QString& dir, const QString& name, int cutAt) const {
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(build(cutAt));
    return path;
}

} // namespace pit::test
