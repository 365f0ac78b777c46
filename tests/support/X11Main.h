#pragma once
// main() of a test that needs a real X11 display: with none it reports
// itself skipped (exit code 77), since offscreen would check nothing.
#include <QApplication>
#include <QtTest>
#include <cstdio>

#define SMS_X11_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char** argv) {                                                       \
        qputenv("QT_QPA_PLATFORM",                                                          \
                qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb;offscreen");    \
        QApplication app(argc, argv);                                                       \
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {                      \
            std::fprintf(stderr, "SKIP: no X11 display (run under xvfb-run)\n");            \
            return 77;                                                                      \
        }                                                                                   \
        TestClass test;                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                          \
        return QTest::qExec(&test, argc, argv);                                             \
    }
