// Lumacue512, the console.
#include <QApplication>

#include "apps/console/AboutForm.h"
#include "apps/console/MainForm.h"
#include "dmx/DMXOutput.h"
#include "platform/qt/QtLoop.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumacue512");
    QApplication::setApplicationVersion("1.0.0");
    platform::qt::TQtLoop loop;

    // Every module installs its entry points before the first window exists.
    dmx::InstallDMXInterfaces();
    dmx::InstallDMXOutput();

    int rc;
    {
        console::TForm1 form;
        console::TFormAbout about(&form); // kept hidden; the menu opens a fresh one
        form.show();
        rc = app.exec();
    }
    dmx::FinalizeDMXOutput();
    return rc;
}
