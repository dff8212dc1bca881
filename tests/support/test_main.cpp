// The main of an executable holding several QtTest classes (see TestMain.h):
// the same set-up as QTEST_MAIN, for the one class asked for or for each.

#include "TestMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace gavelry::test {

namespace {

std::vector<RegisteredTest> &registry()
{
    static std::vector<RegisteredTest> tests;
    return tests;
}

QString nameOf(const RegisteredTest &t) { return QFileInfo(QString::fromLocal8Bit(t.file)).completeBaseName(); }

} // namespace

bool registerTest(const RegisteredTest &test)
{
    registry().push_back(test);
    return true;
}

} // namespace gavelry::test

int main(int argc, char *argv[])
{
    using gavelry::test::RegisteredTest;
    std::vector<RegisteredTest> tests = gavelry::test::registry();
    std::sort(tests.begin(), tests.end(), [](const RegisteredTest &a, const RegisteredTest &b) {
        return gavelry::test::nameOf(a) < gavelry::test::nameOf(b);
    });

    // The first argument names the class unless it is one of QtTest's options.
    std::vector<char *> args(argv, argv + argc);
    if (argc > 1 && argv[1][0] != '-') {
        const QString wanted = QString::fromLocal8Bit(argv[1]);
        const auto it = std::find_if(tests.begin(), tests.end(), [&](const RegisteredTest &t) {
            return gavelry::test::nameOf(t) == wanted || QLatin1String(t.className) == wanted;
        });
        if (it == tests.end()) {
            std::fprintf(stderr, "%s: no test named %s here; these are:\n", argv[0], argv[1]);
            for (const RegisteredTest &t : tests)
                std::fprintf(stderr, "  %s (%s)\n", qPrintable(gavelry::test::nameOf(t)), t.className);
            return 2;
        }
        tests = {*it};
        args.erase(args.begin() + 1);
    }
    int count = int(args.size());
    args.push_back(nullptr);

    for (const RegisteredTest &t : tests)
        t.initMain();
    QApplication app(count, args.data());
    app.setAttribute(Qt::AA_Use96Dpi, true);
#ifdef QT_KEYPAD_NAVIGATION
    QApplication::setNavigationMode(Qt::NavigationModeNone);
#endif

    int failed = 0;
    for (const RegisteredTest &t : tests) {
        QObject *object = t.create();
        QTest::setMainSourcePath(t.file);
        failed += QTest::qExec(object, count, args.data());
        delete object;
    }
    return std::min(failed, 127);
}
