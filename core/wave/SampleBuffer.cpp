#include "core/wave/SampleBuffer.h"

#include "core/wave/WaveMath.h"

namespace pit {

float SampleBuffer::ScanMaxAbs() const {
    return wave::MaxAbs(m_data, m_size, 0.0f);
}

} // namespace pit
