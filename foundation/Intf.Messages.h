// The per-device message bus and the registry of message groups: the interfaces, the handler
// type, and the message types the system publishes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/Exceptions.h"
#include "foundation/IntfClasses.h"

namespace foundation {

struct IMsgServer;

// Pointers to values the sender owns for the duration of the call; element 0 conventionally
// points at the sender's interface reference. A handler may write through a pointer the sender
// offers as a result.
using TMsgParams = std::vector<void*>;
// AServer is the bus that calls the handler (not the sender).
using TMsgHandler = std::function<void(IMsgServer* AServer, const TGUID& AType, void* ACustomData,
                                       const TMsgParams& AParams)>;

struct IMsgServer : virtual IIaAFullUpdate {
    static constexpr TGUID IID = "{EF819839-204A-416E-87A2-3B3D6470CDE9}"_guid;
    // AOwner identifies the registration (and is never called with its own messages); not nil.
    virtual void RegisterMsgHandler(const TGUID& AType, TMsgHandler AHandler, IInterface* AOwner,
                                    void* ACustomData) = 0;
    virtual void RegisterMsgHandlers(const std::vector<TGUID>& ATypes,
                                     const std::vector<TMsgHandler>& AHandlers, IInterface* AOwner,
                                     const std::vector<void*>& ACustomDatas) = 0;
    virtual void UnregisterMsgOwner(IInterface* AOwner) = 0;
    virtual void NotifyMsg(IInterface* ASender, const TGUID& AType, const TMsgParams& AParams) = 0;
};

struct IMsgGroupManager : virtual IInterface {
    static constexpr TGUID IID = "{E0CD5942-5BE2-48B2-909B-861CE1CD4D29}"_guid;
    virtual void RegisterGroup(int32_t AGroup) = 0;
    virtual void UnregisterGroup(int32_t AGroup) = 0;
};

class EMsgServer : public Exception {
public:
    using Exception::Exception;
};

class EMsgGroup : public Exception {
public:
    using Exception::Exception;
};

// A message type: group in the first 32 bits, then subgroup and number, the last eight bytes zero.
constexpr TGUID MsgType(uint32_t Group, uint16_t SubGroup, uint16_t Number) {
    TGUID g;
    g.D1 = Group;
    g.D2 = SubGroup;
    g.D3 = Number;
    return g;
}

inline constexpr TGUID msgNameChanged = MsgType(0xFFFFFFFF, 0, 1);
inline constexpr TGUID msgDevStringsRefreshed = MsgType(0xFFFFFFFE, 0, 3);
inline constexpr TGUID msgDevConnectionChanged = MsgType(0xD19B6262, 0, 1);
inline constexpr TGUID msgDevMediaChanged = MsgType(0xD19B6262, 0, 2);
inline constexpr TGUID msgDevStateChanged = MsgType(0xD19B6262, 0, 3);
inline constexpr TGUID msgTimeTagChanged = MsgType(0xD19B6262, 0, 6);
inline constexpr TGUID msgDevPasswordSet = MsgType(0xD19B6262, 0, 8);
inline constexpr TGUID msgDevPasswordFlagsChanged = MsgType(0xD19B6262, 0, 9);
inline constexpr TGUID msgDevOptionsChanged = MsgType(0xD19B6262, 0, 10);
inline constexpr TGUID msgDevBeforeUpdate = MsgType(0xD19B6262, 0, 11);
inline constexpr TGUID msgDevAfterUpdate = MsgType(0xD19B6262, 0, 12);
inline constexpr TGUID msgInstChildAdded = MsgType(0x00000000, 0, 2);
inline constexpr TGUID msgInstChildDeleted = MsgType(0x00000000, 0, 3);
inline constexpr TGUID msgInstDestroying = MsgType(0x00000000, 0, 4);
inline constexpr TGUID msgBlockPositionChanged = MsgType(0x00000000, 0, 5);
inline constexpr TGUID msgInstParentChanged = MsgType(0x00000000, 0, 9);
inline constexpr TGUID msgInstEndUpdate = MsgType(0x00000000, 0, 12);
inline constexpr TGUID msgInstChanged = MsgType(0x00000000, 0, 13);
inline constexpr TGUID msgInstLockChanged = MsgType(0x00000000, 0, 14);
inline constexpr TGUID msgPinNameChanged = MsgType(0x00000000, 1, 0);

// Entry points, set by InstallMsgServer(): a new empty bus per call (one per device), and the one
// group manager of the process, created on first use.
extern IPtr<IMsgServer> (*NewMsgServer)();
extern IMsgGroupManager* (*MsgGroupManager)();

} // namespace foundation
