// A slider with a logarithmic reading (the show speed) and a rotary dial that maps an arc of
// angles onto a value range (the stand and fade times of the compact programs).
#pragma once

#include <QDial>
#include <QSlider>

#include "foundation/Events.h"

namespace ui {

// A slider over a real-valued range. ValueLog reads and writes the position logarithmically:
// on a 0.1 ... 10 slider the middle of the track is 1.0.
class TTrackBar : public QSlider {
public:
    explicit TTrackBar(QWidget* AOwner = nullptr);
    TTrackBar(Qt::Orientation AOrientation, QWidget* AOwner = nullptr);

    float GetMin() const { return FMin; }
    void SetMin(float Value);
    float GetMax() const { return FMax; }
    void SetMax(float Value);
    float GetValue() const { return FValue; }
    // Limited to Min ... Max.
    void SetValue(float Value);

    float GetValueLog() const;
    // Ignored when the range does not allow a logarithmic scale (Min <= 0, Min = Max) or x <= 0.
    void SetValueLog(float x);

    // Raised after the user moved the slider; setting the value raises nothing.
    foundation::TNotifyEvent OnChange;

private:
    void ShowValue();
    void UserMoved(int Position);

    float FMin = 0, FMax = 10, FValue = 0;
    bool FShowing = false;
};

// A rotary dial whose usable arc runs clockwise from MinAngle to MaxAngle (degrees clockwise
// from the positive x direction); the rest of the circle is a gap the dial never turns across.
class TArcDial : public QDial {
public:
    explicit TArcDial(QWidget* AOwner = nullptr);

    float GetMinAngle() const { return FMinAngle; }
    void SetMinAngle(float Value);
    float GetMaxAngle() const { return FMaxAngle; }
    void SetMaxAngle(float Value);
    float GetDataMin() const { return FDataMin; }
    void SetDataMin(float Value);
    float GetDataMax() const { return FDataMax; }
    void SetDataMax(float Value);
    float GetDataValue() const { return FData; }
    // Limited to DataMin ... DataMax; raises no event.
    void SetDataValue(float Value);

    // The dial's angle, clockwise, 0 <= angle < 360.
    float Angle() const;

    // Raised after every change made by the user.
    foundation::TNotifyEvent OnChange;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void SetAngle(float Clockwise);
    void AngleToValue();
    void ValueToAngle();
    void PointerAt(QPointF Pos);

    float FMinAngle = 30, FMaxAngle = 330;
    float FDataMin = 0, FData = 0, FDataMax = 100;
    bool FRecalculatingAngle = false;
};

} // namespace ui
