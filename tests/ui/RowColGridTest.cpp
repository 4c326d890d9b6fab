#include "ui/RowColGrid.h"

#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/testing/VirtualLoop.h"

using namespace ui;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ButtonsGridTest : public ::testing::Test {
protected:
    ButtonsGridTest() {
        Grid.SetRowCount(3);
        Grid.SetColCount(8);
        Grid.OnChange = [this](void* sender) {
            EXPECT_EQ(sender, &Grid);
            Log.push_back("change:" + std::to_string(Grid.GetButtonPressed()));
        };
        Grid.OnButtonHint = [this](void*, QPushButton* b, bool show) {
            Log.push_back((show ? "hint:" : "unhint:") + b->text().toStdString());
        };
    }
    std::vector<int> Checked() const {
        std::vector<int> r;
        for (int i = 0; i < Grid.GetButtonsCount(); ++i)
            if (Grid.getButtons(i)->isChecked()) r.push_back(i);
        return r;
    }
    static void Send(QPushButton* b, QEvent::Type type) {
        if (type == QEvent::Enter) {
            QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QCoreApplication::sendEvent(b, &e);
        } else {
            QEvent e(type);
            QCoreApplication::sendEvent(b, &e);
        }
    }

    platform::testing::TVirtualLoop Loop;
    TButtonsGrid Grid;
    std::vector<std::string> Log;
};

} // namespace

TEST_F(ButtonsGridTest, ThreeByEightHasTwentyFourNumberedToggleButtons) {
    ASSERT_EQ(Grid.GetButtonsCount(), 24);
    for (int i = 0; i < 24; ++i) {
        QPushButton* b = Grid.getButtons(i);
        EXPECT_EQ(b->text(), QString::number(i + 1));
        EXPECT_EQ(b->property("Tag").toInt(), i);
        EXPECT_TRUE(b->isCheckable());
        EXPECT_EQ(b->parentWidget(), &Grid);
    }
    EXPECT_EQ(Grid.getButtons(24), nullptr);
    EXPECT_EQ(Grid.getButtons(-1), nullptr);
    EXPECT_EQ(Grid.GetButtonPressed(), -1);
}

TEST_F(ButtonsGridTest, ButtonPressedIgnoresNumbersThatNameNoButtonAndRaisesNothing) {
    Grid.SetButtonPressed(5);
    EXPECT_THAT(Checked(), ElementsAre(5));
    for (int bad : {24, 100, -2}) {
        Grid.SetButtonPressed(bad);
        EXPECT_EQ(Grid.GetButtonPressed(), 5) << bad;
    }
    EXPECT_THAT(Checked(), ElementsAre(5));
    Grid.SetButtonPressed(23);
    EXPECT_THAT(Checked(), ElementsAre(23));
    Grid.SetButtonPressed(-1);
    EXPECT_EQ(Grid.GetButtonPressed(), -1);
    EXPECT_THAT(Checked(), IsEmpty());
    EXPECT_THAT(Log, IsEmpty());
}

TEST_F(ButtonsGridTest, ClickPressesAnotherButtonButNeverReleasesThePressedOne) {
    QTest::mouseClick(Grid.getButtons(3), Qt::LeftButton);
    EXPECT_EQ(Grid.GetButtonPressed(), 3);
    QTest::mouseClick(Grid.getButtons(3), Qt::LeftButton);
    EXPECT_THAT(Checked(), ElementsAre(3));
    QTest::mouseClick(Grid.getButtons(10), Qt::LeftButton);
    EXPECT_THAT(Checked(), ElementsAre(10));
    EXPECT_THAT(Log, ElementsAre("change:3", "change:10"));
}

TEST_F(ButtonsGridTest, RebuildKeepsTheNumberButShowsNoButtonPressed) {
    Grid.SetButtonPressed(20);
    Grid.SetColCount(8); // same value: no rebuild
    EXPECT_THAT(Checked(), ElementsAre(20));
    Grid.SetRowCount(0);
    Grid.SetColCount(-3);
    EXPECT_EQ(Grid.GetButtonsCount(), 24);

    // Shrinking leaves ButtonPressed naming a button that no longer exists; moving on from it
    // must not touch it.
    Grid.SetRowCount(2);
    Grid.SetColCount(2);
    EXPECT_EQ(Grid.GetButtonsCount(), 4);
    EXPECT_EQ(Grid.GetButtonPressed(), 20);
    EXPECT_THAT(Checked(), IsEmpty());
    Grid.SetButtonPressed(1);
    EXPECT_THAT(Checked(), ElementsAre(1));
    Grid.SetRowCount(3);
    Grid.SetButtonPressed(-1);
    EXPECT_THAT(Checked(), IsEmpty());
}

TEST_F(ButtonsGridTest, ButtonsFillEqualCellsRowByRowInsideTheirMargin) {
    Grid.resize(800, 300);
    Grid.show();
    // Cells of 100 - 0.1 by 100 - 0.1, less 2 all round.
    EXPECT_EQ(Grid.getButtons(0)->geometry(), QRect(2, 2, 96, 96));
    EXPECT_EQ(Grid.getButtons(9)->geometry().topLeft(), QPoint(102, 102));
    const QRect last = Grid.getButtons(23)->geometry();
    EXPECT_EQ(last.left(), 701); // 7 x 99.9
    EXPECT_EQ(last.top(), 202);
    EXPECT_LE(last.right(), 800 - 2);
    EXPECT_LE(last.bottom(), 300 - 2);
    Grid.resize(400, 150);
    EXPECT_EQ(Grid.getButtons(23)->geometry().topLeft(), QPoint(351, 102));
}

TEST_F(ButtonsGridTest, HintShowsAfterOneSecondOnAButtonAndHidesWhenThePointerLeaves) {
    QPushButton* b = Grid.getButtons(6);
    Send(b, QEvent::Enter);
    Loop.Advance(999);
    EXPECT_THAT(Log, IsEmpty());
    Loop.Advance(1);
    EXPECT_THAT(Log, ElementsAre("hint:7"));
    Loop.Advance(5000); // fires once
    Send(b, QEvent::Leave);
    EXPECT_THAT(Log, ElementsAre("hint:7", "unhint:7"));

    // Leaving before the second is up shows nothing, and nothing to hide.
    Log.clear();
    Send(Grid.getButtons(1), QEvent::Enter);
    Loop.Advance(500);
    Send(Grid.getButtons(1), QEvent::Leave);
    Loop.Advance(2000);
    EXPECT_THAT(Log, IsEmpty());
}
