// Helpers of the document writer's tests: templates of the build, a saved
// document read back as XML and checked, small picture files.
#pragma once

#include "office/OoxmlPackage.h"
#include "office/WordDocument.h"
#include "tests/support/OfficeCheck.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace pit::test {

inline QString TemplateFile(const QString& name) {
    return QStringLiteral(PIT_TEMPLATE_DIR "/") + name + QStringLiteral(".dotx");
}

// A written document: its package, its main part as XML and what the
// structure check found.
struct Saved {
    QString path;
    OoxmlPackage pkg;
    pugi::xml_document main;
    QStringList problems;

    int Count(const char* xpath) const { return int(main.select_nodes(xpath).size()); }
    std::string Value(const char* xpath) const {
        pugi::xpath_node n = main.select_node(xpath);
        return n.attribute() ? n.attribute().value() : n.node().text().get();
    }
};

// The main part of a written package, parsed into x.
inline void LoadMainPart(const OoxmlPackage& pkg, pugi::xml_document& x) {
    const QByteArray xml = pkg.Part(QStringLiteral("word/document.xml"));
    x.load_buffer(xml.constData(), size_t(xml.size()));
}

inline std::unique_ptr<Saved> SaveAndRead(WordDocument& doc, const QString& path) {
    auto s = std::make_unique<Saved>();
    s->path = path;
    doc.SaveAs(path);
    s->pkg = OoxmlPackage::FromFile(path);
    LoadMainPart(s->pkg, s->main);
    s->problems = DocxProblems(path);
    return s;
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A small enhanced metafile: header with the frame (hundredths of a mm), one
// rectangle, end of file.
inline QByteArray MakeEmf(int frameW, int frameH, int devW = 96, int devH = 96) {
    QByteArray b;
    const auto u32 = [&](quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    };
    // header (88 bytes)
    u32(1);
    u32(88);
    u32(0), u32(0), u32(devW - 1), u32(devH - 1); // bounds
    u32(0), u32(0), u32(frameW), u32(frameH);     // frame
    u32(0x464D4520);
    u32(0x10000);
    u32(88 + 24 + 20);
    u32(3);
    u32(1); // handles, reserved
    u32(0), u32(0), u32(0);
    u32(1920), u32(1080); // device pixels
    u32(508), u32(286);   // device millimetres
    // rectangle
    u32(43);
    u32(24);
    u32(2), u32(2), u32(devW - 3), u32(devH - 3);
    // end of file
    u32(14);
    u32(20);
    u32(0);
    u32(16);
    u32(20);
    return b;
}

inline QByteArray MakeImage(int w, int h, const char* format, QColor colour = Qt::red) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

} // namespace pit::test
