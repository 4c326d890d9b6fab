// Lumacue512, the console.
#include <QApplication>

#include "apps/console/AboutForm.h"
#include "apps/console/MainForm.h"
#include "dmx/DMXOutput.h"
#include "foundation/IoC.MsgServer.h"
#include "foundation/XML.Impl.h"
#include "foundation/XML.Persist.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtLoop.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumacue512");
    QApplication::setApplicationVersion("1.0.0");
    platform::qt::TQtLoop loop;
    platform::qt::TQtClipboard clipboard;

    // Every module installs its entry points before the first window exists.
    foundation::InstallMsgServer();
    foundation::InstallXMLNodes();
    foundation::InstallXMLPersist();
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
    foundation::FinalizeXMLPersist();
    return rc;
}
