// Grids of equal cells in rows and columns, and the grid of numbered toggle buttons that the show
// and scene selectors are made of.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "foundation/Events.h"
#include "platform/Loop.h"

class QPushButton;

namespace ui {

// Places its cells row by row, every cell the same size. Widgets that are children of the grid
// but not its cells are left alone.
class TRowColGrid : public QWidget {
public:
    explicit TRowColGrid(QWidget* AOwner = nullptr);

    int32_t GetRowCount() const { return FRowCount; }
    void SetRowCount(int32_t Value);
    int32_t GetColCount() const { return FColCount; }
    void SetColCount(int32_t Value);

    // Re-creates the cells after the row or column count changed; nothing in the base.
    virtual void Rebuild() {}

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Cells are placed in the order they were added; Margin is kept free inside the cell all round.
    void AddCell(QWidget* ACell, int Margin);
    void ClearCells();
    void ArrangeCells();
    void resizeEvent(QResizeEvent* Event) override;

private:
    struct TCell {
        QWidget* Widget;
        int Margin;
    };
    int32_t FRowCount = 1;
    int32_t FColCount = 1;
    std::vector<TCell> FCells;
};

using TButtonHintEvent = std::function<void(void* Sender, QPushButton* AButton, bool ShowHint)>;

// RowCount x ColCount toggle buttons numbered from 1, at most one shown pressed. ButtonPressed is
// the 0-based number of the pressed button, -1 for none.
class TButtonsGrid : public TRowColGrid {
public:
    explicit TButtonsGrid(QWidget* AOwner = nullptr);
    ~TButtonsGrid() override;

    void Rebuild() override;

    int32_t GetButtonPressed() const { return FButtonPressed; }
    // Raises no event: only the user's clicks do.
    void SetButtonPressed(int32_t Value);
    // None for an index that is not a button.
    QPushButton* getButtons(int32_t Index) const;
    int32_t GetButtonsCount() const { return int32_t(FButtons.size()); }

    foundation::TNotifyEvent OnChange;
    TButtonHintEvent OnButtonHint;

protected:
    virtual void DoChange();
    virtual void DoButtonHint(QPushButton* AButton, bool ShowHint);
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void ButtonClicked(int32_t Index);
    void HintTimerFired();

    std::vector<QPushButton*> FButtons;
    int32_t FButtonPressed = -1;
    platform::TTimer FButtonHintTimer{1000};
    QPushButton* FHintButton = nullptr; // the button the pointer rests on
    bool FShowingHint = false;
};

} // namespace ui
