// The progress window behind IProgressManager: one bar for all nested tickets, shown while tickets
// exist, with the other windows of the program covered so that the pointer cannot start anything
// else, and the user's close as the interrupt of the running operations.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/Intf.Progress.h"

class QLabel;
class QProgressBar;

namespace ui {

class TFormProgressManager : public QWidget, public virtual IProgressManager {
public:
    explicit TFormProgressManager(QWidget* AOwner = nullptr);
    ~TFormProgressManager() override;

    // IInterface. The module owns the window (see FreeProgressManager); references to it are not
    // counted.
    foundation::HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
    int32_t AddRef() override { return -1; }
    int32_t Release() override { return -1; }

    // IProgressManager
    int32_t getTicket(int32_t ANumSteps, const std::string& ATitle) override;
    int32_t getTicket(int32_t ANumSteps, TInterruptEvent AOnInterrupt, const std::string& ATitle) override;
    int32_t getTicket(int32_t ANumSteps, TCanInterruptEvent AOnCanInterrupt, const std::string& ATitle,
                      TInterruptEvent AOnInterrupt) override;
    void incTicket(int32_t AIncTicket, int32_t ANumStepsToIncrease) override;
    void setTicket(int32_t ATicket, int32_t APosition) override;
    void releaseTicket(int32_t ATicket) override;
    void releaseAndIncTicket(int32_t ATicket, int32_t ANumStepsToIncrease) override;

    int32_t TicketCount() const { return int32_t(FTicketList.size()); }
    int32_t GetMaxPercent() const { return FMaxPercent; }

    QProgressBar* ProgressBar;
    QLabel* ProgressLabel;

protected:
    // The user closing the window interrupts the running operations, if they all allow it.
    void closeEvent(QCloseEvent* Event) override;

private:
    struct TTicket {
        int32_t Number; // what getTicket returned
        int32_t Steps;
        int32_t Position = 0;
        std::string Title;
        TCanInterruptEvent OnCanInterrupt;
        TInterruptEvent OnInterrupt;
    };

    int IndexOf(int32_t ATicket) const;
    void ReleaseFrom(size_t Index);
    void UpdateBar();
    void ShowPercent(int32_t Percent);
    void UpdateCaption();
    void CoverWindows();
    void UncoverWindows();
    void TakeMainWindowStyle();

    std::vector<std::unique_ptr<TTicket>> FTicketList; // in creation order
    std::vector<QPointer<QWidget>> FLayouts;           // null once the covered window destroyed it
    int32_t FMaxPercent = 0;
    int32_t FNextNumber = 0;
};

// Sets GetProgressManager, InProgress and FreeProgressManager to this window. Needs a QApplication;
// the window is destroyed when the application's loop ends, or by FreeProgressManager.
void InstallProgressManagerForm();

} // namespace ui
