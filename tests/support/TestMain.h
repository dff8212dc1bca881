#pragma once

// Several QtTest classes in one executable. A test file ends with
// GAVELRY_TEST(TestClass) instead of QTEST_MAIN(TestClass); the shared main
// (test_main.cpp) runs the class named by its first argument, by the file's
// name (test_startup) or the class's (TestStartup), or every class when the
// first argument is missing or an option. QtTest's own arguments (function
// names, -v2, -o ...) follow the name:
//
//     tests_core test_startup captionCarriesCallsignAndVersion -v2

#include <QObject>

namespace gavelry::test {

struct RegisteredTest {
    const char *file;            // the test file, for its name and QFINDTESTDATA
    const char *className;
    void (*initMain)();          // TestClass::initMain() when it has one, before the application
    QObject *(*create)();
};

bool registerTest(const RegisteredTest &test);

template <typename T>
void callInitMain()
{
    if constexpr (requires { T::initMain(); })
        T::initMain();
}

} // namespace gavelry::test

#define GAVELRY_TEST(TestObject)                                                                          \
    namespace {                                                                                           \
    const bool gavelryTestRegistered = ::gavelry::test::registerTest(                                     \
        {__FILE__, #TestObject, &::gavelry::test::callInitMain<TestObject>,                               \
         []() -> QObject * { return new TestObject; }});                                                  \
    }
