#include "app/DebugConsole.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kScrollBackLines = 500;

class ConsoleWindow : public QPlainTextEdit {
public:
    explicit ConsoleWindow(const QString& title) {
        setWindowTitle(title);
        setReadOnly(true);
        setMaximumBlockCount(kScrollBackLines);
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setFont(QFont("Monospace"));
        setAttribute(Qt::WA_QuitOnClose, false);
        resize(640, 300);
    }

    void Append(const QString& text) {
        moveCursor(QTextCursor::End);
        insertPlainText(text);
        moveCursor(QTextCursor::End);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        // Closing the console ends the program, as for a console of its own.
        event->accept();
        QCoreApplication::quit();
    }
};

// The redirection: a pipe whose write end replaces descriptors 1 and 2, read
// by a thread that echoes to the saved terminal descriptors and hands the
// text to the window. The thread keeps writers from ever blocking on a full
// pipe while the user-interface thread is busy.
struct Console {
    std::unique_ptr<ConsoleWindow> window;
    int savedOut = -1;
    int savedErr = -1;
    int readEnd = -1;
    std::thread reader;
};

Console* g_console = nullptr;

void ReadLoop(int fd, int echoFd, ConsoleWindow* window) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        if (echoFd >= 0 && write(echoFd, buffer, static_cast<size_t>(n)) < 0) echoFd = -1;
        const QString text = QString::fromLocal8Bit(buffer, n);
        QMetaObject::invokeMethod(
            window, [window, text] { window->Append(text); }, Qt::QueuedConnection);
    }
}

} // namespace

void OpenDebugConsole(const QString& title) {
    if (g_console) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    std::fflush(stdout);
    std::fflush(stderr);
    auto* console = new Console;
    console->window = std::make_unique<ConsoleWindow>(title);
    console->savedOut = dup(STDOUT_FILENO);
    console->savedErr = dup(STDERR_FILENO);
    console->readEnd = fds[0];
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::ios::sync_with_stdio(true);
    std::cout.setf(std::ios::unitbuf);
    console->reader = std::thread(ReadLoop, fds[0], console->savedOut, console->window.get());
    console->window->show();
    g_console = console;
}

void FreeConsole() {
    if (!g_console) return;
    std::fflush(stdout);
    std::fflush(stderr);
    // Restoring both descriptors drops the last write end: the reader sees the end.
    dup2(g_console->savedOut, STDOUT_FILENO);
    dup2(g_console->savedErr, STDERR_FILENO);
    g_console->reader.join();
    close(g_console->readEnd);
    close(g_console->savedOut);
    close(g_console->savedErr);
    delete g_console; // the window goes with it
    g_console = nullptr;
}

QPlainTextEdit* GetDebugConsole() {
    return g_console ? g_console->window.get() : nullptr;
}
