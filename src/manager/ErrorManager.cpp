// The manager's life (first-use construction, exit-time destruction), its
// settings, its lock and the library's exported data.
#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/MessageCodes.h"
#include "manager/ManagerAccess.h"
#include "manager/MasterTable.h"
#include "platform/RecursiveLock.h"
#include "platform/ThreadId.h"

namespace VkNErrorManager {
volatile uint32_t DebugSimulateMemoryOverflow = 0;
}  // namespace VkNErrorManager

VkCErrorManager* VkCErrorManager::s_pErrorManager = nullptr;
uint32_t VkCErrorManager::s_InitStatus = 0;

namespace {

constexpr double kDefaultTickDuration = 8.5e-9;
constexpr uint32_t kDefaultSendMode = 2;
constexpr uint32_t kNoThread = 0xFFFFFFFF;

// The manager under construction on this thread. If creating the manager's
// own list fails, the constructor reports it, and rendering that report asks
// getInstance() for the tick duration; without this the thread would re-enter
// the initialisation of the function-local instance, which never finishes.
thread_local VkCErrorManager* t_underConstruction = nullptr;

}  // namespace

VkCErrorManager& VkCErrorManager::getInstance() {
    VkCErrorManager* instance = __atomic_load_n(&s_pErrorManager, __ATOMIC_ACQUIRE);
    if (instance != nullptr) return *instance;
    if (t_underConstruction != nullptr) return *t_underConstruction;
    return getSingleton();
}

VkCErrorManager& VkCErrorManager::getSingleton() {
    // A function-local static is constructed exactly once, racing first
    // callers wait for it, and its destruction runs at exit or unload.
    static VkCErrorManager instance;
    // Racing callers all store the same address; the builtin keeps that
    // from being a data race while the public member stays a plain pointer.
    __atomic_store_n(&s_pErrorManager, &instance, __ATOMIC_RELEASE);
    return instance;
}

VkCErrorManager::VkCErrorManager()
    : sendMode(kDefaultSendMode),
      masterErrorLists(nullptr),
      myNodeId(0),
      applicationId(0),
      defaultErrorList(nullptr),
      creatorThreadId(kNoThread),
      timeStampCallback(nullptr),
      timeStampTickDuration(kDefaultTickDuration),
      messageManagerCallback(nullptr),
      mutexHandle(nullptr) {
    t_underConstruction = this;
    if (initMutex() != 0) {
        // Without the lock the manager still records and delivers, but has
        // no own list and never changes the master error list table.
        s_InitStatus = VkNCatalogue::kCodeLockCreationFailed;
    } else {
        VkCErrorListPool& own = createErrorList(0, 1, 20, 5, 300);
        if (!VkNManager::isDetachedList(own)) {
            defaultErrorList.store(&own, std::memory_order_release);
            creatorThreadId = VkNPlatform::currentThreadId();
            setMasterErrorList(own, -1, false);
        }
    }
    t_underConstruction = nullptr;
}

VkCErrorManager::~VkCErrorManager() {
    auto* callback = messageManagerCallback.load(std::memory_order_acquire);
    if (callback != nullptr) {
        // We run as an exit-time action: an exception from the host's
        // callback could reach no caller and would end the process in
        // std::terminate, so it is swallowed here, and only here.
        try {
            callback(VkNErrorManager::MsgManTerminate, nullptr);
        } catch (...) {
        }
    }

    VkCErrorListPool* own = defaultErrorList.exchange(nullptr, std::memory_order_acq_rel);
    if (own != nullptr) {
        clearMasterErrorList(static_cast<int32_t>(creatorThreadId));
        creatorThreadId = 0;
        // Deleted without the check that ends the process when another slot
        // still names the list: we run as an exit-time action, where calling
        // exit() again is undefined, and the table goes away next anyway.
        own->setNodeId(0);
        delete own;
    }
    delete masterErrorLists.exchange(nullptr, std::memory_order_acq_rel);
    destroyMutex();
}

// ---- Settings ---------------------------------------------------------------------

void VkCErrorManager::setMyNodeId(uint32_t nodeId) { myNodeId.store(nodeId, std::memory_order_relaxed); }
uint32_t VkCErrorManager::getMyNodeId() const { return myNodeId.load(std::memory_order_relaxed); }

void VkCErrorManager::setApplicationId(uint32_t id) { applicationId.store(id, std::memory_order_relaxed); }
uint32_t VkCErrorManager::getApplicationId() const { return applicationId.load(std::memory_order_relaxed); }

void VkCErrorManager::setTimeStampCallback(uint64_t (*callback)(void)) {
    timeStampCallback.store(callback, std::memory_order_release);
}

void VkCErrorManager::setTimeStampTickDuration(double seconds) {
    timeStampTickDuration.store(seconds, std::memory_order_relaxed);
}
double VkCErrorManager::getTimeStampTickDuration() const {
    return timeStampTickDuration.load(std::memory_order_relaxed);
}

uint64_t VkCErrorManager::getDefaultTimestamp() { return VkNManager::kDefaultTimeStamp; }

uint64_t VkCErrorManager::getTimeStamp() const {
    auto* callback = timeStampCallback.load(std::memory_order_acquire);
    return callback != nullptr ? callback() : getDefaultTimestamp();
}

void VkCErrorManager::setMessageManagerCallback(void (*callback)(VkNErrorManager::VkEMsgManCallbackInfo,
                                                                 VkCErrorList*)) {
    messageManagerCallback.store(callback, std::memory_order_release);
}

uint32_t VkCErrorManager::getSendMode() const { return sendMode.load(std::memory_order_relaxed); }

void VkCErrorManager::setSendMode(uint32_t mode) {
    if (mode != 0) sendMode.store(mode, std::memory_order_relaxed);
}

// ---- Lock -------------------------------------------------------------------------

int32_t VkCErrorManager::initMutex() {
    mutexHandle = VkNPlatform::createLock();
    return mutexHandle != nullptr ? 0 : -1;
}

int32_t VkCErrorManager::destroyMutex() {
    const int32_t result = VkNPlatform::closeLock(mutexHandle);
    mutexHandle = nullptr;
    return result;
}

int32_t VkCErrorManager::lock() const { return VkNPlatform::acquireLock(mutexHandle); }
int32_t VkCErrorManager::unlock() const { return VkNPlatform::releaseLock(mutexHandle); }
