#pragma once

// Shared by the fuzz targets: the input read as a stream of choices, and a check that stops the
// run with the broken condition named.

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace nomispot::fuzz {

// Reads the input front to back; once it is used up every read gives zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    QByteArray bytes(std::size_t n) {
        n = std::min(n, m_size - m_pos);
        QByteArray b(reinterpret_cast<const char*>(m_data + m_pos), static_cast<qsizetype>(n));
        m_pos += n;
        return b;
    }
    QByteArray rest() { return bytes(m_size - m_pos); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace nomispot::fuzz
