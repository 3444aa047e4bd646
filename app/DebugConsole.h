// The debug console: a top-level text window into which the process's
// standard output and error are redirected, unbuffered, with 500 lines of
// scroll-back. Everything is still echoed to the terminal the program was
// started from. Closing the window ends the program.
#pragma once

#include <QString>

class QPlainTextEdit;

// Opens the console window with the given title and binds the standard
// streams to it. A second call does nothing.
void OpenDebugConsole(const QString& title);
// Restores the standard streams and closes the window.
void FreeConsole();
// The console's text widget, or null when no console is open.
QPlainTextEdit* GetDebugConsole();
