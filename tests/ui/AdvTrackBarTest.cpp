#include "ui/AdvTrackBar.h"

#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace ui;

namespace {

class SpeedBarTest : public ::testing::Test {
protected:
    SpeedBarTest() {
        Bar.SetMin(0.1f);
        Bar.SetMax(10);
        Bar.OnChange = [this](void*) { ++Changes; };
    }
    TTrackBar Bar;
    int Changes = 0;
};

} // namespace

TEST_F(SpeedBarTest, LogarithmicValuePutsOneInTheMiddle) {
    struct Case {
        float Value, Log;
    } cases[] = {{10, 10}, {5.05f, 1}, {0.1f, 0.1f}, {2.575f, 0.316228f}, {7.525f, 3.16228f}};
    for (const Case& c : cases) {
        Bar.SetValue(c.Value);
        EXPECT_NEAR(Bar.GetValueLog(), c.Log, c.Log * 1e-4) << c.Value;
        Bar.SetValue(0.1f);
        Bar.SetValueLog(c.Log);
        EXPECT_NEAR(Bar.GetValue(), c.Value, 1e-4) << c.Log;
    }
    EXPECT_EQ(Bar.value(), 750); // the track shows the last value, three quarters along
    EXPECT_EQ(Changes, 0);       // setting is not a move of the user
}

TEST_F(SpeedBarTest, OutOfRangeAndNonPositiveLogValues) {
    Bar.SetValueLog(1);
    for (float x : {0.0f, -1.0f, NAN}) {
        Bar.SetValueLog(x);
        EXPECT_FLOAT_EQ(Bar.GetValue(), 5.05f) << x;
    }
    Bar.SetValueLog(100);
    EXPECT_FLOAT_EQ(Bar.GetValue(), 10);
    Bar.SetValueLog(0.001f);
    EXPECT_FLOAT_EQ(Bar.GetValue(), 0.1f);
}

TEST(TrackBar, RangesWithoutALogarithmicScaleReadTheMinimumAndIgnoreWrites) {
    struct Case {
        float Min, Max, Value;
    } cases[] = {{0, 10, 5}, {-1, 1, 0.5f}, {2, 2, 2}};
    for (const Case& c : cases) {
        TTrackBar bar;
        bar.SetMin(c.Min);
        bar.SetMax(c.Max);
        bar.SetValue(c.Value);
        EXPECT_EQ(bar.GetValueLog(), c.Min) << c.Min << ".." << c.Max;
        bar.SetValueLog(3);
        EXPECT_EQ(bar.GetValue(), c.Value) << c.Min << ".." << c.Max;
    }
}

TEST_F(SpeedBarTest, UserMovesUpdateTheValueAndRaiseOnChange) {
    Bar.SetValueLog(1);
    Bar.triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Changes, 1);
    EXPECT_FLOAT_EQ(Bar.GetValueLog(), 10);
    Bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(Changes, 2);
    EXPECT_NEAR(Bar.GetValue(), 10 - 0.99, 1e-4);
}

namespace {

// The compact programs' stand and fade dials: 30 to 330 degrees, 100 to 10000 ms.
class ArcDialTest : public ::testing::Test {
protected:
    ArcDialTest() {
        Dial.resize(101, 101);
        Dial.SetDataMax(10000);
        Dial.SetDataMin(100);
        Dial.OnChange = [this](void* sender) {
            EXPECT_EQ(sender, &Dial);
            ++Changes;
        };
    }
    // Presses or drags the pointer at a clockwise angle around the centre.
    void PointerAt(double clockwise, bool press) {
        const double r = clockwise * std::numbers::pi / 180;
        const QPointF pos(50.5 + 40 * std::cos(r), 50.5 + 40 * std::sin(r));
        QMouseEvent e(press ? QEvent::MouseButtonPress : QEvent::MouseMove, pos, Dial.mapToGlobal(pos),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Dial, &e);
    }
    TArcDial Dial;
    int Changes = 0;
};

} // namespace

TEST_F(ArcDialTest, MiddleOfTheArcIsTheMiddleOfTheRange) {
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 100);
    EXPECT_NEAR(Dial.Angle(), 30, 0.01);
    Dial.SetDataValue(5050);
    EXPECT_NEAR(Dial.Angle(), 180, 0.01);
    Dial.SetDataValue(100);
    PointerAt(180, true);
    EXPECT_NEAR(Dial.Angle(), 180, 0.01);
    EXPECT_NEAR(Dial.GetDataValue(), 5050, 0.5);
    EXPECT_EQ(Changes, 1);
}

TEST_F(ArcDialTest, DataValueIsLimitedToTheRangeAndRaisesNothing) {
    Dial.SetDataValue(20000);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 10000);
    EXPECT_NEAR(Dial.Angle(), 330, 0.01);
    Dial.SetDataValue(-5);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 100);
    EXPECT_NEAR(Dial.Angle(), 30, 0.01);
    Dial.SetDataValue(NAN);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 100);
    EXPECT_EQ(Changes, 0);
}

TEST_F(ArcDialTest, BoundsPushEachOtherAndTheValue) {
    Dial.SetDataValue(5000);
    Dial.SetDataMax(50); // below the minimum
    EXPECT_FLOAT_EQ(Dial.GetDataMin(), 49);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 50);
    EXPECT_NEAR(Dial.Angle(), 330, 0.01);
    Dial.SetDataMin(80); // above the maximum
    EXPECT_FLOAT_EQ(Dial.GetDataMax(), 81);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 80);
    EXPECT_NEAR(Dial.Angle(), 30, 0.01);

    Dial.SetMaxAngle(20); // below MinAngle
    EXPECT_FLOAT_EQ(Dial.GetMinAngle(), 19);
    Dial.SetMinAngle(40); // above MaxAngle
    EXPECT_FLOAT_EQ(Dial.GetMaxAngle(), 41);
}

TEST_F(ArcDialTest, NarrowingTheArcTurnsTheDialBackInsideIt) {
    Dial.SetDataValue(10000);
    Dial.SetMaxAngle(300);
    EXPECT_NEAR(Dial.Angle(), 300, 0.01);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 10000);
    Dial.SetDataValue(100);
    Dial.SetMinAngle(60);
    EXPECT_NEAR(Dial.Angle(), 60, 0.01);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 100);
}

TEST_F(ArcDialTest, DraggingStaysInsideTheArcAndNeverJumpsTheGap) {
    struct Step {
        double Pointer;
        double Angle; // where the dial is afterwards
        float Data;
    } steps[] = {
        {0, 30, 100},                     // in the gap: ignored
        {100, 100, 2410},                 // within 180 of 30
        {240, 240, 7030},                 // within 180 of 100
        {334, 334, 10000},                // a little beyond the end: taken, value limited
        {350, 334, 10000},                // too far into the gap
        {40, 334, 10000},                 // across the gap: ignored
        {26, 334, 10000},                 // across the gap even within the slack
        {200, 200, 5710},  {26, 26, 100}, // a little before the start
    };
    PointerAt(0, true);
    for (const Step& s : steps) {
        PointerAt(s.Pointer, false);
        EXPECT_NEAR(Dial.Angle(), s.Angle, 0.02) << s.Pointer;
        EXPECT_NEAR(Dial.GetDataValue(), s.Data, 1) << s.Pointer;
    }
    EXPECT_EQ(Changes, 5);
}

TEST_F(ArcDialTest, ZeroSpansLeaveValueAndAngleAsTheyWere) {
    Dial.SetDataValue(5050);
    Dial.SetMaxAngle(30); // equal angles
    PointerAt(30, true);
    EXPECT_FLOAT_EQ(Dial.GetDataValue(), 5050);
    EXPECT_TRUE(std::isfinite(Dial.Angle()));

    TArcDial flat;
    flat.SetDataValue(50);
    const float before = flat.Angle();
    flat.SetDataMax(0); // range 0 ... 0
    EXPECT_FLOAT_EQ(flat.GetDataMin(), 0);
    EXPECT_FLOAT_EQ(flat.GetDataValue(), 0);
    EXPECT_FLOAT_EQ(flat.Angle(), before);
}

TEST_F(ArcDialTest, PieIsDrawnFromMinAngleToTheCurrentAngle) {
    QPalette pal = Dial.palette();
    pal.setColor(QPalette::Highlight, Qt::red);
    Dial.setPalette(pal);
    Dial.SetDataValue(5050); // 180 degrees
    const QImage img = Dial.grab().toImage();
    auto at = [&](double clockwise) {
        const double r = clockwise * std::numbers::pi / 180;
        return img.pixelColor(int(50.5 + 35 * std::cos(r)), int(50.5 + 35 * std::sin(r)));
    };
    for (double inside : {45.0, 100.0, 170.0})
        EXPECT_EQ(at(inside), QColor(Qt::red)) << inside;
    for (double outside : {0.0, 200.0, 300.0})
        EXPECT_NE(at(outside), QColor(Qt::red)) << outside;
}
