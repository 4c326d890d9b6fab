#include "ui/ArtNetOptions.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "dmx/DMX.Delegate.ArtNet.h"
#include "dmx/DMXOutput.h"
#include "platform/testing/FakeUdp.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/FakeDMXDelegate.h"

using ui::TFormArtNetOptions;

namespace {

// Runs Fn on the next modal window that opens (a message box or the options window).
template <class W> void OnNextModal(std::function<void(W*)> Fn) {
    QTimer::singleShot(0, [Fn] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr) << "no modal window of the expected kind";
        Fn(w);
    });
}

void Type(QLineEdit* Edit, const QString& Text) {
    Edit->clear();
    QTest::keyClicks(Edit, Text);
}

} // namespace

TEST(ArtNetOptions, ShowsItsCaptionsAndValues) {
    TFormArtNetOptions form;
    EXPECT_EQ(form.windowTitle(), "Form3");
    EXPECT_EQ(form.size(), QSize(231, 119));
    QStringList labels;
    for (auto* l : form.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains("SubNet"));
    EXPECT_TRUE(labels.contains("Universe"));
    EXPECT_EQ(form.Button1->text(), "Ok");
    EXPECT_EQ(form.CancelButton->text(), "Cancel");
    form.SetSubnet(53);
    form.SetUniverse(-2);
    EXPECT_EQ(form.SubnetEdit->text(), "53");
    EXPECT_EQ(form.UniverseEdit->text(), "-2");
}

TEST(ArtNetOptions, NotANumberKeepsTheWindowOpen) {
    for (const char* bad : {"x", "", "1.5", "12a"}) {
        TFormArtNetOptions form;
        form.show();
        Type(form.SubnetEdit, bad);
        Type(form.UniverseEdit, "3");
        QString shown;
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
            shown = box->text();
            box->accept();
        });
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        EXPECT_EQ(shown, "Invalid subnet or universe.") << bad;
        EXPECT_TRUE(form.isVisible()) << bad;
        EXPECT_EQ(form.result(), 0) << bad;
        EXPECT_EQ(form.Subnet(), 0) << bad;
    }
}

TEST(ArtNetOptions, AnyWholeNumberIsAccepted) {
    TFormArtNetOptions form;
    form.show();
    Type(form.SubnetEdit, "99");
    Type(form.UniverseEdit, " 7 ");
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Subnet(), 99);
    EXPECT_EQ(form.Universe(), 7);
}

class ArtNetOptionsOnOutput : public ::testing::Test {
protected:
    ArtNetOptionsOnOutput() {
        dmx::InstallDMXInterfaces();
        dmx::InstallDMXOutput();
        dmx::InstallDMXArtNet();
        Root = dmx::NewArtNetOutput("127.0.0.1");
        Intf = foundation::Supports<dmx::IDMXInterface>(Root);
        ArtNet = foundation::Supports<dmx::IDMXArtNetInterfaceDelegate>(Root);
    }
    ~ArtNetOptionsOnOutput() override {
        Intf.reset();
        ArtNet.reset();
        Root.reset();
        dmx::FinalizeDMXOutput();
    }
    platform::testing::TVirtualLoop Loop;
    platform::testing::TFakeUdpNetwork Net;
    foundation::IPtr<dmx::IDMXNamedInterfaceDelegate> Root;
    foundation::IPtr<dmx::IDMXInterface> Intf;
    foundation::IPtr<dmx::IDMXArtNetInterfaceDelegate> ArtNet;
};

TEST_F(ArtNetOptionsOnOutput, OkSetsSubnetAndUniverseCancelLeavesThem) {
    ArtNet->setSubnet(1);
    ArtNet->setUniverse(2);
    QString seenSubnet, seenUniverse;
    OnNextModal<TFormArtNetOptions>([&](TFormArtNetOptions* form) {
        seenSubnet = form->SubnetEdit->text();
        seenUniverse = form->UniverseEdit->text();
        Type(form->SubnetEdit, "53");
        Type(form->UniverseEdit, "7");
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    EXPECT_TRUE(ui::EditArtNetOptions(nullptr, Intf.get()));
    EXPECT_EQ(seenSubnet, "1");
    EXPECT_EQ(seenUniverse, "2");
    EXPECT_EQ(ArtNet->getSubnet(), 53);
    EXPECT_EQ(ArtNet->getUniverse(), 7);

    OnNextModal<TFormArtNetOptions>([&](TFormArtNetOptions* form) {
        Type(form->SubnetEdit, "4");
        QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    });
    EXPECT_TRUE(ui::EditArtNetOptions(nullptr, Intf.get()));
    EXPECT_EQ(ArtNet->getSubnet(), 53);
    EXPECT_TRUE(Net.Sent.empty()); // setting them sends nothing by itself
}

TEST_F(ArtNetOptionsOnOutput, AnOutputWithoutArtNetOpensNothing) {
    testsupport::TFakeOutput other("Other");
    EXPECT_FALSE(ui::EditArtNetOptions(nullptr, other.Intf.get()));
    EXPECT_FALSE(ui::EditArtNetOptions(nullptr, nullptr));
}
