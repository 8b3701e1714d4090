// Samples that copies share until one of them is written (copy on write). A
// buffer may be a run of a larger block, so the channels of a pile read share
// the file's sample block, and the shown samples share the processed ones
// while no amplification makes them differ. The largest magnitude is kept
// with the samples once scanned.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace pit {

class SampleBuffer {
public:
    using value_type = float;
    using iterator = const float*;
    using const_iterator = const float*;

    SampleBuffer() = default;
    // n copies of v.
    explicit SampleBuffer(size_t n, float v = 0.0f) {
        Allocate(n);
        std::fill_n(m_block.get(), n, v);
    }
    SampleBuffer(const float* p, size_t n) {
        Allocate(n);
        if (n)
            std::memcpy(m_block.get(), p, n * sizeof(float));
    }
    SampleBuffer(const std::vector<float>& v) : SampleBuffer(v.data(), v.size()) {}
    // n samples left unset, for a caller that writes every one of them.
    static SampleBuffer Uninitialized(size_t n) {
        SampleBuffer b;
        b.Allocate(n);
        return b;
    }
    // The n samples from offset, sharing this buffer's storage.
    SampleBuffer Run(size_t offset, size_t n) const {
        SampleBuffer b;
        b.m_block = m_block;
        b.m_blockSize = m_blockSize;
        b.m_data = m_data + offset;
        b.m_size = n;
        return b;
    }

    const float* data() const { return m_data; }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const float* begin() const { return m_data; }
    const float* end() const { return m_data + m_size; }
    const float& operator[](size_t i) const { return m_data[i]; }
    const float& front() const { return m_data[0]; }
    const float& back() const { return m_data[m_size - 1]; }
    operator std::span<const float>() const { return {m_data, m_size}; }
    operator std::vector<float>() const { return {begin(), end()}; }

    // The samples for writing: storage shared with another buffer, or a run
    // of a larger block, is copied first.
    std::span<float> Writable() {
        if (m_size && (m_block.use_count() > 1 || m_blockSize != m_size || m_data != m_block.get()))
            *this = SampleBuffer(m_data, m_size);
        m_peakKnown = false;
        return {m_block.get(), m_size};
    }
    // A copy of n samples of p; p may lie in this buffer.
    void Assign(const float* p, size_t n) { *this = SampleBuffer(p, n); }
    void Assign(size_t n, float v) { *this = SampleBuffer(n, v); }
    // A run of a larger block takes storage of its own (it would keep the
    // whole block alive); other buffers keep sharing.
    void Compact() {
        if (m_size != m_blockSize)
            *this = SampleBuffer(m_data, m_size);
    }
    // Whether both show the same storage (then they hold the same samples).
    bool SharesWith(const SampleBuffer& o) const { return m_data == o.m_data && m_size == o.m_size; }

    // The largest magnitude, 0 for none (NaN samples are passed over);
    // scanned once until the samples are written.
    float MaxAbs() const {
        if (!m_peakKnown) {
            m_peak = ScanMaxAbs();
            m_peakKnown = true;
        }
        return m_peak;
    }

    friend bool operator==(const SampleBuffer& a, const SampleBuffer& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend bool operator==(const SampleBuffer& a, const std::vector<float>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    float ScanMaxAbs() const;
    void Allocate(size_t n) {
        m_block = n ? std::make_shared_for_overwrite<float[]>(n) : nullptr;
        m_blockSize = n;
        m_data = m_block.get();
        m_size = n;
    }

    std::shared_ptr<float[]> m_block;
    size_t m_blockSize = 0;
    const float* m_data = nullptr;
    size_t m_size = 0;
    mutable float m_peak = 0.0f;
    mutable bool m_peakKnown = false;
};

} // namespace pit
