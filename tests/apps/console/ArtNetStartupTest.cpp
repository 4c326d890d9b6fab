#include "apps/console/ArtNetStartup.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "apps/console/MainForm.h"
#include "dmx/DMX.Delegate.ArtNet.h"
#include "dmx/DMXOutput.h"
#include "platform/testing/FakeUdp.h"
#include "platform/testing/VirtualLoop.h"
#include "ui/ArtNetOptions.h"

using namespace dmx;
using console::ParseArtNetSpec;

TEST(ArtNetSpec, AcceptsAnAddressWithOrWithoutSubnetAndUniverse) {
    auto a = ParseArtNetSpec("192.168.1.20");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Address, "192.168.1.20");
    EXPECT_EQ(a->Subnet, 0);
    EXPECT_EQ(a->Universe, 0);
    auto b = ParseArtNetSpec("10.0.0.255:53:7");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Subnet, 53);
    EXPECT_EQ(b->Universe, 7);
    for (const char* bad : {"", "node.local", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1.2.3.-4", "1.2.3.4:1",
                            "1.2.3.4:1:x", "1.2.3.4::", "1.2.3.4:1:2:3", " 1.2.3.4"})
        EXPECT_FALSE(ParseArtNetSpec(bad)) << bad;
}

namespace {

class ConsoleArtNet : public ::testing::Test {
protected:
    platform::testing::TVirtualLoop Loop;
    platform::testing::TFakeUdpNetwork Net;
    std::unique_ptr<console::TForm1> Form;
    IPtr<IDMXNamedInterfaceDelegate> Output;

    ConsoleArtNet() {
        InstallDMXInterfaces();
        InstallDMXOutput();
        InstallDMXArtNet();
        Form = std::make_unique<console::TForm1>();
        Form->show();
    }
    ~ConsoleArtNet() override {
        Form.reset();
        Output.reset();
        FinalizeDMXOutput();
    }
    template <class T> T* Find(const QString& name) {
        T* w = Form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString Info() { return Find<QLabel>("InfoLabel")->text(); }
};

} // namespace

TEST_F(ConsoleArtNet, StartUpOutputBecomesActiveAndTheFadersDriveIt) {
    std::string error;
    Output = console::OpenArtNetOutput(*ParseArtNetSpec("127.0.0.1:1:2"), error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(Info(), "Active Device: Art-Net 127.0.0.1");
    EXPECT_EQ(DMXOutput()->getDMXInterfaceHId("127.0.0.1")->GetName(), "Art-Net 127.0.0.1");
    auto* artnetMI = Find<QAction>("ArtNetMI");
    EXPECT_TRUE(artnetMI->isEnabled());
    // On activation the node's master (255) moved the window's master fader.
    EXPECT_EQ(Find<QSlider>("MasterTrackBar")->value(), 255);

    Net.Take();
    Find<QSlider>("TrackBar1")->setValue(200);
    auto sent = Net.Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ToAddress, "127.0.0.1");
    EXPECT_EQ(sent[0].ToPort, 6454);
    EXPECT_EQ(sent[0].Data[14], 0x12);
    EXPECT_EQ(sent[0].Data[18], 200);

    // "ArtNet Options" edits the active output's subnet and universe.
    QString shownSubnet;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<ui::TFormArtNetOptions*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        shownSubnet = form->SubnetEdit->text();
        form->SubnetEdit->setText("3");
        form->UniverseEdit->setText("4");
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    artnetMI->trigger();
    EXPECT_EQ(shownSubnet, "1");
    auto artnet = foundation::Supports<IDMXArtNetInterfaceDelegate>(Output);
    EXPECT_EQ(artnet->getSubnet(), 3);
    EXPECT_EQ(artnet->getUniverse(), 4);
    Loop.Advance(1500);
    ASSERT_EQ(Net.Sent.size(), 1u);
    EXPECT_EQ(Net.Sent[0].Data[14], 0x34);
}

TEST_F(ConsoleArtNet, PortInUseIsReportedAndNothingIsLeftActive) {
    Net.PortsInUse.insert(6454);
    std::string error;
    Output = console::OpenArtNetOutput(*ParseArtNetSpec("127.0.0.1"), error);
    EXPECT_NE(error.find("6454"), std::string::npos) << error;
    EXPECT_NE(error.find("Address already in use"), std::string::npos) << error;
    EXPECT_EQ(DMXOutput()->GetActiveDMXInterface(), nullptr);
    EXPECT_EQ(Info(), "No active DMX device");
    EXPECT_FALSE(Find<QAction>("ArtNetMI")->isEnabled());
    EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 1); // still listed, for a later activation
}
