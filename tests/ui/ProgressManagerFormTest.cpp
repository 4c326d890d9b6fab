#include "ui/ProgressManagerForm.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

#include "platform/testing/VirtualLoop.h"

using namespace ui;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ProgressTest : public ::testing::Test {
protected:
    ProgressTest() {
        InstallProgressManagerForm();
        PM = GetProgressManager();
        Form = dynamic_cast<TFormProgressManager*>(PM.get());
    }
    ~ProgressTest() override {
        PM.reset();
        FreeProgressManager();
    }
    std::string Shown() const {
        return std::to_string(Form->ProgressBar->value()) + " | " + Form->ProgressLabel->text().toStdString();
    }
    TInterruptEvent Logs(const std::string& what) {
        return [this, what] { Log.push_back(what); };
    }
    TCanInterruptEvent Asks(const std::string& what, bool allow) {
        return [this, what, allow](bool& can) {
            Log.push_back(what);
            if (!allow) can = false;
        };
    }

    platform::testing::TVirtualLoop Loop;
    IPtr<IProgressManager> PM;
    TFormProgressManager* Form;
    std::vector<std::string> Log;
};

} // namespace

TEST_F(ProgressTest, OneWindowShownExactlyWhileTicketsExist) {
    ASSERT_NE(Form, nullptr);
    EXPECT_EQ(GetProgressManager().get(), PM.get());
    EXPECT_EQ(foundation::Supports<IProgressManager>(PM).get(), PM.get());
    EXPECT_EQ(Form->size(), QSize(475, 54));
    EXPECT_FALSE(InProgress());
    EXPECT_EQ(PM->getTicket(0, "Nothing"), -1);
    EXPECT_FALSE(Form->isVisible());

    const int t = PM->getTicket(3, "Backup");
    EXPECT_TRUE(Form->isVisible());
    EXPECT_TRUE(InProgress());
    EXPECT_EQ(Form->windowTitle(), "Backup");
    PM->incTicket(t, 2);
    EXPECT_EQ(Shown(), "67 | 67 %");
    PM->incTicket(t, 1);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_FALSE(InProgress());
    EXPECT_EQ(Shown(), "0 | 0 %");
}

TEST_F(ProgressTest, NestedTicketsSubdivideAStepAndTheBarNeverMovesBack) {
    const int outer = PM->getTicket(4, "Restore");
    const int inner = PM->getTicket(10, "");
    EXPECT_EQ(Form->windowTitle(), "Restore"); // the last ticket with a title
    PM->incTicket(outer, 1);
    PM->setTicket(inner, 5);
    EXPECT_EQ(Shown(), "38 | 38 %"); // 25 + 12.5, the half to the even neighbour

    PM->incTicket(inner, 5); // done: released, the outer one alone gives 25
    EXPECT_EQ(Form->TicketCount(), 1);
    EXPECT_EQ(Shown(), "38 | 38 %");
    PM->incTicket(outer, 1);
    EXPECT_EQ(Shown(), "50 | 50 %");

    // A full inner ticket hands its step to the outer one.
    const int page = PM->getTicket(2, "Page");
    EXPECT_EQ(Form->windowTitle(), "Page");
    PM->releaseAndIncTicket(page, 1);
    EXPECT_EQ(Form->TicketCount(), 1);
    EXPECT_EQ(Form->windowTitle(), "Restore");
    EXPECT_EQ(Shown(), "75 | 75 %");
}

TEST_F(ProgressTest, SetTicketStaysBelowTheLastStep) {
    const int t = PM->getTicket(10, "Firmware");
    PM->setTicket(t, 15);
    EXPECT_EQ(Shown(), "90 | 90 %");
    EXPECT_TRUE(InProgress());
    PM->setTicket(t, -3);
    EXPECT_EQ(Shown(), "90 | 90 %"); // position 0, but the bar keeps its mark
    PM->incTicket(t, -50);           // never below the start either
    PM->incTicket(t, 9);
    EXPECT_TRUE(InProgress());
    PM->incTicket(t, 1);
    EXPECT_FALSE(InProgress());
}

TEST_F(ProgressTest, ReleasingATicketReleasesEveryTicketAfterIt) {
    const int a = PM->getTicket(2, "A");
    PM->getTicket(2, "B");
    PM->getTicket(2, "C");
    EXPECT_EQ(Form->windowTitle(), "C");
    PM->releaseTicket(-1);
    EXPECT_EQ(Form->TicketCount(), 3);
    PM->releaseTicket(a + 1);
    EXPECT_EQ(Form->TicketCount(), 1);
    EXPECT_EQ(Form->windowTitle(), "A");
    PM->releaseTicket(a);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(ProgressTest, NumbersThatNameNoLiveTicketAreIgnored) {
    // An interrupt releases the owner's ticket; the owner goes on calling with its number, and a
    // newer ticket must not move.
    const int stale = PM->getTicket(4, Logs("interrupted"), "Backup");
    Form->close();
    EXPECT_THAT(Log, ElementsAre("interrupted"));
    const int outer = PM->getTicket(4, "Next");
    const int inner = PM->getTicket(4, "Inner");
    ASSERT_NE(stale, outer);
    ASSERT_NE(stale, inner);
    for (int bad : {stale, -1, 57}) {
        PM->incTicket(bad, 4);
        PM->setTicket(bad, 2);
        PM->releaseAndIncTicket(bad, 1);
        PM->releaseTicket(bad);
        EXPECT_EQ(Form->TicketCount(), 2) << bad;
        EXPECT_EQ(Shown(), "0 | 0 %") << bad;
    }
    PM->setTicket(inner, 2);
    EXPECT_EQ(Shown(), "12 | 12 %"); // 12.5, to the even neighbour
}

TEST_F(ProgressTest, ClosingKeepsAnOperationThatCannotBeInterrupted) {
    PM->getTicket(5, Logs("outer"), "Update");
    const int t = PM->getTicket(5, "Firmware"); // may not be interrupted
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->TicketCount(), 2);
    EXPECT_THAT(Log, IsEmpty());
    PM->incTicket(t, 1);
    EXPECT_EQ(Shown(), "4 | 4 %");
}

TEST_F(ProgressTest, ClosingAsksLastTicketFirstAndStopsAtTheFirstRefusal) {
    PM->getTicket(2, Asks("ask outer", true), "Outer", Logs("outer"));
    PM->getTicket(2, Asks("ask inner", false), "Inner", Logs("inner"));
    EXPECT_FALSE(Form->close());
    EXPECT_THAT(Log, ElementsAre("ask inner"));
    EXPECT_EQ(Form->TicketCount(), 2);
}

TEST_F(ProgressTest, ClosingInterruptsLastTicketFirstAndReleasesAll) {
    const int a = PM->getTicket(2, Logs("a"), "A");
    PM->getTicket(2, Asks("ask b", true), "B", Logs("b"));
    // The owner of c releases its own ticket when told, as the memory transfers do.
    int c = -1;
    c = PM->getTicket(
        2,
        [&] {
            Log.push_back("c");
            PM->releaseTicket(c);
        },
        "C");
    EXPECT_TRUE(Form->close());
    EXPECT_THAT(Log, ElementsAre("ask b", "c", "b", "a"));
    EXPECT_EQ(Form->TicketCount(), 0);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_FALSE(InProgress());
    PM->incTicket(a, 1);
    EXPECT_EQ(Shown(), "0 | 0 %");
}

TEST_F(ProgressTest, AnInterruptWhileTheBarRepaintsEndsTheCallSafely) {
    const int outer = PM->getTicket(4, Logs("outer"), "Outer");
    const int inner = PM->getTicket(10, Logs("inner"), "Inner");
    // The user's close arrives while the bar hands the loop its pending work.
    platform::Post([this] { Form->close(); });
    PM->releaseAndIncTicket(inner, 1);
    EXPECT_THAT(Log, ElementsAre("outer"));
    EXPECT_EQ(Form->TicketCount(), 0);
    PM->incTicket(outer, 1);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(ProgressTest, OtherWindowsAreCoveredWhileTicketsRun) {
    auto main = std::make_unique<QWidget>();
    main->resize(300, 200);
    auto* button = new QPushButton("Play", main.get());
    button->setGeometry(10, 10, 80, 30);
    main->show();
    const QPoint onButton(20, 20);
    ASSERT_EQ(main->childAt(onButton), button);

    const int t = PM->getTicket(2, "Busy");
    QWidget* cover = main->childAt(onButton);
    ASSERT_NE(cover, button);
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->geometry(), main->rect());
    main->resize(500, 400);
    EXPECT_EQ(cover->geometry(), QRect(0, 0, 500, 400));
    EXPECT_EQ(Form->findChildren<QWidget*>().contains(cover), false);

    PM->releaseTicket(t);
    EXPECT_EQ(main->childAt(onButton), button);

    // A covered window that goes first takes its cover with it; the window forgets it.
    PM->getTicket(2, "Busy");
    main.reset();
    PM->getTicket(3, "More");
    PM.reset(); // references are not counted: none may outlive the window
    FreeProgressManager();
    EXPECT_FALSE(InProgress());
}

TEST_F(ProgressTest, TheWindowTakesTheMainWindowsStyleWhenCreated) {
    QMainWindow main;
    main.setStyleSheet("QProgressBar::chunk { background: #ff8000; }");
    QFont font = main.font();
    font.setPointSize(17);
    main.setFont(font);
    PM.reset();
    FreeProgressManager();
    PM = GetProgressManager();
    Form = dynamic_cast<TFormProgressManager*>(PM.get());
    EXPECT_EQ(Form->styleSheet(), main.styleSheet());
    EXPECT_EQ(Form->font().pointSize(), 17);
}
