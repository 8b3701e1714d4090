// Assembles instrument files "*.KEV" byte by byte from their layout table,
// independent of the program's converter.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace pit::test {

struct KevBuilder {
    QByteArray idText = "ZK-0001A"; // 8 characters
    QByteArray dateText = "24-03-15";
    float diameterM = 0.8f;
    int16_t sensorKind = 0;
    float scale = 2.5f;
    int16_t lowPass = 2000;
    int16_t expGain = 3;
    double pileLength = 12.5;
    int16_t waveSpeed = 3800;
    int16_t sampleInterval = 25;
    std::vector<float> samples; // 3 x 1024; missing values are a ramp

    // The whole file; cutAt > 0 keeps only its first cutAt bytes.
    QByteArray build(int cutAt = 0) const;
    QString writeTo(const QString& dir, const QString& name, int cutAt = 0) const;
    // The sample the file holds at channel c, index i.
    float sample(int c, int i) const;
};

} // namespace pit::test
