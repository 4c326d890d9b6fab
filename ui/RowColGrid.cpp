#include "ui/RowColGrid.h"

#include <QEvent>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace ui {

TRowColGrid::TRowColGrid(QWidget* AOwner) : QWidget(AOwner) {}

void TRowColGrid::SetRowCount(int32_t Value) {
    if (Value <= 0 || Value == FRowCount) return;
    FRowCount = Value;
    Rebuild();
    updateGeometry();
}

void TRowColGrid::SetColCount(int32_t Value) {
    if (Value <= 0 || Value == FColCount) return;
    FColCount = Value;
    Rebuild();
    updateGeometry();
}

QSize TRowColGrid::sizeHint() const {
    return {FColCount * 36, FRowCount * 28};
}
QSize TRowColGrid::minimumSizeHint() const {
    return {FColCount * 20, FRowCount * 16};
}

void TRowColGrid::AddCell(QWidget* ACell, int Margin) {
    FCells.push_back({ACell, Margin});
}

void TRowColGrid::ClearCells() {
    FCells.clear();
}

void TRowColGrid::ArrangeCells() {
    // A hair under the exact share, so that rounding never pushes the last cell of a row onto
    // the next one.
    const double cellW = double(width()) / FColCount - 0.1;
    const double cellH = double(height()) / FRowCount - 0.1;
    for (size_t i = 0; i < FCells.size(); ++i) {
        const TCell& c = FCells[i];
        const double x = double(i % size_t(FColCount)) * cellW;
        const double y = double(i / size_t(FColCount)) * cellH;
        const int left = int(std::lround(x)) + c.Margin, top = int(std::lround(y)) + c.Margin;
        const int right = int(std::lround(x + cellW)) - c.Margin,
                  bottom = int(std::lround(y + cellH)) - c.Margin;
        c.Widget->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }
}

void TRowColGrid::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    ArrangeCells();
}

TButtonsGrid::TButtonsGrid(QWidget* AOwner) : TRowColGrid(AOwner) {
    FButtonHintTimer.OnTimer = [this] { HintTimerFired(); };
    Rebuild();
}

TButtonsGrid::~TButtonsGrid() {
    FButtonHintTimer.OnTimer = nullptr;
    // The buttons are filtered by this grid; they must not report to it while QWidget's
    // destructor deletes them.
    for (QPushButton* b : FButtons)
        b->removeEventFilter(this);
}

void TButtonsGrid::Rebuild() {
    FButtonHintTimer.SetEnabled(false);
    FHintButton = nullptr;
    FShowingHint = false;
    ClearCells();
    for (QPushButton* b : FButtons) {
        b->removeEventFilter(this);
        delete b;
    }
    FButtons.clear();

    const int32_t count = GetRowCount() * GetColCount();
    FButtons.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        auto* b = new QPushButton(QString::number(i + 1), this);
        b->setCheckable(true);
        b->setProperty("Tag", i);
        b->setMinimumSize(0, 0);
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, i] { ButtonClicked(i); });
        FButtons.push_back(b);
        AddCell(b, 2);
        b->show();
    }
    ArrangeCells();
}

QPushButton* TButtonsGrid::getButtons(int32_t Index) const {
    if (Index < 0 || Index >= GetButtonsCount()) return nullptr;
    return FButtons[size_t(Index)];
}

void TButtonsGrid::SetButtonPressed(int32_t Value) {
    if (Value == FButtonPressed || Value >= GetButtonsCount() || Value < -1) return;
    // After a rebuild to fewer buttons the old number may name no button any more.
    if (QPushButton* old = getButtons(FButtonPressed)) old->setChecked(false);
    FButtonPressed = Value;
    if (QPushButton* now = getButtons(Value)) now->setChecked(true);
}

void TButtonsGrid::ButtonClicked(int32_t Index) {
    // The button toggled itself; a click always leaves the clicked button pressed.
    FButtons[size_t(Index)]->setChecked(true);
    if (Index == FButtonPressed) return;
    SetButtonPressed(Index);
    DoChange();
}

void TButtonsGrid::DoChange() {
    if (OnChange) OnChange(this);
}

void TButtonsGrid::DoButtonHint(QPushButton* AButton, bool ShowHint) {
    FShowingHint = ShowHint;
    if (OnButtonHint) OnButtonHint(this, AButton, ShowHint);
}

void TButtonsGrid::HintTimerFired() {
    FButtonHintTimer.SetEnabled(false);
    if (FHintButton) DoButtonHint(FHintButton, true);
}

bool TButtonsGrid::eventFilter(QObject* Watched, QEvent* Event) {
    auto* b = qobject_cast<QPushButton*>(Watched);
    if (b && (Event->type() == QEvent::Enter || Event->type() == QEvent::Leave) &&
        std::find(FButtons.begin(), FButtons.end(), b) != FButtons.end()) {
        if (Event->type() == QEvent::Enter) {
            FHintButton = b;
            FButtonHintTimer.SetEnabled(false); // restarts the full second for this button
            FButtonHintTimer.SetEnabled(true);
        } else {
            FButtonHintTimer.SetEnabled(false);
            FHintButton = nullptr;
            if (FShowingHint) DoButtonHint(b, false);
        }
    }
    return TRowColGrid::eventFilter(Watched, Event);
}

} // namespace ui
