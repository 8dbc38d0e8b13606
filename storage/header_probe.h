// Header-only reads: while a HeaderProbe lives on a thread, the first image
// a reader asks CreateDIB for is recorded and refused, so the reader stops
// right after its headers with nothing allocated or reserved. What it asked
// for is, by construction, what a full read would make.
#pragma once

#include <cstdint>

namespace velmora {

struct ProbedImage {
    bool seen = false;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool pageFile = false;  // the storage the image would have had
};

class HeaderProbe {
public:
    HeaderProbe();
    ~HeaderProbe();
    HeaderProbe(const HeaderProbe&) = delete;
    HeaderProbe& operator=(const HeaderProbe&) = delete;

    const ProbedImage& Result() const { return m_result; }

private:
    ProbedImage m_result;
    ProbedImage* m_previous;  // an enclosing probe's
};

// Called by CreateDIB with sizes that passed the limits: true when a probe
// took the request (the image must then be refused).
bool TakenByHeaderProbe(int width, int height, int bitCount, uint64_t bytes);

}  // namespace velmora
