#include "platform/echolink/DtmfCollector.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <spandsp.h>

namespace gavelry::echolink {

DtmfCollector::DtmfCollector()
{
    m_rx = dtmf_rx_init(nullptr, &DtmfCollector::onDigits, this);
    if (!m_rx)
        throw std::bad_alloc();
}

DtmfCollector::~DtmfCollector()
{
    dtmf_rx_free(m_rx);
}

void DtmfCollector::onDigits(void *self, const char *digits, int len)
{
    auto *me = static_cast<DtmfCollector *>(self);
    for (int i = 0; i < len && me->m_digits.size() < kMaxDigits; ++i)
        me->m_digits.push_back(digits[i]);
}

void DtmfCollector::feed(const float *samples, std::size_t count)
{
    int16_t block[256];
    while (count > 0) {
        const std::size_t n = std::min(count, sizeof block / sizeof block[0]);
        for (std::size_t i = 0; i < n; ++i) {
            const float s = std::clamp(samples[i], -1.0f, 1.0f);
            block[i] = static_cast<int16_t>(s * 32767.0f);
        }
        dtmf_rx(m_rx, block, static_cast<int>(n));
        samples += n;
        count -= n;
    }
}

std::string DtmfCollector::finish()
{
    // A fresh detector, so that a tone cut off by the end of one
    // transmission is not completed by the next.
    dtmf_rx_state_t *fresh = dtmf_rx_init(nullptr, &DtmfCollector::onDigits, this);
    if (fresh) {
        dtmf_rx_free(m_rx);
        m_rx = fresh;
    }
    std::string digits;
    digits.swap(m_digits);
    return digits;
}

} // namespace gavelry::echolink
