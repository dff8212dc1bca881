#include "platform/echolink/DtmfCollector.h"

#include <QRandomGenerator>
#include <QTest>

#include <spandsp.h>

#include <vector>

using gavelry::echolink::DtmfCollector;

namespace {

/// Audio of digits keyed on a radio: tones of on ms with off ms gaps,
/// at amplitude gain, with white noise of level noise added.
std::vector<float> keyed(const char *digits, int on, int off, float gain, float noise)
{
    dtmf_tx_state_t *tx = dtmf_tx_init(nullptr);
    dtmf_tx_set_timing(tx, on, off);
    dtmf_tx_put(tx, digits, -1);
    std::vector<float> out(800, 0.0f); // 100 ms of silence first
    int16_t block[160];
    int n;
    while ((n = dtmf_tx(tx, block, 160)) > 0)
        for (int i = 0; i < n; ++i)
            out.push_back(block[i] / 32768.0f * gain);
    out.resize(out.size() + 800, 0.0f);
    dtmf_tx_free(tx);
    QRandomGenerator rng(7);
    for (float &s : out)
        s += float(rng.bounded(2.0) - 1.0) * noise;
    return out;
}

} // namespace

class TestDtmfCollector : public QObject {
    Q_OBJECT

private slots:
    // Keyed digits come out as one sequence per transmission, whatever the
    // keying speed, level and (moderate) noise.
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<int>("on");
        QTest::addColumn<int>("off");
        QTest::addColumn<float>("gain");
        QTest::addColumn<float>("noise");
        QTest::addColumn<QByteArray>("heard");
        QTest::newRow("mute code") << QByteArray("*12#") << 50 << 50 << 1.0f << 0.0f << QByteArray("*12#");
        QTest::newRow("every key") << QByteArray("0123456789ABCD*#") << 100 << 100 << 1.0f << 0.0f
                                   << QByteArray("0123456789ABCD*#");
        QTest::newRow("quiet") << QByteArray("55") << 80 << 80 << 0.2f << 0.0f << QByteArray("55");
        QTest::newRow("noisy") << QByteArray("739") << 80 << 80 << 1.0f << 0.02f << QByteArray("739");
        QTest::newRow("clipped loud") << QByteArray("4") << 80 << 80 << 8.0f << 0.0f << QByteArray("4");
        QTest::newRow("noise only") << QByteArray() << 80 << 80 << 1.0f << 0.3f << QByteArray();
    }
    void decodes()
    {
        QFETCH(QByteArray, digits);
        QFETCH(int, on);
        QFETCH(int, off);
        QFETCH(float, gain);
        QFETCH(float, noise);
        QFETCH(QByteArray, heard);
        DtmfCollector collector;
        const std::vector<float> audio = keyed(digits.constData(), on, off, gain, noise);
        // Fed in odd-sized pieces, as packets arrive.
        for (std::size_t at = 0; at < audio.size(); at += 333)
            collector.feed(audio.data() + at, std::min<std::size_t>(333, audio.size() - at));
        QCOMPARE(QByteArray::fromStdString(collector.finish()), heard);
        QCOMPARE(QByteArray::fromStdString(collector.finish()), QByteArray());
    }

    // One transmission's digits never run into the next one's, and a
    // station holding the keys cannot grow the sequence without end.
    void boundsAndSeparation()
    {
        DtmfCollector collector;
        std::vector<float> first = keyed("1", 80, 80, 1.0f, 0.0f);
        collector.feed(first.data(), first.size() - 800 - 400); // cut mid-tone
        QCOMPARE(QByteArray::fromStdString(collector.finish()).size() <= 1, true);
        std::vector<float> second = keyed("2", 80, 80, 1.0f, 0.0f);
        collector.feed(second.data(), second.size());
        QCOMPARE(QByteArray::fromStdString(collector.finish()), QByteArray("2"));

        QByteArray alternating;
        for (int i = 0; i < 100; ++i)
            alternating.append(i % 2 ? '1' : '2');
        std::vector<float> flood = keyed(alternating.constData(), 50, 50, 1.0f, 0.0f);
        collector.feed(flood.data(), flood.size());
        QCOMPARE(collector.finish().size(), DtmfCollector::kMaxDigits);
    }
};

QTEST_APPLESS_MAIN(TestDtmfCollector)
#include "test_dtmf_collector.moc"
