// The console's main window: 24 channel faders paged over the 512 channels of the active output,
// the master, "All Full", "All Zero", "BlackOut", and the binding to the active output with its
// acknowledgements.
#pragma once

#include <QMainWindow>

#include <array>
#include <deque>

#include "dmx/Intf.DMX.h"
#include "platform/Loop.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QWidget;

namespace console {

// A fader and the value label under it.
struct TChannelView {
    QSlider* ChTrackBar = nullptr;
    QLabel* ChValueLabel = nullptr;
    static TChannelView Create(QSlider* ATrackBar, QLabel* ALabel) { return {ATrackBar, ALabel}; }
    void SetValue(int AValue);
};

inline constexpr int FadersPerPage = 24;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* Parent = nullptr);
    ~TForm1() override;

    // Binds the window to the registry's active output (or shows that there is none).
    void ActiveDeviceChanged();

    int InitialChannel() const { return FInitialChannel; }

private:
    void BuildControls();
    void BuildMenus();
    void FormCreate();
    void FormDestroy();
    void Unbind();

    void TrackBar1Change(QObject* Sender, double X);
    void SendChange(int Tag, int Channel, double X);
    void TimeOutTimerTimer();
    void NextPageButtonClick();
    void PrevPageButtonClick();
    void RefreshShownFaders();
    void Button1Click();
    void Button3Click();
    void BlackOutButtonClick();
    void OnDMXACKed(int32_t AChannel, int32_t AValue);
    void MenuItem2Click();

    // Controls, named as the window's designer names them (tests find them by these names).
    QLabel* InfoLabel = nullptr;
    QLabel* EventsStatusLabel = nullptr;
    QLabel* EventsStatusCircle = nullptr;
    QGroupBox* ChannelsGroup = nullptr;
    QSlider* MasterTrackBar = nullptr;
    QLabel* MasterValueLabel = nullptr;
    std::array<QWidget*, FadersPerPage> Panels{};
    std::array<QSlider*, FadersPerPage> TrackBars{};
    std::array<QLabel*, FadersPerPage> ValueLabels{};
    std::array<QLabel*, FadersPerPage> Labels{};
    QPushButton* Button1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* PrevPageButton = nullptr;
    QPushButton* NextPageButton = nullptr;
    QPushButton* BlackOutButton = nullptr;
    QAction* ModeMI = nullptr;
    QAction* ExitMI = nullptr;
    QMenu* MemoryMI = nullptr;
    QAction* ArtNetMI = nullptr;
    QAction* OutputMI = nullptr;
    QAction* EventsLauncherMI = nullptr;
    QAction* MenuItem2 = nullptr;
    platform::TTimer TimeOutTimer{10};

    std::array<TChannelView, FadersPerPage> FChannels{};
    TChannelView FMaster;
    int FInitialChannel = 0;
    bool FDMXChanging = false;
    bool FEditMode = false;

    // The interface whose events this window subscribed to; always the registry's active one,
    // so it is unsubscribed before it can go away.
    dmx::IDMXInterface* FBound = nullptr;

    // Changes that fell inside the 10 ms window: sent one per interval once it ends, with the
    // value the user left, so the last move of a fast gesture is never lost.
    struct TPendingChange {
        QObject* Sender;
        int Tag;
        int Channel; // resolved when the user moved it: paging meanwhile must not retarget it
        double X;
    };
    std::deque<TPendingChange> FPending;
};

} // namespace console
