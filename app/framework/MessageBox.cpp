#include "app/framework/MessageBox.h"

#include <QMessageBox>

#include "app/framework/MDIFrameWnd.h"
#include "app/framework/WinApp.h"

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

int AfxMessageBox(const QString& text) {
    if (Hook()) {
        Hook()(text);
        return QMessageBox::Ok;
    }
    CWinApp* app = AfxGetApp();
    QMessageBox box(QMessageBox::Warning, app ? app->GetAppName() : QString(), text,
                    QMessageBox::Ok, AfxGetMainWnd());
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}
