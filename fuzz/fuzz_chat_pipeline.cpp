// The whole chat receive pipeline of the running program: each input line is
// one chat packet from the conference (the simulated client raises it), and
// the program handles it as it would on the air: probes, remote switches,
// the admin acknowledgement, private messages and their acknowledgement, the
// filter, the awaited station list and the display.
// Properties: the program never ends or throws, no line the bot sends holds
// a line break or NUL, and the display and private log stay bounded.
#include "FuzzCheck.h"
#include "chat/Messages.h"
#include "TestRig.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include "TestUi.h"

using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

QApplication *app = nullptr;
TestRig *rig = nullptr;

// Generous: the boxes hold a few thousand entries; an unbounded one passes
// this within a short run of long inputs.
constexpr int kMostBlocks = 20000;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    app = new QApplication(*argc, *argv);
    rig = new TestRig();
    rig->ini(QStringLiteral("messagebox.ini"), QStringLiteral("FILTERTEXT1"), QStringLiteral("BADWORD"));
    rig->start();
    rig->advance(5000);
    // Fonts and pictures load on first use and stay: not in the first input.
    rig->client.raiseChat(QStringLiteral("K1ABC>warm up :-) :N0CALL-L~ x"));
    rig->advance(1000);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString all = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    rig->client.clearRecords();
    int packets = 0;
    for (const QString &packet : all.split(QLatin1Char('\n'))) {
        if (packet.isEmpty())
            continue;
        rig->client.raiseChat(packet);
        if (++packets == 16)
            break;
    }
    rig->advance(1000);
    FUZZ_CHECK(rig->endings == 0);
    for (const QString &line : rig->sent())
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n'))
                   && !line.contains(QChar(0)));
    gavelry::Messages &chat = rig->program->messages();
    FUZZ_CHECK(ui(chat).RTB->document()->blockCount() <= kMostBlocks);
    FUZZ_CHECK(ui(chat).Text3->document()->blockCount() <= kMostBlocks);
    return 0;
}
