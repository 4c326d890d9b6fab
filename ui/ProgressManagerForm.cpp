#include "ui/ProgressManagerForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/Loop.h"

namespace ui {

namespace {

// Lies transparently over a window and swallows the pointer, following the window's size.
class TCoverLayout : public QWidget {
public:
    explicit TCoverLayout(QWidget* AWindow) : QWidget(AWindow) {
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_TranslucentBackground);
        setGeometry(AWindow->rect());
        AWindow->installEventFilter(this);
        raise();
        show();
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Watched == parent() && Event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return false;
    }
    bool event(QEvent* Event) override {
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            Event->accept();
            return true;
        default:
            return QWidget::event(Event);
        }
    }
};

} // namespace

TFormProgressManager::TFormProgressManager(QWidget* AOwner)
    : QWidget(AOwner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    TakeMainWindowStyle();
    setFixedSize(475, 54);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setOrientation(Qt::Horizontal);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressLabel = new QLabel("0 %", this);
    ProgressLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ProgressLabel->setMinimumWidth(ProgressLabel->fontMetrics().horizontalAdvance("100 %") + 4);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->addWidget(ProgressBar, 1);
    row->addWidget(ProgressLabel);
}

TFormProgressManager::~TFormProgressManager() {
    UncoverWindows();
}

void TFormProgressManager::TakeMainWindowStyle() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<QMainWindow*>(w)) {
            setStyleSheet(main->styleSheet());
            setPalette(main->palette());
            setFont(main->font());
            return;
        }
    }
}

foundation::HRESULT TFormProgressManager::QueryInterface(const TGUID& IID, void** Obj) {
    if (foundation::OfferInterface<IProgressManager>(this, IID, Obj) ||
        foundation::OfferInterface<IInterface>(static_cast<IProgressManager*>(this), IID, Obj))
        return foundation::S_OK;
    *Obj = nullptr;
    return foundation::E_NOINTERFACE;
}

int32_t TFormProgressManager::getTicket(int32_t ANumSteps, const std::string& ATitle) {
    return getTicket(
        ANumSteps, [](bool& CanInterrupt) { CanInterrupt = false; }, ATitle, nullptr);
}

int32_t TFormProgressManager::getTicket(int32_t ANumSteps, TInterruptEvent AOnInterrupt,
                                        const std::string& ATitle) {
    return getTicket(ANumSteps, nullptr, ATitle, std::move(AOnInterrupt));
}

int32_t TFormProgressManager::getTicket(int32_t ANumSteps, TCanInterruptEvent AOnCanInterrupt,
                                        const std::string& ATitle, TInterruptEvent AOnInterrupt) {
    // A ticket without steps (or with a negative count) would divide the bar by nothing.
    if (ANumSteps <= 0) return -1;
    // Numbers are not reused while a stale owner could still hold them: an owner whose ticket an
    // interrupt released must not move the ticket that took its place.
    int32_t number = FNextNumber;
    while (IndexOf(number) >= 0)
        number = number == INT32_MAX ? 0 : number + 1;
    FNextNumber = number == INT32_MAX ? 0 : number + 1;

    auto t = std::make_unique<TTicket>();
    t->Number = number;
    t->Steps = ANumSteps;
    t->Title = ATitle;
    t->OnCanInterrupt = std::move(AOnCanInterrupt);
    t->OnInterrupt = std::move(AOnInterrupt);
    FTicketList.push_back(std::move(t));
    FMaxPercent = 0;
    UpdateCaption();
    if (FTicketList.size() == 1) {
        show();
        raise();
        CoverWindows();
    }
    UpdateBar();
    return number;
}

int TFormProgressManager::IndexOf(int32_t ATicket) const {
    if (ATicket < 0) return -1;
    for (size_t i = 0; i < FTicketList.size(); ++i)
        if (FTicketList[i]->Number == ATicket) return int(i);
    return -1;
}

void TFormProgressManager::incTicket(int32_t AIncTicket, int32_t ANumStepsToIncrease) {
    const int i = IndexOf(AIncTicket);
    if (i < 0) return;
    TTicket& t = *FTicketList[size_t(i)];
    t.Position = int32_t(std::clamp<int64_t>(int64_t(t.Position) + ANumStepsToIncrease, 0, t.Steps));
    if (t.Position >= t.Steps) {
        ReleaseFrom(size_t(i));
        UpdateCaption();
    }
    UpdateBar();
}

void TFormProgressManager::setTicket(int32_t ATicket, int32_t APosition) {
    const int i = IndexOf(ATicket);
    if (i < 0) return;
    TTicket& t = *FTicketList[size_t(i)];
    t.Position = APosition >= t.Steps ? t.Steps - 1 : APosition < 0 ? 0 : APosition;
    UpdateBar();
}

void TFormProgressManager::releaseTicket(int32_t ATicket) {
    const int i = IndexOf(ATicket);
    if (i < 0) return;
    ReleaseFrom(size_t(i));
    UpdateBar();
}

void TFormProgressManager::releaseAndIncTicket(int32_t ATicket, int32_t ANumStepsToIncrease) {
    const int i = IndexOf(ATicket);
    if (i < 0) return;
    const int32_t outer = i > 0 ? FTicketList[size_t(i) - 1]->Number : -1;
    ReleaseFrom(size_t(i));
    UpdateBar();
    // Looked up afresh: updating the bar runs the loop, and the user may have interrupted meanwhile.
    incTicket(outer, ANumStepsToIncrease);
    UpdateBar();
}

void TFormProgressManager::ReleaseFrom(size_t Index) {
    if (Index >= FTicketList.size()) return;
    // Moved out first: freeing a ticket frees its callbacks, which may call back into the window.
    std::vector<std::unique_ptr<TTicket>> gone(
        std::make_move_iterator(FTicketList.begin() + ptrdiff_t(Index)),
        std::make_move_iterator(FTicketList.end()));
    FTicketList.erase(FTicketList.begin() + ptrdiff_t(Index), FTicketList.end());
    UpdateCaption();
    if (FTicketList.empty()) {
        FMaxPercent = 0;
        ShowPercent(0);
        UncoverWindows();
        hide();
    }
    gone.clear();
}

void TFormProgressManager::UpdateBar() {
    // Each ticket subdivides one step of the ticket before it.
    double share = 100, p = 0;
    for (const auto& t : FTicketList) {
        share /= t->Steps;
        p += t->Position * share;
    }
    // The bar never moves back while tickets run; halves round to the even neighbour.
    const int32_t percent = int32_t(std::nearbyint(std::max(p, double(FMaxPercent))));
    if (percent == FMaxPercent) return;
    FMaxPercent = percent;
    ShowPercent(percent);
    platform::ProcessMessages(); // so that the window repaints during a long operation
}

void TFormProgressManager::ShowPercent(int32_t Percent) {
    ProgressBar->setValue(std::clamp(Percent, 0, 100));
    ProgressLabel->setText(QString::number(Percent) + " %");
}

void TFormProgressManager::UpdateCaption() {
    for (auto it = FTicketList.rbegin(); it != FTicketList.rend(); ++it)
        if (!(*it)->Title.empty()) {
            setWindowTitle(QString::fromStdString((*it)->Title));
            return;
        }
}

void TFormProgressManager::CoverWindows() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (w == this || !w->isWindow() || !w->isVisible() || type == Qt::Popup || type == Qt::ToolTip)
            continue;
        FLayouts.emplace_back(new TCoverLayout(w));
    }
}

void TFormProgressManager::UncoverWindows() {
    for (QPointer<QWidget>& cover : FLayouts)
        delete cover.data();
    FLayouts.clear();
}

void TFormProgressManager::closeEvent(QCloseEvent* Event) {
    if (FTicketList.empty()) return Event->accept();
    // Asking may run the loop (a question box), so the list is walked by index with a check.
    for (size_t i = FTicketList.size(); i-- > 0;) {
        if (i >= FTicketList.size()) continue;
        TCanInterruptEvent ask = FTicketList[i]->OnCanInterrupt;
        if (!ask) continue;
        bool canInterrupt = true;
        ask(canInterrupt);
        if (!canInterrupt) {
            Event->ignore();
            raise();
            activateWindow();
            return;
        }
    }
    std::vector<TInterruptEvent> interrupts;
    for (auto it = FTicketList.rbegin(); it != FTicketList.rend(); ++it)
        interrupts.push_back((*it)->OnInterrupt);
    for (TInterruptEvent& interrupt : interrupts)
        if (interrupt) interrupt();
    ReleaseFrom(0);
    UncoverWindows();
    Event->accept();
}

static QPointer<TFormProgressManager> gProgressManager;

static IPtr<IProgressManager> GetProgressManagerForm() {
    if (!gProgressManager) gProgressManager = new TFormProgressManager();
    return IPtr<IProgressManager>(gProgressManager.data());
}

static bool ProgressFormInProgress() {
    return gProgressManager && gProgressManager->TicketCount() > 0;
}

static void FreeProgressManagerForm() {
    delete gProgressManager.data();
}

void InstallProgressManagerForm() {
    GetProgressManager = GetProgressManagerForm;
    InProgress = ProgressFormInProgress;
    FreeProgressManager = FreeProgressManagerForm;
    static bool hooked = false;
    if (!hooked && QCoreApplication::instance()) {
        hooked = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         [] { FreeProgressManagerForm(); });
    }
}

} // namespace ui
