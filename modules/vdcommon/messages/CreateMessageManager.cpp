#include "vdcommon/messages/CreateMessageManager.h"

#include "vdcommon/messages/BDMessages.h"
#include "vdcommon/messages/CAMessages.h"
#include "vdcommon/messages/CPMessages.h"
#include "vdcommon/messages/FOODCMessages.h"
#include "vdcommon/messages/MBMessages.h"
#include "vdcommon/messages/ROCCMessages.h"
#include "vdcommon/messages/SDMessages.h"
#include "vdcommon/messages/UFMessages.h"
#include "vdcommon/messages/VECMessages.h"
#include "vdcommon/messages/VEMessages.h"

#include <string_view>

std::unique_ptr<messages::IMessageManager> CreateMessageManager(const std::string& moduleCode)
{
    struct Module {
        std::string_view code;
        std::unique_ptr<messages::IMessageManager> (*create)();
    };
    static constexpr Module modules[] = {
        {"VE", &messages::CreateVEMessageManager}, {"VEC", &messages::CreateVECMessageManager},
        {"MB", &messages::CreateMBMessageManager}, {"CP", &messages::CreateCPMessageManager},
        {"SD", &messages::CreateSDMessageManager}, {"ROCC", &messages::CreateROCCMessageManager},
        {"UF", &messages::CreateUFMessageManager}, {"FOODC", &messages::CreateFOODCMessageManager},
        {"BD", &messages::CreateBDMessageManager}, {"CA", &messages::CreateCAMessageManager},
    };
    for (const Module& module : modules) {
        if (module.code == moduleCode)
            return module.create();
    }
    return nullptr;
}
