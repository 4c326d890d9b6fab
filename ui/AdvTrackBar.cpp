#include "ui/AdvTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui {

// Slider positions across the track; the value itself is kept exactly, the position only shows it.
static constexpr int kTrackSteps = 1000;

TTrackBar::TTrackBar(QWidget* AOwner) : TTrackBar(Qt::Horizontal, AOwner) {}

TTrackBar::TTrackBar(Qt::Orientation AOrientation, QWidget* AOwner) : QSlider(AOrientation, AOwner) {
    QSlider::setRange(0, kTrackSteps);
    setPageStep(kTrackSteps / 10);
    connect(this, &QSlider::valueChanged, this, [this](int p) { UserMoved(p); });
    ShowValue();
}

void TTrackBar::SetMin(float Value) {
    if (!std::isfinite(Value)) return;
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    FValue = std::clamp(FValue, FMin, FMax);
    ShowValue();
}

void TTrackBar::SetMax(float Value) {
    if (!std::isfinite(Value)) return;
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    FValue = std::clamp(FValue, FMin, FMax);
    ShowValue();
}

void TTrackBar::SetValue(float Value) {
    if (!std::isfinite(Value)) return;
    FValue = std::clamp(Value, FMin, FMax);
    ShowValue();
}

float TTrackBar::GetValueLog() const {
    // log10 needs a positive minimum; with none the scale has no logarithmic reading.
    if (FMin <= 0 || FValue <= FMin || FMax <= FMin) return FMin;
    const double lmin = std::log10(double(FMin)), lmax = std::log10(double(FMax));
    return float(std::pow(10.0, lmin + (double(FValue) - FMin) / (double(FMax) - FMin) * (lmax - lmin)));
}

void TTrackBar::SetValueLog(float x) {
    if (FMin <= 0 || !(x > 0) || !std::isfinite(x) || FMax <= FMin) return;
    const double lmin = std::log10(double(FMin)), lmax = std::log10(double(FMax));
    SetValue(float(FMin + (double(FMax) - FMin) * (std::log10(double(x)) - lmin) / (lmax - lmin)));
}

void TTrackBar::ShowValue() {
    const double span = double(FMax) - FMin;
    const int pos = span > 0 ? int(std::lround((double(FValue) - FMin) / span * kTrackSteps)) : 0;
    FShowing = true;
    QSlider::setValue(pos);
    FShowing = false;
}

void TTrackBar::UserMoved(int Position) {
    if (FShowing) return;
    FValue = std::clamp(float(FMin + (double(FMax) - FMin) * Position / kTrackSteps), FMin, FMax);
    if (OnChange) OnChange(this);
}

// The base dial holds the angle counter-clockwise, in hundredths of a degree, all round.
static constexpr int kBaseFullTurn = 36000;

static float ToClockwise(double CounterClockwise) {
    double a = std::fmod(-CounterClockwise, 360.0);
    if (a < 0) a += 360;
    return a >= 360 ? 0.0f : float(a);
}

TArcDial::TArcDial(QWidget* AOwner) : QDial(AOwner) {
    QDial::setRange(0, kBaseFullTurn - 1);
    setWrapping(true);
    setNotchesVisible(false);
    connect(this, &QDial::valueChanged, this, [this] { AngleToValue(); });
    ValueToAngle();
}

float TArcDial::Angle() const {
    return ToClockwise(QDial::value() / 100.0);
}

void TArcDial::SetAngle(float Clockwise) {
    const double ccw = std::fmod(360.0 - std::fmod(double(Clockwise), 360.0), 360.0);
    const int base = int(std::lround(ccw * 100)) % kBaseFullTurn;
    QDial::setValue(base < 0 ? base + kBaseFullTurn : base);
}

void TArcDial::AngleToValue() {
    if (FRecalculatingAngle) return;
    const float span = FMaxAngle - FMinAngle;
    if (span != 0) {
        const float v = FDataMax - (FMaxAngle - Angle()) * (FDataMax - FDataMin) / span;
        FData = std::clamp(v, FDataMin, FDataMax);
    }
    update();
    if (OnChange) OnChange(this);
}

void TArcDial::ValueToAngle() {
    FRecalculatingAngle = true;
    const float span = FDataMax - FDataMin;
    if (span != 0) SetAngle(FMaxAngle - (FDataMax - FData) * (FMaxAngle - FMinAngle) / span);
    FRecalculatingAngle = false;
    update();
}

void TArcDial::SetDataValue(float Value) {
    if (!std::isfinite(Value)) return;
    Value = std::clamp(Value, FDataMin, FDataMax);
    if (Value == FData) return;
    FData = Value;
    ValueToAngle();
}

void TArcDial::SetDataMax(float Value) {
    if (!std::isfinite(Value) || Value == FDataMax) return;
    FDataMax = Value;
    if (Value < FDataMin) FDataMin = Value - 1;
    if (FData > Value) FData = Value;
    ValueToAngle();
}

void TArcDial::SetDataMin(float Value) {
    if (!std::isfinite(Value) || Value == FDataMin) return;
    FDataMin = Value;
    if (Value > FDataMax) FDataMax = Value + 1;
    if (FData < Value) FData = Value;
    ValueToAngle();
}

void TArcDial::SetMaxAngle(float Value) {
    if (!std::isfinite(Value) || Value == FMaxAngle) return;
    FMaxAngle = Value;
    if (Value < FMinAngle) FMinAngle = Value - 1;
    update();
    if (Angle() > Value) SetAngle(Value);
}

void TArcDial::SetMinAngle(float Value) {
    if (!std::isfinite(Value) || Value == FMinAngle) return;
    FMinAngle = Value;
    if (Value > FMaxAngle) FMaxAngle = Value + 1;
    update();
    if (Angle() < Value) SetAngle(Value);
}

void TArcDial::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 4;
    if (side <= 0) return;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QPalette& pal = palette();
    // Qt counts angles counter-clockwise in sixteenths of a degree.
    auto qtAngle = [](float clockwise) { return int(std::lround(-clockwise * 16)); };

    p.setPen(QPen(pal.color(QPalette::Dark), 1));
    p.setBrush(pal.color(isEnabled() ? QPalette::Button : QPalette::Window));
    p.drawEllipse(r);

    // The usable arc, then the "pie" from MinAngle to the current angle.
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(QPalette::Midlight));
    p.drawPie(r.adjusted(3, 3, -3, -3), qtAngle(FMinAngle), qtAngle(FMaxAngle - FMinAngle));
    p.setBrush(pal.color(isEnabled() ? QPalette::Highlight : QPalette::Mid));
    p.drawPie(r.adjusted(3, 3, -3, -3), qtAngle(FMinAngle), qtAngle(Angle() - FMinAngle));

    const QPointF c = r.center();
    const double rad = double(Angle()) * std::numbers::pi / 180, len = side / 2.0 - 3;
    p.setPen(QPen(pal.color(QPalette::ButtonText), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::cos(rad) * len, std::sin(rad) * len)); // clockwise on screen: y down
    p.setBrush(pal.color(QPalette::Button));
    p.drawEllipse(c, side / 6.0, side / 6.0);
}

void TArcDial::PointerAt(QPointF Pos) {
    const QPointF c = QRectF(rect()).center();
    const double ccw = std::atan2(-(Pos.y() - c.y()), Pos.x() - c.x()) * 180 / std::numbers::pi;
    const float a = ToClockwise(ccw);
    // Only inside the arc (with a little slack to reach its ends) and never across the gap.
    if (a < FMinAngle - 5 || a > FMaxAngle + 5 || std::fabs(a - Angle()) >= 180) return;
    SetAngle(a);
}

void TArcDial::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton) return Event->ignore();
    setSliderDown(true);
    PointerAt(Event->position());
    Event->accept();
}

void TArcDial::mouseMoveEvent(QMouseEvent* Event) {
    if (!(Event->buttons() & Qt::LeftButton)) return Event->ignore();
    PointerAt(Event->position());
    Event->accept();
}

void TArcDial::mouseReleaseEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton) return Event->ignore();
    setSliderDown(false);
    Event->accept();
}

// Wheel and keys turn the dial in hundredths of its arc and stop at the arc's ends, so they never
// reach the gap either.
void TArcDial::wheelEvent(QWheelEvent* Event) {
    const int notches = Event->angleDelta().y() / 120;
    if (notches == 0) return Event->ignore();
    const float step = (FMaxAngle - FMinAngle) / 100;
    SetAngle(std::clamp(Angle() + notches * step, FMinAngle, FMaxAngle));
    Event->accept();
}

void TArcDial::keyPressEvent(QKeyEvent* Event) {
    float steps = 0;
    switch (Event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
        steps = 1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Left:
        steps = -1;
        break;
    case Qt::Key_PageUp:
        steps = 10;
        break;
    case Qt::Key_PageDown:
        steps = -10;
        break;
    case Qt::Key_Home:
        SetAngle(FMinAngle);
        return Event->accept();
    case Qt::Key_End:
        SetAngle(FMaxAngle);
        return Event->accept();
    default:
        return QWidget::keyPressEvent(Event);
    }
    SetAngle(std::clamp(Angle() + steps * (FMaxAngle - FMinAngle) / 100, FMinAngle, FMaxAngle));
    Event->accept();
}

} // namespace ui
