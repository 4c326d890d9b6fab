#include "apps/console/MainForm.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>

#include "apps/console/AboutForm.h"
#include "dmx/DMXOutput.h"

namespace console {

using dmx::DMXOutput;
using foundation::Supports;

namespace {

constexpr int TagMaster = -1, TagStand = -2, TagFade = -3, TagSpeed = -4;

QSlider* NewFader(QWidget* parent, const QString& name, int tag) {
    auto* s = new QSlider(Qt::Vertical, parent);
    s->setObjectName(name);
    s->setRange(0, 255);
    s->setProperty("tag", tag);
    s->setMinimumHeight(120);
    return s;
}

QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// Nearest integer, a half to the even neighbour (the default rounding mode).
uint8_t ToChannelValue(double x) { return uint8_t(std::clamp(std::nearbyint(x), 0.0, 255.0)); }

} // namespace

void TChannelView::SetValue(int AValue) {
    ChValueLabel->setText(QString::number(AValue));
    ChTrackBar->setValue(AValue);
}

TForm1::TForm1(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName("Form1");
    setWindowTitle("Lumacue 512");
    BuildMenus();
    BuildControls();
    resize(996, 650);
    TimeOutTimer.OnTimer = [this] { TimeOutTimerTimer(); };
    FormCreate();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::BuildMenus() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("FileMI");
    ModeMI = file->addAction("Go To Edit Mode");
    ModeMI->setObjectName("ModeMI");
    ModeMI->setEnabled(false); // needs an output with show memory
    ExitMI = file->addAction("Exit");
    ExitMI->setObjectName("ExitMI");
    connect(ExitMI, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("Edit");
    edit->setObjectName("EditMI");
    MemoryMI = edit->addMenu("Memory Management");
    MemoryMI->setObjectName("MemoryMI");
    MemoryMI->menuAction()->setEnabled(false); // needs an output with show memory
    for (auto [name, text] : {std::pair{"ClearMemoryMI", "Clear Device Memory"},
                              std::pair{"BackupMemoriMI", "Backup Memory"},
                              std::pair{"RestoreMemoryMI", "Restore Memory"}})
        MemoryMI->addAction(text)->setObjectName(name);
    ArtNetMI = edit->addAction("ArtNet Options");
    ArtNetMI->setObjectName("ArtNetMI");
    ArtNetMI->setEnabled(false);

    QMenu* view = menuBar()->addMenu("View");
    view->setObjectName("ViewMI");
    OutputMI = view->addAction("Devices");
    OutputMI->setObjectName("OutputMI");
    OutputMI->setEnabled(false); // the devices window is not part of this build yet
    EventsLauncherMI = view->addAction("Events Scheduler");
    EventsLauncherMI->setObjectName("EventsLauncherMI");
    EventsLauncherMI->setEnabled(false); // the scheduler is not part of this build yet

    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("MenuItem1");
    MenuItem2 = help->addAction("About");
    MenuItem2->setObjectName("MenuItem2");
    connect(MenuItem2, &QAction::triggered, this, &TForm1::MenuItem2Click);
}

void TForm1::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("MainLayout");
    setCentralWidget(central);
    auto* mainLayout = new QVBoxLayout(central);

    ChannelsGroup = new QGroupBox("DMX OUTPUT", central);
    ChannelsGroup->setObjectName("ChannelsGroup");
    mainLayout->addWidget(ChannelsGroup, 1);
    auto* groupLayout = new QHBoxLayout(ChannelsGroup);

    auto* masterPanel = new QWidget(ChannelsGroup);
    auto* masterLayout = new QVBoxLayout(masterPanel);
    MasterTrackBar = NewFader(masterPanel, "MasterTrackBar", TagMaster);
    MasterValueLabel = NewLabel(masterPanel, "MasterValueLabel", "0");
    masterLayout->addWidget(MasterTrackBar, 1, Qt::AlignHCenter);
    masterLayout->addWidget(MasterValueLabel);
    masterLayout->addWidget(NewLabel(masterPanel, "LabelMaster", "MASTER"));
    groupLayout->addWidget(masterPanel);

    auto* live = new QWidget(ChannelsGroup);
    live->setObjectName("LiveDMXLayout");
    auto* liveLayout = new QHBoxLayout(live);
    liveLayout->setSpacing(2);
    for (int i = 0; i < FadersPerPage; ++i) {
        const QString n = QString::number(i + 1);
        auto* panel = new QWidget(live);
        panel->setObjectName("Panel" + n);
        auto* pl = new QVBoxLayout(panel);
        pl->setContentsMargins(0, 0, 0, 0);
        TrackBars[i] = NewFader(panel, "TrackBar" + n, i);
        ValueLabels[i] = NewLabel(panel, "ValueLabel" + n, "0");
        Labels[i] = NewLabel(panel, "Label" + n, n);
        pl->addWidget(TrackBars[i], 1, Qt::AlignHCenter);
        pl->addWidget(ValueLabels[i]);
        pl->addWidget(Labels[i]);
        Panels[i] = panel;
        liveLayout->addWidget(panel);
    }
    groupLayout->addWidget(live, 1);

    auto* buttons = new QHBoxLayout();
    Button1 = NewButton(central, "Button1", "All Full");
    Button3 = NewButton(central, "Button3", "All Zero");
    PrevPageButton = NewButton(central, "PrevPageButton", "<");
    NextPageButton = NewButton(central, "NextPageButton", ">");
    BlackOutButton = NewButton(central, "BlackOutButton", "BlackOut");
    BlackOutButton->setCheckable(true);
    PrevPageButton->setEnabled(false);
    PrevPageButton->setVisible(false);
    NextPageButton->setVisible(false);
    for (QPushButton* b : {Button1, Button3, PrevPageButton, NextPageButton, BlackOutButton})
        buttons->addWidget(b);
    mainLayout->addLayout(buttons);

    InfoLabel = NewLabel(this, "InfoLabel", "No active DMX device");
    InfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    EventsStatusLabel = NewLabel(this, "EventsStatusLabel", "Events Stopped");
    EventsStatusCircle = NewLabel(this, "EventsStatusCircle", "");
    EventsStatusCircle->setFixedSize(14, 14);
    EventsStatusCircle->setStyleSheet("border-radius: 7px; background: #808080;");
    statusBar()->addWidget(InfoLabel, 1);
    statusBar()->addPermanentWidget(EventsStatusLabel);
    statusBar()->addPermanentWidget(EventsStatusCircle);

    auto onChange = [this](QSlider* s) {
        connect(s, &QSlider::valueChanged, this, [this, s](int v) { TrackBar1Change(s, v); });
    };
    onChange(MasterTrackBar);
    for (QSlider* s : TrackBars)
        onChange(s);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(PrevPageButton, &QPushButton::clicked, this, &TForm1::PrevPageButtonClick);
    connect(NextPageButton, &QPushButton::clicked, this, &TForm1::NextPageButtonClick);
    connect(BlackOutButton, &QPushButton::clicked, this, &TForm1::BlackOutButtonClick);
}

void TForm1::FormCreate() {
    for (int i = 0; i < FadersPerPage; ++i)
        FChannels[i] = TChannelView::Create(TrackBars[i], ValueLabels[i]);
    FMaster = TChannelView::Create(MasterTrackBar, MasterValueLabel);
    PrevPageButton->setVisible(true);
    NextPageButton->setVisible(true);
    // The registry announces every change of the active output; the window binds to each.
    if (auto* output = DMXOutput()) output->OnActiveInterfaceChange = [this](void*) { ActiveDeviceChanged(); };
}

void TForm1::FormDestroy() {
    // In this order: no notification may reach a window that is going away.
    auto* output = DMXOutput();
    if (output) output->OnActiveInterfaceChange = nullptr;
    Unbind();
    if (output) output->SetActiveDMXInterface(nullptr);
}

void TForm1::Unbind() {
    if (!FBound) return;
    FBound->SetOnDMXChanged(nullptr);
    if (auto storage = Supports<dmx::IDMXStorageInterface>(FBound)) storage->SetOnEditParamsChange(nullptr);
    FBound = nullptr;
}

void TForm1::TrackBar1Change(QObject* Sender, double X) {
    const int tag = Sender->property("tag").toInt();
    // The value labels follow the faders whoever moved them.
    if (tag >= 0 && tag < FadersPerPage)
        ValueLabels[tag]->setText(QString::number(int(X)));
    else if (tag == TagMaster)
        MasterValueLabel->setText(QString::number(int(X)));
    if (FDMXChanging) return;
    const int channel = tag >= 0 ? tag + FInitialChannel : tag;
    if (TimeOutTimer.GetEnabled()) {
        for (auto& p : FPending)
            if (p.Sender == Sender) {
                p.Channel = channel;
                p.X = X;
                return;
            }
        FPending.push_back({Sender, tag, channel, X});
        return;
    }
    SendChange(tag, channel, X);
    TimeOutTimer.SetEnabled(true);
}

void TForm1::SendChange(int Tag, int Channel, double X) {
    auto* output = DMXOutput();
    if (!output) return;
    if (Tag >= 0 || Tag == TagMaster) return output->setDMXCh(Channel, ToChannelValue(X));
    auto storage = Supports<dmx::IDMXStorageInterface>(output->GetActiveDMXInterface());
    if (!storage) return;
    if (Tag == TagStand)
        storage->SetSceneEditingStand(float(X));
    else if (Tag == TagFade)
        storage->SetSceneEditingFade(float(X));
    else if (Tag == TagSpeed)
        storage->SetShowSpeed(float(X));
}

void TForm1::TimeOutTimerTimer() {
    if (FPending.empty()) return TimeOutTimer.SetEnabled(false);
    // One change per interval: the timer keeps running for the next one.
    TPendingChange p = FPending.front();
    FPending.pop_front();
    SendChange(p.Tag, p.Channel, p.X);
}

void TForm1::NextPageButtonClick() {
    if (FInitialChannel + FadersPerPage >= dmx::DMXChannels) return;
    FInitialChannel += FadersPerPage;
    RefreshShownFaders();
}

void TForm1::PrevPageButtonClick() {
    if (FInitialChannel == 0) return;
    FInitialChannel -= FadersPerPage;
    RefreshShownFaders();
}

void TForm1::RefreshShownFaders() {
    PrevPageButton->setEnabled(FInitialChannel != 0);
    NextPageButton->setEnabled(FInitialChannel + FadersPerPage < dmx::DMXChannels);
    for (int i = 0; i < FadersPerPage; ++i) {
        Panels[i]->setVisible(FInitialChannel + i < dmx::DMXChannels);
        Labels[i]->setText(QString::number(FInitialChannel + i + 1));
    }
    // Showing the new page's values is not a user move.
    FDMXChanging = true;
    auto* output = DMXOutput();
    for (int i = 0; i < std::min(FadersPerPage, dmx::DMXChannels - FInitialChannel); ++i)
        FChannels[i].SetValue(output ? output->getDMXCh(FInitialChannel + i) : 0);
    FDMXChanging = false;
}

void TForm1::Button1Click() {
    if (auto* active = DMXOutput() ? DMXOutput()->GetActiveDMXInterface() : nullptr) active->SetAllFull();
}

void TForm1::Button3Click() {
    if (auto* active = DMXOutput() ? DMXOutput()->GetActiveDMXInterface() : nullptr) active->SetAllZero();
}

void TForm1::BlackOutButtonClick() {
    if (auto* active = DMXOutput() ? DMXOutput()->GetActiveDMXInterface() : nullptr)
        active->SetBlackOut(BlackOutButton->isChecked());
}

void TForm1::ActiveDeviceChanged() {
    Unbind();
    dmx::IDMXInterface* active = DMXOutput() ? DMXOutput()->GetActiveDMXInterface() : nullptr;
    if (!active) {
        InfoLabel->setText("No active DMX device");
        return;
    }
    FBound = active;
    active->SetOnDMXChanged([this](int32_t ch, int32_t v) { OnDMXACKed(ch, v); });
    auto storage = Supports<dmx::IDMXStorageInterface>(active);
    const bool artNet = bool(Supports<dmx::IDMXArtNetInterfaceDelegate>(active));
    FEditMode = false;
    ModeMI->setEnabled(bool(storage));
    MemoryMI->menuAction()->setEnabled(bool(storage));
    ArtNetMI->setEnabled(artNet);
    InfoLabel->setText("Active Device: " + QString::fromStdString(active->GetName()));

    FDMXChanging = true;
    for (int i = 0; i < FadersPerPage && FInitialChannel + i < dmx::DMXChannels; ++i)
        FChannels[i].SetValue(active->getDMXCh(FInitialChannel + i));
    FMaster.SetValue(active->GetDMXMaster());
    BlackOutButton->setChecked(active->GetBlackOut());
    FDMXChanging = false;
}

void TForm1::OnDMXACKed(int32_t AChannel, int32_t AValue) {
    FDMXChanging = true;
    if (AChannel == dmx::DMXChMaster)
        FMaster.SetValue(AValue);
    else if (AChannel >= FInitialChannel && AChannel < FInitialChannel + FadersPerPage)
        FChannels[AChannel - FInitialChannel].SetValue(AValue);
    FDMXChanging = false;
}

void TForm1::MenuItem2Click() {
    TFormAbout about(this);
    about.exec();
}

} // namespace console
