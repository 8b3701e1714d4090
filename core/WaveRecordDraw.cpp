// The cached channel picture. Drawing the channel (Parts 1.121, 1.130) comes
// with the drawing issue; until then the picture is only dropped so that no
// stale image is shown.
#include "core/WaveRecord.h"

#include <QPaintDevice>

int CWaveRecord::DeviceDpiX(const QPaintDevice* dc)
{
    return dc ? dc->logicalDpiX() : 0;
}

int CWaveRecord::DrawToBitmap(QPaintDevice* dc, bool /*print*/)
{
    if (!dc)
        return 0;
    screenBitmap = QImage();
    return 1;
}
