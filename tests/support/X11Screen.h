#pragma once

// main() of a test that needs a screen of a given size as a user has it: an
// X server of that size (Xvfb on a free display) with a window manager
// (openbox, when installed; else none, which the test's output says). The
// test brings both up itself, so it runs the same inside and outside the
// test command's own virtual display, and stops them afterwards. Without
// Xvfb it reports itself skipped (exit code 77).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <string>
#include <vector>

namespace X11Screen {

inline pid_t spawn(const std::vector<std::string>& args, int keepFd = -1) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepFd) ::close(fd);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

inline void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// The X server and window manager of one test run.
struct Server {
    pid_t xvfb = -1;
    pid_t wm = -1;
    QString display;
    QString windowManager;  // empty: none
    QString error;

    bool start(int width, int height) {
        const QString xvfbPath = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfbPath.isEmpty()) {
            error = QStringLiteral("no Xvfb");
            return false;
        }
        int fds[2];
        if (::pipe(fds) != 0) return false;
        // -displayfd: the server picks a free display and writes its number.
        xvfb = spawn({xvfbPath.toStdString(), "-displayfd", std::to_string(fds[1]), "-screen", "0",
                      std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp",
                      "-noreset"},
                     fds[1]);
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&p, 1, 20000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) {
            error = QStringLiteral("Xvfb did not start");
            return false;
        }
        display = QStringLiteral(":") + QString::fromStdString(number);
        qputenv("DISPLAY", display.toLocal8Bit());
        qunsetenv("WAYLAND_DISPLAY");

        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty()) return true;
        // openbox runs its start-up command once it manages the screen.
        QTemporaryDir dir;
        const QString ready = dir.filePath(QStringLiteral("ready"));
        wm = spawn({openbox.toStdString(), "--sm-disable", "--startup",
                    QStandardPaths::findExecutable(QStringLiteral("touch")).toStdString() + " " +
                        ready.toStdString()});
        for (int i = 0; i < 400 && !QFile::exists(ready); ++i) ::usleep(50000);
        if (QFile::exists(ready)) windowManager = QStringLiteral("openbox");
        return true;
    }

    ~Server() {
        stop(wm);
        stop(xvfb);
    }
};

// libxkbcommon-x11 (the X keyboard set-up under Qt, not this program's
// code) hands strndup a buffer without a terminator, which AddressSanitizer's
// strict_string_checks reports as an overflow. Under the sanitizers the test
// starts itself again with that one check off; every other stays on.
inline void relaxStrictStringChecks(char** argv) {
#if defined(__SANITIZE_ADDRESS__)
    QByteArray options = qgetenv("ASAN_OPTIONS");
    if (!options.contains("strict_string_checks=1")) return;
    options.replace("strict_string_checks=1", "strict_string_checks=0");
    qputenv("ASAN_OPTIONS", options);
    ::execv("/proc/self/exe", argv);
#else
    (void)argv;
#endif
}

}  // namespace X11Screen

#define SMS_X11_SCREEN_TEST_MAIN(TestClass, width, height)                                        \
    int main(int argc, char** argv) {                                                            \
        X11Screen::relaxStrictStringChecks(argv);                                                \
        X11Screen::Server server;                                                                \
        if (!server.start(width, height)) {                                                      \
            std::fprintf(stderr, "SKIP: %s\n", qPrintable(server.error));                         \
            return 77;                                                                           \
        }                                                                                        \
        std::fprintf(stderr, "X server %s, %dx%d, window manager: %s\n", qPrintable(server.display), \
                     width, height,                                                              \
                     server.windowManager.isEmpty() ? "none" : qPrintable(server.windowManager)); \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                       \
        QApplication app(argc, argv);                                                            \
        TestClass test;                                                                          \
        QTEST_SET_MAIN_SOURCE_PATH                                                               \
        return QTest::qExec(&test, argc, argv);                                                  \
    }
