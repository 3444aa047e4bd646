// The workbench's entry point.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/Torvex.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Qt's own dialogs and buttons in Simplified Chinese, like the rest of the frame.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&translator);

    // The program ends with its main window; the console does not keep it alive.
    CTorvexApp app;
    if (!app.InitInstance()) return 0;
    return qapp.exec();
}
