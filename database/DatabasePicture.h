// The picture stored with each pile row of a database upload: the pile's
// project report cell drawn on 350 x 270 white pixels at 96 dpi, made black
// and white and kept as a 1-bit BMP file.
#pragma once

#include "database/ResultsUploader.h"
#include "reports/ReportBuilder.h"

#include <QByteArray>
#include <QImage>

class QPainter;

namespace pit {

constexpr int kDatabasePictureWidth = 350;
constexpr int kDatabasePictureHeight = 270;

// The cell of the row's own pile (found by its name in the document's
// project, with the row's pile number), by a project report builder of its
// own. The BMP file, or empty when the pile cannot be drawn; picture (when
// given) receives the drawing before it is made black and white.
QByteArray RenderWaveBitmapForDatabase(const ReportEnv& env, const UploadListRow& row,
                                       QImage* picture = nullptr);
// The same cell on any painter of a 96-dpi device of the picture's size;
// false when the pile cannot be drawn.
bool DrawDatabaseCell(const ReportEnv& env, const UploadListRow& row, QPainter& painter);

// The pictures of an upload from the report builders of the document.
class ReportCellPictures : public PilePictureSource {
public:
    explicit ReportCellPictures(ReportEnv env) : m_env(env) {}
    QByteArray Picture(const UploadListRow& row) override { return RenderWaveBitmapForDatabase(m_env, row); }

private:
    ReportEnv m_env;
};

} // namespace pit
