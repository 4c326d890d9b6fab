// Lumacue512, the console.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <optional>

#include "apps/console/AboutForm.h"
#include "apps/console/ArtNetStartup.h"
#include "apps/console/MainForm.h"
#include "dmx/DMX.Delegate.ArtNet.h"
#include "devices/D2XXUnit.h"
#include "devices/System.USB.h"
#include "devices/USB.Watcher.h"
#include "dmx/DMX.Delegate.USBEntek.h"
#include "dmx/DMXOutput.h"
#include "lightdevices/PX10.h"
#include "platform/USB.h"
#include "platform/posix/FtdiD2XX.h"
#include "platform/posix/UdevWatcher.h"
#include "foundation/IoC.MsgServer.h"
#include "foundation/XML.Impl.h"
#include "foundation/XML.Persist.h"
#include "platform/posix/PosixUdp.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtLoop.h"
#include "ui/ProgressManagerForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumacue512");
    QApplication::setApplicationVersion("1.0.0");

    QCommandLineParser options;
    options.setApplicationDescription("Lumacue512, the DMX512 console.");
    options.addHelpOption();
    options.addVersionOption();
    QCommandLineOption artnet(
        "artnet",
        "Drive the Art-Net node at ADDRESS (IPv4; a broadcast address reaches every node "
        "of that network) on SUBNET and UNIVERSE (0 and 0 when left out) as the active output.",
        "ADDRESS[:SUBNET:UNIVERSE]");
    options.addOption(artnet);
    options.process(app);
    std::optional<console::TArtNetSpec> artnetSpec;
    if (options.isSet(artnet)) {
        artnetSpec = console::ParseArtNetSpec(options.value(artnet).toStdString());
        if (!artnetSpec) {
            std::fprintf(stderr, "Lumacue512: --artnet wants ADDRESS or ADDRESS:SUBNET:UNIVERSE, for example "
                                 "192.168.1.20:0:1\n");
            return 2;
        }
    }

    platform::qt::TQtLoop loop;
    platform::qt::TQtClipboard clipboard;

    // Every module installs its entry points before the first window exists.
    foundation::InstallMsgServer();
    foundation::InstallXMLNodes();
    foundation::InstallXMLPersist();
    platform::posix::InstallPosixUdp();
    dmx::InstallDMXInterfaces();
    dmx::InstallDMXOutput();
    ui::InstallProgressManagerForm();
    dmx::InstallDMXArtNet();
    dmx::InstallDMXUSBEntekDelegate();
    platform::ShowMessage = [](const std::string& text) {
        QMessageBox::warning(nullptr, "Lumacue512", QString::fromStdString(text));
    };
    platform::posix::InstallUdevWatcher();
    platform::posix::InstallFtdiD2XX();
    devices::InstallUSB();
    devices::InstallD2XX();
    lightdevices::InstallPX10();

    int rc;
    {
        console::TForm1 form;
        console::TFormAbout about(&form); // kept hidden; the menu opens a fresh one
        // Created after the window, which binds to it when it becomes the active output.
        dmx::IPtr<dmx::IDMXNamedInterfaceDelegate> artnetOutput;
        if (artnetSpec) {
            std::string error;
            artnetOutput = console::OpenArtNetOutput(*artnetSpec, error);
            if (!error.empty()) QMessageBox::critical(&form, "Lumacue512", QString::fromStdString(error));
        }
        form.show();
        // USB adapters present now and plugged in later become outputs.
        devices::StartUSBWatcher();
        rc = app.exec();
        devices::StopUSBWatcher();
        if (auto* output = dmx::DMXOutput()) output->SetActiveDMXInterface(nullptr);
    }
    lightdevices::FinalizePX10();
    devices::FinalizeUSB();
    devices::FinalizeD2XX();
    dmx::FinalizeDMXOutput();
    foundation::FinalizeXMLPersist();
    return rc;
}
