#include "tests/support/DuxBuilder.h"

#include "platform/CodePage.h"

#include <QFile>
#include <cstring>
#include <stdexcept>

namespace pit::test {

namespace {

void append(QByteArray& out, const void* p, size_t n) {
    out.append(static_cast<const char*>(p), qsizetype(n));
}
void appendI32(QByteArray& out, int32_t v) {
    append(out, &v, 4);
}
void appendF32(QByteArray& out, float v) {
    append(out, &v, 4);
}
void appendString(QByteArray& out, const QString& t) {
    const QByteArray b = DuxBuilder::gbk(t);
    appendI32(out, int32_t(b.size() + 1));
    out.append(b);
    out.append('\0');
}
void patchI32(QByteArray& out, size_t off, int32_t v) {
    std::memcpy(out.data() + off, &v, 4);
}

} // namespace

QByteArray DuxBuilder::gbk(const QString& t) {
    return CodePage("CP936").fromUnicode(t);
}

QByteArray DuxBuilder::utf16(const QString& t) {
    QByteArray b;
    for (QChar c : t) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

DuxBuilder DuxBuilder::shortHeader(int length, const char* magic, int32_t code) {
    DuxBuilder d;
    d.m_magic = magic;
    d.m_code = code;
    d.m_area = QByteArray(length, '\0');
    d.channels(1, 1024).pile(10, 800, 4000).sampleInterval(20).testTime(1710466200);
    return d;
}

DuxBuilder DuxBuilder::paramBlock(const char* magic, int32_t code, int pad) {
    DuxBuilder d;
    d.m_magic = magic;
    d.m_code = code;
    d.m_block = true;
    d.m_area = QByteArray(432 + pad, '\0');
    d.channels(1, 1024).pile(10, 800, 4000).sampleInterval(20).testTime(1710466200);
    return d;
}

void DuxBuilder::put(size_t off, const void* p, size_t len) {
    if (off + len > size_t(m_area.size()))
        return; // beyond a short header: the field does not exist
    std::memcpy(m_area.data() + off, p, len);
}

void DuxBuilder::text8(size_t off, size_t field, const QString& t) {
    QByteArray b = gbk(t).left(qsizetype(field));
    b.append(QByteArray(qsizetype(field) - b.size(), '\0'));
    put(off, b.constData(), field);
}

void DuxBuilder::text16(size_t off, size_t field, const QString& t) {
    QByteArray b = utf16(t).left(qsizetype(field));
    b.append(QByteArray(qsizetype(field) - b.size(), '\0'));
    put(off, b.constData(), field);
}

DuxBuilder& DuxBuilder::i32At(size_t off, int32_t v) {
    put(off, &v, 4);
    return *this;
}

DuxBuilder& DuxBuilder::f32At(size_t off, float v) {
    put(off, &v, 4);
    return *this;
}

DuxBuilder& DuxBuilder::rawAt(size_t off, const QByteArray& bytes) {
    put(off, bytes.constData(), size_t(bytes.size()));
    return *this;
}

DuxBuilder& DuxBuilder::channels(int c, int s) {
    count = c;
    n = s;
    return m_block ? i32At(106, c).i32At(110, s) : i32At(65, c).i32At(69, s);
}

DuxBuilder& DuxBuilder::pile(float length, int32_t diameter, int32_t speed) {
    return m_block ? f32At(50, length).i32At(54, diameter).i32At(58, speed)
                   : f32At(9, length).i32At(13, diameter).i32At(17, speed);
}

DuxBuilder& DuxBuilder::sampleInterval(float dt) {
    return f32At(m_block ? 98 : 57, dt);
}

DuxBuilder& DuxBuilder::testTime(int32_t t) {
    return i32At(m_block ? 164 : 82, t);
}

DuxBuilder& DuxBuilder::sensor(int32_t kind, int32_t formFlag) {
    return m_block ? i32At(74, kind).i32At(70, formFlag) : i32At(33, kind).i32At(29, formFlag);
}

DuxBuilder& DuxBuilder::scale(float s) {
    return f32At(m_block ? 102 : 61, s);
}

DuxBuilder& DuxBuilder::toeDepth(float m) {
    return f32At(m_block ? 172 : 90, m);
}

DuxBuilder& DuxBuilder::blowSelect(uint8_t sel, std::array<uint8_t, 15> bytes) {
    const size_t off = m_block ? 226 : 103;
    put(off, &sel, 1);
    put(off + 1, bytes.data(), 15);
    return *this;
}

DuxBuilder& DuxBuilder::sensorDistance(int32_t mm) {
    return i32At(m_block ? 242 : 119, mm);
}

DuxBuilder& DuxBuilder::shapeSideGrade(int32_t shape, int32_t side, int32_t grade) {
    return m_block ? i32At(248, shape).i32At(252, side).i32At(256, grade)
                   : i32At(125, shape).i32At(129, side).i32At(133, grade);
}

DuxBuilder& DuxBuilder::enlarged(float d, float side) {
    return m_block ? f32At(424, d).f32At(428, side) : f32At(301, d).f32At(305, side);
}

DuxBuilder& DuxBuilder::project(const QString& t) {
    if (m_block)
        text16(0, 50, t);
    return *this;
}

DuxBuilder& DuxBuilder::pileNo(const QString& t) {
    if (m_block)
        text16(176, 50, t);
    else
        text8(94, 9, t);
    return *this;
}

DuxBuilder& DuxBuilder::idText2(const QString& t) {
    if (m_block)
        text16(114, 50, t);
    else
        text8(73, 9, t);
    return *this;
}

DuxBuilder& DuxBuilder::texts(const QString& t4, const QString& t5, const QString& t6) {
    const bool eight = m_magic == "RIRADAD" || m_magic == "A-RIRADAD";
    const size_t offs[3] = {size_t(m_block ? 260 : 137), size_t(m_block ? 310 : 187),
                            size_t(m_block ? 360 : 237)};
    const QString* t[3] = {&t4, &t5, &t6};
    for (int i = 0; i < 3; ++i) {
        if (m_block && !eight)
            text16(offs[i], 50, *t[i]);
        else
            text8(offs[i], 50, *t[i]);
    }
    return *this;
}

DuxBuilder& DuxBuilder::className(const QString& t) {
    if (m_block)
        text16(410, 10, t);
    else
        text8(287, 10, t);
    return *this;
}

DuxBuilder& DuxBuilder::extension(uint8_t flag, int32_t shape, int32_t side, int32_t grade) {
    put(432, &flag, 1);
    const uint8_t zero = 0;
    put(433, &zero, 1);
    return i32At(434, shape).i32At(438, side).i32At(442, grade);
}

DuxBuilder& DuxBuilder::guard(int32_t v) {
    m_guard = v;
    return *this;
}

DuxBuilder& DuxBuilder::offsets(int32_t p, int32_t w) {
    m_p = p;
    m_w = w;
    return *this;
}

DuxBuilder& DuxBuilder::samples(std::vector<float> all) {
    m_samples = std::move(all);
    return *this;
}

DuxBuilder& DuxBuilder::blowTable(std::vector<DuxBlow> blows, bool tagged, std::optional<int32_t> c) {
    m_blows = std::move(blows);
    m_tableTagged = tagged;
    m_tableCount = c;
    return *this;
}

DuxBuilder& DuxBuilder::analysis(DuxAnalysis a) {
    m_analysis = std::move(a);
    return *this;
}

QByteArray DuxBuilder::channelRecord(const DuxChannel& c) {
    QByteArray b;
    for (int32_t v : {c.n, c.highPass, c.lowPass, c.wavelet, c.expGain, c.dataForm, c.bottom, c.toe, c.ref,
                      c.speedAbove, c.speed})
        appendI32(b, v);
    appendF32(b, c.sensorDistance);
    appendF32(b, c.pileLength);
    appendI32(b, c.head);
    appendI32(b, c.ref);
    appendI32(b, c.toe);
    appendF32(b, c.dt);
    appendI32(b, c.expStart);
    appendF32(b, c.zoom);
    appendI32(b, c.markCount.value_or(int32_t(c.defects.size())));
    for (const auto& d : c.defects)
        for (int32_t v : {d.index, d.type, d.severity, d.extra})
            appendI32(b, v);
    const int real = c.n == 1024 ? c.n : 1024;
    for (int i = 0; i < real; ++i)
        appendF32(b, i < int(c.samples.size()) ? c.samples[size_t(i)] : 0.0f);
    return b;
}

QByteArray DuxBuilder::build() const {
    QByteArray out(50, '\0');
    std::memcpy(out.data(), m_magic.constData(), size_t(std::min<qsizetype>(m_magic.size(), 10)));
    patchI32(out, 10, m_code);
    patchI32(out, 26, m_guard);
    const int32_t P = 50;
    out.append(m_area);
    const int32_t W = int32_t(out.size());
    patchI32(out, 14, m_p.value_or(P));
    patchI32(out, 18, m_w.value_or(W));
    // The declared block, or every given sample when more are given.
    const size_t declared = size_t(std::max(count, 0)) * size_t(std::max(n, 0));
    for (size_t i = 0; i < std::max(declared, m_samples.size()); ++i)
        appendF32(out, i < m_samples.size() ? m_samples[i] : 0.0f);
    patchI32(out, 22, int32_t(out.size()));

    if (m_blows) {
        const size_t table = size_t(out.size());
        out.append(m_tableTagged ? "AA" : "XX", 2);
        const auto& blows = *m_blows;
        appendI32(out, m_tableCount.value_or(int32_t(blows.size())));
        const size_t offs = size_t(out.size());
        out.append(QByteArray(qsizetype(4 * blows.size()), '\0'));
        for (size_t i = 0; i < blows.size(); ++i) {
            const DuxBlow& b = blows[i];
            patchI32(out, offs + 4 * i, int32_t(out.size()));
            const size_t start = size_t(out.size());
            out.append(b.tagged ? "AD" : "ZZ", 2);
            appendI32(out, b.blow);
            append(out, b.blowBytes.data(), 15);
            appendI32(out, int32_t(start + 62)); // samples right after the block
            appendF32(out, b.pileLength);
            for (int32_t v : {b.speed, 0, 50000, 1})
                appendI32(out, v);
            appendF32(out, -1.0f);
            for (int32_t v : {b.head, b.toe, b.defectIndex})
                appendI32(out, v);
            out.append('\0');
            for (int i = 0; i < 1024; ++i)
                appendF32(out, i < int(b.samples.size()) ? b.samples[size_t(i)] : 0.0f);
        }
        (void)table;
    }
    if (m_analysis) {
        const DuxAnalysis& a = *m_analysis;
        const size_t head = size_t(out.size());
        out.append(QByteArray(12, '\0'));
        appendString(out, a.pileNo);
        appendString(out, a.constructionDate);
        out.append(char(a.fixedParam));
        appendString(out, a.project);
        appendString(out, a.testDate);
        if (m_code != 1007) {
            appendString(out, a.text6);
            appendString(out, a.text5);
        }
        appendF32(out, a.pileLength);
        appendI32(out, a.waveSpeed);
        appendString(out, a.className);
        appendI32(out, a.gradeIndex);
        appendI32(out, a.sensorKind);
        appendI32(out, 0);
        appendF32(out, a.diameter);
        appendF32(out, a.enlarged);
        for (float v : a.pileValues)
            appendF32(out, v);
        appendString(out, a.remark);
        appendString(out, a.conclusion);
        appendString(out, a.idText2);
        appendString(out, a.shapeText);
        appendI32(out, a.firstSample);
        appendI32(out, a.samples);
        for (int32_t v : a.analysisValues)
            appendI32(out, v);
        appendI32(out, a.current);
        for (int32_t f : a.blowFlags)
            appendI32(out, f);
        out.append(char(a.state));
        if (m_code == 1036 || m_code == 1042) {
            appendF32(out, a.secondSide);
            appendF32(out, a.enlarged2);
        }
        if (m_code == 1042)
            appendI32(out, a.sensorDistance);
        for (size_t i = 0; i < a.channels.size(); ++i) {
            if (int32_t(i) == a.current)
                patchI32(out, head + 4, int32_t(out.size()));
            out.append(channelRecord(a.channels[i]));
        }
        for (const auto& c : a.averages)
            out.append(channelRecord(c));
        for (int32_t m : a.modes)
            appendI32(out, m);
        appendF32(out, a.scale);
    }
    return out;
}

QString DuxBuilder::writeTo(const QString& dir, const QString& name) const {
    const QString path = dir + u'/' + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(build()) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

} // namespace pit::test
