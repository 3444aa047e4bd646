// Modal message boxes titled with the application's title and one OK button.
#pragma once

#include <QString>
#include <functional>

// Shows the text and waits for OK. Returns the button pressed (1, OK).
int AfxMessageBox(const QString& text);

// Replaces the dialog, for tests: the hook receives each text instead.
using MessageBoxHook = std::function<void(const QString& text)>;
void SetMessageBoxHook(MessageBoxHook hook);
