#include "apps/console/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "dmx/DMXOutput.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/FakeDMXDelegate.h"

using namespace dmx;
using console::TForm1;
using testsupport::TFakeOutput;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    platform::testing::TVirtualLoop Loop; // first: the window's timer runs on virtual time
    std::unique_ptr<TForm1> Form;

    ConsoleTest() {
        InstallDMXInterfaces();
        InstallDMXOutput();
        Form = std::make_unique<TForm1>();
        Form->show();
    }
    ~ConsoleTest() override {
        Form.reset();
        FinalizeDMXOutput();
    }

    template <class T> T* Find(const QString& name) {
        T* w = Form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QSlider* Fader(int n) { return Find<QSlider>("TrackBar" + QString::number(n)); }
    QString Text(const QString& label) { return Find<QLabel>(label)->text(); }
    void Click(const QString& button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
    void Page(int clicks) {
        for (int i = 0; i < clicks; ++i)
            Click("NextPageButton");
    }

    // Drags a fader's handle with the mouse to the position of a value.
    void Drag(QSlider* s, int value) {
        QStyleOptionSlider opt;
        opt.initFrom(s);
        opt.orientation = s->orientation();
        opt.minimum = s->minimum();
        opt.maximum = s->maximum();
        opt.sliderPosition = opt.sliderValue = s->value();
        opt.upsideDown = !s->invertedAppearance();
        QRect handle = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
        QRect groove = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, s);
        const int span = groove.height() - handle.height();
        const int y = groove.top() + handle.height() / 2 +
                      QStyle::sliderPositionFromValue(s->minimum(), s->maximum(), value, span, true);
        QPoint from = handle.center(), to(from.x(), y);
        auto send = [&](QEvent::Type t, QPoint p, Qt::MouseButtons b) {
            QMouseEvent e(t, p, s->mapToGlobal(p), Qt::LeftButton, b, Qt::NoModifier);
            QApplication::sendEvent(s, &e);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
};

} // namespace

TEST_F(ConsoleTest, StartsUnboundOnPageOne) {
    EXPECT_EQ(Form->windowTitle(), "Lumacue 512");
    EXPECT_EQ(Text("InfoLabel"), "No active DMX device");
    EXPECT_EQ(Text("EventsStatusLabel"), "Events Stopped");
    for (int n = 1; n <= 24; ++n) {
        EXPECT_EQ(Text("Label" + QString::number(n)), QString::number(n));
        EXPECT_EQ(Text("ValueLabel" + QString::number(n)), "0");
        EXPECT_EQ(Fader(n)->maximum(), 255);
        EXPECT_EQ(Fader(n)->property("tag").toInt(), n - 1);
    }
    auto* master = Find<QSlider>("MasterTrackBar");
    EXPECT_EQ(master->property("tag").toInt(), -1);
    EXPECT_EQ(master->maximum(), 255);
    EXPECT_EQ(Text("LabelMaster"), "MASTER");
    EXPECT_FALSE(Find<QPushButton>("PrevPageButton")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("NextPageButton")->isVisible());
    EXPECT_TRUE(Find<QPushButton>("BlackOutButton")->isCheckable());

    struct Item {
        const char* name;
        const char* caption;
    };
    for (auto [name, caption] : {Item{"ModeMI", "Go To Edit Mode"}, Item{"ExitMI", "Exit"},
                                 Item{"ClearMemoryMI", "Clear Device Memory"}, Item{"BackupMemoriMI", "Backup Memory"},
                                 Item{"RestoreMemoryMI", "Restore Memory"}, Item{"ArtNetMI", "ArtNet Options"},
                                 Item{"OutputMI", "Devices"}, Item{"EventsLauncherMI", "Events Scheduler"},
                                 Item{"MenuItem2", "About"}})
        EXPECT_EQ(Find<QAction>(name)->text(), caption);
    EXPECT_FALSE(Find<QAction>("ArtNetMI")->isEnabled());
}

TEST_F(ConsoleTest, PagesThroughTheUniverse) {
    struct Case {
        int clicks; // from the current page
        int firstLabel;
        int visiblePanels;
        bool prev, next;
    };
    const Case cases[] = {
        {1, 25, 24, true, true},
        {20, 505, 8, true, false}, // the 22nd and last page
        {1, 505, 8, true, false},  // ">" does nothing there
    };
    for (const auto& c : cases) {
        Page(c.clicks);
        EXPECT_EQ(Text("Label1"), QString::number(c.firstLabel));
        for (int n = 1; n <= 24; ++n)
            EXPECT_EQ(Find<QWidget>("Panel" + QString::number(n))->isVisible(), n <= c.visiblePanels) << n;
        EXPECT_EQ(Find<QPushButton>("PrevPageButton")->isEnabled(), c.prev);
        EXPECT_EQ(Find<QPushButton>("NextPageButton")->isEnabled(), c.next);
    }
    Click("PrevPageButton");
    EXPECT_EQ(Text("Label24"), "504");
    EXPECT_TRUE(Find<QWidget>("Panel24")->isVisible());
}

TEST_F(ConsoleTest, FaderMovesGoToTheActiveOutputOnTheShownChannel) {
    TFakeOutput out("PX");
    out.Intf->SetActive(true);
    out.Delegate->Take();
    EXPECT_EQ(Text("InfoLabel"), "Active Device: PX");

    Page(1);
    Drag(Fader(5), 200);
    const int v = Fader(5)->value();
    EXPECT_GT(v, 150); // the drag moved it most of the way
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(28," + std::to_string(v) + ")"));
    EXPECT_EQ(Text("ValueLabel5"), QString::number(v));
    EXPECT_EQ(out.Intf->getDMXCh(28), v);

    Loop.Advance(10);
    Find<QSlider>("MasterTrackBar")->setValue(128);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(-1,128)"));
}

TEST_F(ConsoleTest, AtMostOneSendPer10msAndTheLastMoveIsNeverLost) {
    TFakeOutput out;
    out.Intf->SetActive(true);
    out.Delegate->Take();

    Fader(1)->setValue(10);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(0,10)"));
    Loop.Advance(5);
    Fader(1)->setValue(20);
    Fader(1)->setValue(30);
    Fader(2)->setValue(40);
    EXPECT_THAT(out.Delegate->Take(), IsEmpty());
    Loop.Advance(5); // the window ends: the fader's latest value goes out
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(0,30)"));
    Loop.Advance(10);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(1,40)"));
    Loop.Advance(10); // nothing left: the timer stops
    EXPECT_THAT(out.Delegate->Take(), IsEmpty());
    Fader(1)->setValue(31);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(0,31)"));

    // A pending change keeps the channel it was made on, even if the page changes meanwhile.
    Fader(3)->setValue(50);
    Page(1);
    Loop.Advance(10);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(2,50)"));
}

TEST_F(ConsoleTest, ArrowKeysMoveTheFaderAndSendTheNewValue) {
    TFakeOutput out;
    out.Intf->SetActive(true);
    out.Delegate->Take();
    Fader(3)->setFocus();
    QTest::keyClick(Fader(3), Qt::Key_Up);
    EXPECT_EQ(Fader(3)->value(), 1);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(2,1)"));
    QTest::keyClick(Fader(3), Qt::Key_Up);
    Loop.Advance(10);
    QTest::keyClick(Fader(3), Qt::Key_Down);
    Loop.Advance(10);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(2,2)", "ChangedDMX(2,1)"));
}

TEST_F(ConsoleTest, AcknowledgementsMoveFadersWithoutBeingSentBack) {
    TFakeOutput out;
    out.Delegate->Echo = true;
    out.Delegate->EchoOffset = -1; // the device accepts one less than asked
    out.Intf->SetActive(true);
    out.Delegate->Take();

    Fader(4)->setValue(100);
    EXPECT_EQ(Fader(4)->value(), 99);
    EXPECT_EQ(Text("ValueLabel4"), "99");
    Loop.Advance(20);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(3,100)"));

    // Acknowledgements from the device itself, on page 3 (channels shown as 49 to 72).
    Page(2);
    struct Case {
        int32_t ch, v;
        int fader; // 0: no fader moves
    };
    for (auto c : {Case{49, 77, 2}, Case{9, 66, 0}, Case{71, 5, 24}, Case{72, 6, 0}, Case{-3, 9, 0}}) {
        std::vector<int> before;
        for (int n = 1; n <= 24; ++n)
            before.push_back(Fader(n)->value());
        {
            TDelegateUpdate updating(out.Intf.get());
            out.Intf->setDMXCh(c.ch, uint8_t(c.v));
        }
        for (int n = 1; n <= 24; ++n)
            EXPECT_EQ(Fader(n)->value(), n == c.fader ? c.v : before[size_t(n - 1)]) << "ack " << c.ch << " fader " << n;
    }
    {
        TDelegateUpdate updating(out.Intf.get());
        out.Intf->SetDMXMaster(42);
    }
    EXPECT_EQ(Find<QSlider>("MasterTrackBar")->value(), 42);
    EXPECT_EQ(Text("MasterValueLabel"), "42");
    EXPECT_THAT(out.Delegate->Take(), IsEmpty());
}

TEST_F(ConsoleTest, BindingLoadsTheShownPage) {
    TFakeOutput out;
    for (int ch = 0; ch < 512; ++ch)
        out.Intf->setDMXCh(ch, uint8_t(ch % 256));
    out.Intf->SetDMXMaster(200);
    out.Intf->SetBlackOut(true);
    Page(1);
    out.Intf->SetActive(true);
    for (int n = 1; n <= 24; ++n)
        EXPECT_EQ(Fader(n)->value(), 24 + n - 1);
    EXPECT_EQ(Text("ValueLabel24"), "47");
    EXPECT_EQ(Find<QSlider>("MasterTrackBar")->value(), 200);
    EXPECT_TRUE(Find<QPushButton>("BlackOutButton")->isChecked());
    // Loading the faders sent nothing back.
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedBlackOut", "ChangedActive(1)"));
}

TEST_F(ConsoleTest, AllFullAllZeroAndBlackOutBypassTheLimit) {
    Click("Button1"); // nothing active: nothing happens
    Click("BlackOutButton");
    TFakeOutput out;
    out.Intf->SetActive(true);
    out.Delegate->Take();
    Fader(1)->setValue(5);
    Click("Button1");
    Click("Button3");
    Click("BlackOutButton");
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(0,5)", "ChangedDMX(-3,255)", "ChangedDMX(-3,0)",
                                                  "ChangedBlackOut"));
    EXPECT_EQ(out.Intf->GetBlackOut(), Find<QPushButton>("BlackOutButton")->isChecked());
}

TEST_F(ConsoleTest, NoEventReachesTheWindowFromAnOutputItLeft) {
    TFakeOutput a("A");
    auto b = std::make_unique<TFakeOutput>("B");
    a.Intf->SetActive(true);
    EXPECT_TRUE(a.Intf->GetOnDMXChanged());
    b->Intf->SetActive(true);
    EXPECT_FALSE(a.Intf->GetOnDMXChanged());
    EXPECT_TRUE(b->Intf->GetOnDMXChanged());
    EXPECT_EQ(Text("InfoLabel"), "Active Device: B");

    b.reset(); // the active output goes away
    EXPECT_EQ(Text("InfoLabel"), "No active DMX device");
    Fader(1)->setValue(9); // goes nowhere, and nothing breaks
    EXPECT_EQ(DMXOutput()->GetActiveDMXInterface(), nullptr);

    a.Intf->SetActive(true);
    Form.reset(); // closing the window deactivates and unsubscribes
    EXPECT_FALSE(a.Intf->GetActive());
    EXPECT_FALSE(a.Intf->GetOnDMXChanged());
    EXPECT_FALSE(DMXOutput()->OnActiveInterfaceChange);
}

TEST_F(ConsoleTest, AboutShowsTheVersionAndCloses) {
    QString title, text;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        title = about->windowTitle();
        text = about->findChild<QLabel*>("ProductLabel")->text();
        QTest::mouseClick(about->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
    });
    Find<QAction>("MenuItem2")->trigger();
    EXPECT_EQ(title, "About");
    EXPECT_EQ(text, "Lumacue V. 1.0.0");
}
