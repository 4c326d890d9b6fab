// The progress reporting seam: long device operations (firmware transfers, memory backup and
// restore) take tickets from whatever progress window the program registered, and learn of a user
// interrupt through their callbacks. No window code here, so model units can use it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "foundation/IntfClasses.h"

namespace ui {

using foundation::IInterface;
using foundation::IPtr;
using foundation::TGUID;
using namespace foundation::literals;

// Asked when the user closes the progress window; clearing CanInterrupt keeps the operation running.
using TCanInterruptEvent = std::function<void(bool& CanInterrupt)>;
// Called when the user has interrupted the operation; its ticket is released right after.
using TInterruptEvent = std::function<void()>;

// Tickets nest: each ticket subdivides one step of the ticket taken before it. A ticket is known
// by the number getTicket returned (-1: no ticket, and every operation given -1 does nothing);
// a number that no longer names a live ticket is ignored, so an owner whose ticket an interrupt
// released may go on calling with it.
struct IProgressManager : virtual IInterface {
    static constexpr TGUID IID = "{32C40C31-9B25-4E68-9118-4AD7A176D55A}"_guid;
    // A ticket the user cannot interrupt.
    virtual int32_t getTicket(int32_t ANumSteps, const std::string& ATitle) = 0;
    // A ticket the user may always interrupt.
    virtual int32_t getTicket(int32_t ANumSteps, TInterruptEvent AOnInterrupt, const std::string& ATitle) = 0;
    virtual int32_t getTicket(int32_t ANumSteps, TCanInterruptEvent AOnCanInterrupt,
                              const std::string& ATitle, TInterruptEvent AOnInterrupt) = 0;
    // Advances the ticket; once all its steps are done it and every ticket after it are released.
    virtual void incTicket(int32_t AIncTicket, int32_t ANumStepsToIncrease) = 0;
    virtual void setTicket(int32_t ATicket, int32_t APosition) = 0;
    // Releases the ticket and every ticket after it.
    virtual void releaseTicket(int32_t ATicket) = 0;
    // Releases the ticket and advances the one it subdivides.
    virtual void releaseAndIncTicket(int32_t ATicket, int32_t ANumStepsToIncrease) = 0;
};

// Entry points. Until a progress window is installed they report no window: GetProgressManager
// gives an empty reference, InProgress false, and FreeProgressManager does nothing.
// The window, created on first use; it lives until FreeProgressManager or the end of the program.
extern IPtr<IProgressManager> (*GetProgressManager)();
// True while tickets exist.
extern bool (*InProgress)();
// Destroys the window (if any); the next GetProgressManager creates a new one.
extern void (*FreeProgressManager)();

} // namespace ui
