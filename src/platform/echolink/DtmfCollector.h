#pragma once

// Collects the DTMF digits keyed during one transmission from its received
// audio (8 kHz mono float samples, as the EchoLink library delivers them).
// Plain C++ with no Qt header.

#include <cstddef>
#include <string>

struct dtmf_rx_state_s;

namespace gavelry::echolink {

class DtmfCollector {
public:
    /// Digits kept per transmission; a station holding keys down for ever
    /// cannot grow the sequence beyond this.
    static constexpr std::size_t kMaxDigits = 64;

    DtmfCollector();
    ~DtmfCollector();
    DtmfCollector(const DtmfCollector &) = delete;
    DtmfCollector &operator=(const DtmfCollector &) = delete;

    /// Feeds received samples (nominally -1..1; louder ones are clipped).
    void feed(const float *samples, std::size_t count);
    /// The transmission ended: returns its digits and starts afresh.
    std::string finish();

private:
    static void onDigits(void *self, const char *digits, int len);

    dtmf_rx_state_s *m_rx = nullptr;
    std::string m_digits;
};

} // namespace gavelry::echolink
