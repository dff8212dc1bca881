// Every window's settings file, walked through the one layout each window
// offers: the keys find their controls, a fresh start shows the defaults, a
// save writes every key in file order, and a value that cannot be read takes
// the default and says so in the log.
#include "core/Controls.h"
#include "TestRig.h"
#include "core/Window.h"
#include "core/WindowRegistry.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

using namespace gavelry;
using gavelry::test::TestRig;
using Format = SettingKey::Format;

namespace {

QStringList g_log;
QLoggingCategory::CategoryFilter g_previousFilter = nullptr;

// The settings warnings are wanted here whatever the logging rules say.
void settingsWarningsOn(QLoggingCategory *category)
{
    if (g_previousFilter)
        g_previousFilter(category);
    if (QByteArray(category->categoryName()) == "gavelry.settings")
        category->setEnabled(QtWarningMsg, true);
}

void keepLog(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    if (context.category && QByteArray(context.category) == "gavelry.settings")
        g_log.append(text);
}

/// The value a key has in the window now, as the file would hold it.
QString valueOf(const Window &w, const SettingKey &k)
{
    if (k.format == Format::Left)
        return QString::number(controls::toTwips(w.pos().x()));
    if (k.format == Format::Top)
        return QString::number(controls::toTwips(w.pos().y()));
    QWidget *c = w.findChild<QWidget *>(k.control);
    if (auto *box = qobject_cast<QCheckBox *>(c))
        return QString::number(controls::checkValue(box));
    if (auto *option = qobject_cast<QRadioButton *>(c))
        return option->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
    return controls::caption(c);
}

/// The default as the file would hold it after a save.
QString savedDefault(const SettingKey &k)
{
    if (k.format == Format::Truth)
        return controls::toBool(k.def) ? QStringLiteral("True") : QStringLiteral("False");
    return k.def;
}

bool fits(const SettingKey &k, QWidget *c)
{
    switch (k.format) {
    case Format::Text:
    case Format::UpperText:
        return qobject_cast<QLineEdit *>(c) || qobject_cast<QPlainTextEdit *>(c) || qobject_cast<QTextEdit *>(c)
            || qobject_cast<QLabel *>(c);
    case Format::Digits:
        return qobject_cast<QLineEdit *>(c);
    case Format::Check:
        return qobject_cast<QCheckBox *>(c);
    case Format::Truth:
        return qobject_cast<QRadioButton *>(c);
    case Format::Left:
    case Format::Top:
        return c == nullptr;
    }
    return false;
}

bool readsAsNumberOrTruth(Format f) { return f != Format::Text && f != Format::UpperText; }

Window &windowNamed(TestRig &rig, const QString &name)
{
    Window *w = rig.program->windows().byName(name);
    if (!w)
        qFatal("no window %s", qPrintable(name));
    return *w;
}

} // namespace

class TestSettingsLayouts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { g_previousFilter = QLoggingCategory::installFilter(settingsWarningsOn); }
    void init() { g_log.clear(); }

    void everyWindowWithAFileHasALayout()
    {
        TestRig rig;
        rig.build();
        QStringList files;
        for (Window *w : rig.program->windows().all())
            if (const SettingsLayout *layout = w->settingsLayout())
                files.append(layout->file);
        // Each window owns its own file.
        QCOMPARE(int(files.removeDuplicates()), 0);
        for (const QString &file : {QStringLiteral("vorivuzav.ini"), QStringLiteral("messagebox.ini"),
                                    QStringLiteral("textmessage.ini"), QStringLiteral("ban.ini")})
            QVERIFY2(files.contains(file), qPrintable(file));
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("window");
        TestRig rig;
        rig.build();
        for (Window *w : rig.program->windows().all())
            if (w->settingsLayout())
                QTest::newRow(qPrintable(w->objectName())) << w->objectName();
    }

    void keysFindControlsThatFitTheirFormat_data() { layouts_data(); }
    void keysFindControlsThatFitTheirFormat()
    {
        QFETCH(QString, window);
        TestRig rig;
        rig.build();
        const Window &w = windowNamed(rig, window);
        QStringList keys;
        for (const SettingKey &k : w.settingsLayout()->keys) {
            QWidget *c = k.control.isEmpty() ? nullptr : w.findChild<QWidget *>(k.control);
            QVERIFY2(fits(k, c), qPrintable(k.key));
            keys.append(k.key.toUpper());
        }
        QCOMPARE(int(keys.removeDuplicates()), 0);
    }

    void freshStartShowsTheDefaults_data() { layouts_data(); }
    void freshStartShowsTheDefaults()
    {
        QFETCH(QString, window);
        TestRig rig;
        rig.start();
        const Window &w = windowNamed(rig, window);
        for (const SettingKey &k : w.settingsLayout()->keys)
            QCOMPARE(valueOf(w, k), savedDefault(k));
        QVERIFY(g_log.isEmpty());
    }

    void saveWritesEveryKeyInFileOrder_data() { layouts_data(); }
    void saveWritesEveryKeyInFileOrder()
    {
        QFETCH(QString, window);
        TestRig rig;
        rig.start();
        Window &w = windowNamed(rig, window);
        QCOMPARE(w.saveOwnSettings(), QString());
        QFile file(rig.configDir() + u'/' + w.settingsLayout()->file);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList written;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts))
            if (!line.startsWith(u'['))
                written.append(line.section(u'=', 0, 0));
        QStringList expected;
        for (const SettingKey &k : w.settingsLayout()->keys)
            expected.append(k.key);
        QCOMPARE(written, expected);
    }

    void unreadableValuesTakeTheDefaultAndSaySo_data() { layouts_data(); }
    void unreadableValuesTakeTheDefaultAndSaySo()
    {
        QFETCH(QString, window);
        TestRig probe;
        probe.build();
        const SettingsLayout layout = *windowNamed(probe, window).settingsLayout();

        TestRig rig;
        QStringList expectedLog;
        for (const SettingKey &k : layout.keys) {
            if (!readsAsNumberOrTruth(k.format))
                continue;
            rig.ini(layout.file, k.key, QStringLiteral("7x"));
            expectedLog.append(QStringLiteral("%1 [SETTINGS] %2: \"7x\" cannot be read; took \"%3\"")
                                   .arg(layout.file, k.key, k.def));
        }
        const QtMessageHandler previous = qInstallMessageHandler(keepLog);
        rig.start();
        qInstallMessageHandler(previous);
        const Window &w = windowNamed(rig, window);
        for (const SettingKey &k : layout.keys)
            if (readsAsNumberOrTruth(k.format))
                QCOMPARE(valueOf(w, k), savedDefault(k));
        QCOMPARE(g_log, expectedLog);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestSettingsLayouts)
#include "test_settings_layouts.moc"
