// The analysis block that the program saves into a pile file after its
// samples, read field by field with every string length and offset checked.
// The pile reader builds records from it; the reports read their rows and
// cells from it without building the channels.
#pragma once

#include "platform/ByteCursor.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

class CWaveRecord;

namespace pit {

// A date with an optional time of day as the saved texts hold them
// ("2024-03-15 09:30:00"; also "/" or "." between the date parts, fields
// without leading zeros, or no time). Invalid when it is none.
QDateTime ParseSavedDateTime(const QString& text);

// The fields in file order (the block's 12-byte head first).
struct AnalysisBlock {
    int32_t formatCode = 0;
    int32_t channelCount = 0;        // blows, from the file's header: the average's index
    int32_t blockOffset = 0;         // from byte 22 of the file
    int32_t currentRecordOffset = 0; // second int32 of the head: the current channel's block

    QString pileNo;
    QString constructionDateText;
    QDateTime constructionDate; // invalid when the text is no date
    uint8_t fixedParam = 0;
    QString project;
    QString testDateText;
    QDateTime testDate;
    bool hasTexts65 = false; // every code but 1007
    QString text6, text5;

    float pileLength = 0;
    int32_t waveSpeed = 0;
    QString className;
    int32_t gradeIndex = 0; // as stored: callers bound it
    int32_t sensorKind = 0;
    std::array<uint8_t, 4> spareValue{};
    float diameter = 0;
    float enlarged = 0;
    // Design pile top, design pile tip and measured pile top elevations (m),
    // kept as the bytes stored.
    std::array<std::array<uint8_t, 4>, 3> pileValues{};
    QString remark;     // remark text
    QString conclusion; // the result sentence
    QString idText2;    // second identification text
    QString shapeText;
    int32_t spareCounter = 0;                // the first sample the reports draw
    int32_t samples = 0;                     // samples per channel; the count the reports draw
    std::array<int32_t, 6> analysisValues{}; // spectrum range, Fmax, F0, dFL, dFD1, dFD2 (Hz)
    int32_t currentChannel = -1;
    std::array<int32_t, 15> blowFlags{};
    uint8_t analysisState = 0;
    bool hasSecondSides = false; // codes 1036 and 1042
    float secondSide = 0;
    float enlarged2 = 0;
    bool hasSensorDistance = false; // code 1042
    int32_t sensorDistance = 0;
    size_t channelsOffset = 0; // where the first channel block starts

    // The channel the pile shows, as the pile reader takes it: the stored
    // index, or the first channel when that names none of the blows and the
    // average. Every report and the workbook read this one.
    int ShownChannel() const {
        return currentChannel < 0 || currentChannel > channelCount ? 0 : currentChannel;
    }

    float PileValue(int i) const;
    // The pile class as the pile reader takes it: code 1007 saved no class of
    // its own, its piles are of the first.
    QString PileClass() const;
    // The shape text names the square pile in Chinese or English.
    bool IsSquare() const;
};

// Reads the fields from the cursor, which stands at the block offset + 12,
// for a file of that format code. FileError (BadSeek) when a number or a
// string runs past the data; nothing is read from outside it. FileError
// (InvalidFile) when a saved value fails CheckAnalysisValues.
void ReadAnalysisFields(ByteReader& in, int32_t code, AnalysisBlock& out);

// The saved lengths, diameters and elevations are numbers: NaN or an
// infinity (printed as such, or as a wrapped integer) marks the analysis
// damaged. FileError (InvalidFile) naming path and the value, in both languages.
void CheckAnalysisValues(const AnalysisBlock& b, const QString& path);

// What a pile file holds for the report loaders.
struct AnalysisBlockRead {
    enum class Kind {
        Fields,   // an analysis code: `out` holds the block's fields
        BlowFile, // "A-RIRADAD" with a base code: read through the pile reader
        Refused,  // anything else, a damaged file, or a sample interval the
                  // pile reader refuses (`why` says what)
    };
    Kind kind = Kind::Refused;
    QString why;
};

// From a whole file image or a file on disk; the path names the file in messages.
AnalysisBlockRead ReadAnalysisBlock(const QByteArray& file, AnalysisBlock& out, const QString& path = {});
AnalysisBlockRead ReadAnalysisBlockFile(const QString& path, AnalysisBlock& out);

// Channel `index` of the block (0-based; the averaged wave follows the blows):
// the record the head points at when that is the current channel, else the
// index-th record after the fields. False when it cannot be read or its
// sample interval is none the instruments record.
bool ReadAnalysisChannel(const QByteArray& file, const AnalysisBlock& b, int index, CWaveRecord& out);

} // namespace pit
