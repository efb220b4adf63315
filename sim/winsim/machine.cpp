#include "machine.h"

#include <cstdlib>
#include <cstring>

#include "machine_state.h"

namespace sim {

namespace {

// Each kind of handle lives in its own range, so a handle passed to the wrong
// kind of call is recognisable in a debugger and never aliases another.
std::uintptr_t KindBase(HandleKind kind) {
    return (static_cast<std::uintptr_t>(kind) + 1) << 20;
}

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

void SetError(DWORD code) { lastError = code; }

HANDLE ProcessHeapHandle() { return reinterpret_cast<HANDLE>(KindBase(HandleKind::Heap) + 0x10); }

HMODULE AspiModuleHandle() {
    return reinterpret_cast<HMODULE>(KindBase(HandleKind::Module) + 0x10);
}

DriveLetter* Machine::State::FindLetter(char letter) {
    const auto upper = static_cast<char>(letter & ~0x20);
    for (auto& entry : letters)
        if (entry.letter == upper) return &entry;
    return nullptr;
}

HandleEntry* Machine::State::FindHandle(HANDLE handle, HandleKind kind) {
    const auto found = handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == handles.end() || found->second.kind != kind) return nullptr;
    return &found->second;
}

HANDLE Machine::State::NewHandle(HandleEntry entry) {
    auto& freed = freedHandles[entry.kind];
    std::uintptr_t value = 0;
    if (freed.empty()) {
        value = KindBase(entry.kind) + (++nextHandle) * 4;
    } else {
        value = freed.back();
        freed.pop_back();
    }
    handles[value] = entry;
    return reinterpret_cast<HANDLE>(value);
}

void Machine::State::FreeHandle(std::map<std::uintptr_t, HandleEntry>::iterator handle) {
    closed.push_back({handle->second.kind, reinterpret_cast<HANDLE>(handle->first)});
    freedHandles[handle->second.kind].push_back(handle->first);
    handles.erase(handle);
}

bool Machine::State::Signal(HANDLE event) {
    HandleEntry* entry = FindHandle(event, HandleKind::Event);
    if (!entry) return false;
    entry->signalled = true;
    changed.notify_all();
    return true;
}

void Machine::State::DeliverLateSignals() {
    for (HANDLE event : lateSignals) Signal(event);
    lateSignals.clear();
}

Machine::Machine() : state_(std::make_unique<State>()) { Reset(); }

Machine::~Machine() { Reset(); }

void Machine::Reset() {
    std::list<std::shared_ptr<AspiJob>> jobs;
    {
        std::lock_guard lock(state_->mutex);
        jobs.swap(state_->aspiJobs);
        for (auto& job : jobs) job->cancelled = true;
        state_->changed.notify_all();
    }
    state_->clock.Wake();
    for (auto& job : jobs)
        if (job->worker.joinable()) job->worker.join();

    std::lock_guard lock(state_->mutex);
    State& s = *state_;
    s.clock.Reset(ClockMode::Real);
    s.platform = Platform::Nt;
    s.privilegeHeld = true;
    s.openTokenFails = s.lookupFails = s.exitFails = false;
    s.privileges = {};
    s.exits.clear();
    s.administrator = true;
    s.power = {};
    s.powerQueries = 0;
    s.answers.clear();
    s.boxes.clear();
    s.letters.clear();
    s.letters.push_back({'C', DRIVE_FIXED, std::nullopt});
    s.driveStringsFail = s.heapNull = s.heapAllocFails = false;
    for (auto& [block, size] : s.heapBlocks) std::free(block);
    s.heapBlocks.clear();
    s.opens.clear();
    s.ioctls.clear();
    s.aspi = {};
    s.aspiManager = std::make_unique<aspisim::Manager>(s.aspi);
    s.aspiReferences = s.aspiLoads = s.aspiCallsWhileUnloaded = s.aspiBlocksReused = 0;
    s.loadNames.clear();
    s.aspiLog.clear();
    s.moduleFileName.clear();
    s.mediaPolling = false;
    s.lastMediaPoll = 0;
    s.kernelNamespaces = true;
    s.mutexNames.clear();
    s.createEventFails = false;
    s.handles.clear();
    s.nextHandle = 0;
    s.freedHandles.clear();
    s.closed.clear();
    s.lateSignals.clear();
}

// ---- platform and privileges ------------------------------------------------------

void Machine::SetPlatform(Platform platform) {
    std::lock_guard lock(state_->mutex);
    state_->platform = platform;
    if (platform == Platform::Older) state_->kernelNamespaces = false;
}

Platform Machine::GetPlatform() const {
    std::lock_guard lock(state_->mutex);
    return state_->platform;
}

void Machine::SetShutdownPrivilegeHeld(bool held) {
    std::lock_guard lock(state_->mutex);
    state_->privilegeHeld = held;
}

void Machine::SetOpenProcessTokenFails(bool fails) {
    std::lock_guard lock(state_->mutex);
    state_->openTokenFails = fails;
}

void Machine::SetLookupPrivilegeFails(bool fails) {
    std::lock_guard lock(state_->mutex);
    state_->lookupFails = fails;
}

void Machine::SetExitWindowsFails(bool fails) {
    std::lock_guard lock(state_->mutex);
    state_->exitFails = fails;
}

void Machine::SetAdministrator(bool administrator) {
    std::lock_guard lock(state_->mutex);
    state_->administrator = administrator;
}

void Machine::SetPowerSupply(PowerSupply supply) {
    std::lock_guard lock(state_->mutex);
    state_->power = supply;
}

int Machine::PowerQueries() const {
    std::lock_guard lock(state_->mutex);
    return state_->powerQueries;
}

PrivilegeLog Machine::Privileges() const {
    std::lock_guard lock(state_->mutex);
    return state_->privileges;
}

std::vector<ExitRequest> Machine::ExitRequests() const {
    std::lock_guard lock(state_->mutex);
    return state_->exits;
}

// ---- message boxes ------------------------------------------------------------------

void Machine::QueueMessageBoxAnswer(int answer) {
    std::lock_guard lock(state_->mutex);
    state_->answers.push_back(answer);
}

std::vector<MessageBoxRecord> Machine::MessageBoxes() const {
    std::lock_guard lock(state_->mutex);
    return state_->boxes;
}

// ---- drive letters, devices, heap ----------------------------------------------------

void Machine::AddLetter(char letter, UINT driveType) {
    RemoveLetter(letter);
    std::lock_guard lock(state_->mutex);
    state_->letters.push_back({static_cast<char>(letter & ~0x20), driveType, std::nullopt});
}

void Machine::AddCdrom(char letter, CdromDevice device) {
    RemoveLetter(letter);
    std::lock_guard lock(state_->mutex);
    state_->letters.push_back({static_cast<char>(letter & ~0x20), DRIVE_CDROM, std::move(device)});
}

void Machine::RemoveLetter(char letter) {
    std::lock_guard lock(state_->mutex);
    const auto upper = static_cast<char>(letter & ~0x20);
    std::erase_if(state_->letters, [upper](const DriveLetter& entry) { return entry.letter == upper; });
}

bool Machine::ConfigureCdrom(char letter, const std::function<void(CdromDevice&)>& change) {
    std::lock_guard lock(state_->mutex);
    DriveLetter* entry = state_->FindLetter(letter);
    if (!entry || !entry->device) return false;
    change(*entry->device);
    return true;
}

void Machine::SetDriveStringsFail(bool fails) {
    std::lock_guard lock(state_->mutex);
    state_->driveStringsFail = fails;
}

void Machine::SetProcessHeapNull(bool null) {
    std::lock_guard lock(state_->mutex);
    state_->heapNull = null;
}

void Machine::SetHeapAllocFails(bool fails) {
    std::lock_guard lock(state_->mutex);
    state_->heapAllocFails = fails;
}

std::size_t Machine::HeapBlocksOutstanding() const {
    std::lock_guard lock(state_->mutex);
    return state_->heapBlocks.size();
}

std::vector<DeviceOpen> Machine::DeviceOpens() const {
    std::lock_guard lock(state_->mutex);
    return state_->opens;
}

std::vector<IoctlRecord> Machine::Ioctls() const {
    std::lock_guard lock(state_->mutex);
    return state_->ioctls;
}

std::vector<SCSI_PASS_THROUGH_DIRECT> Machine::PassThroughRequests() const {
    std::lock_guard lock(state_->mutex);
    std::vector<SCSI_PASS_THROUGH_DIRECT> requests;
    for (const auto& record : state_->ioctls) {
        if (record.code != IOCTL_SCSI_PASS_THROUGH_DIRECT) continue;
        if (record.in.size() < sizeof(SCSI_PASS_THROUGH_DIRECT)) continue;
        SCSI_PASS_THROUGH_DIRECT request;
        std::memcpy(&request, record.in.data(), sizeof request);
        requests.push_back(request);
    }
    return requests;
}

// ---- ASPI manager ----------------------------------------------------------------------

void Machine::SetAspiManager(AspiManagerConfig config) {
    std::lock_guard lock(state_->mutex);
    state_->aspiManager = std::make_unique<aspisim::Manager>(config);
    state_->aspi = std::move(config);
}

int Machine::AspiReferences() const {
    std::lock_guard lock(state_->mutex);
    return state_->aspiReferences;
}

int Machine::AspiLoads() const {
    std::lock_guard lock(state_->mutex);
    return state_->aspiLoads;
}

std::vector<std::string> Machine::LibraryLoadNames() const {
    std::lock_guard lock(state_->mutex);
    return state_->loadNames;
}

int Machine::AspiCallsWhileUnloaded() const {
    std::lock_guard lock(state_->mutex);
    return state_->aspiCallsWhileUnloaded;
}

std::vector<AspiRecord> Machine::AspiLog() const {
    std::lock_guard lock(state_->mutex);
    return state_->aspiLog;
}

int Machine::AspiPending() const {
    std::lock_guard lock(state_->mutex);
    int pending = 0;
    for (const auto& job : state_->aspiJobs) pending += job->finished ? 0 : 1;
    return pending;
}

int Machine::AspiBlocksReusedWhilePending() const {
    std::lock_guard lock(state_->mutex);
    return state_->aspiBlocksReused;
}

// ---- events and handles -----------------------------------------------------------------

void Machine::SetCreateEventFails(bool fails) {
    std::lock_guard lock(state_->mutex);
    state_->createEventFails = fails;
}

std::vector<ClosedHandle> Machine::ClosedHandles() const {
    std::lock_guard lock(state_->mutex);
    return state_->closed;
}

int Machine::OpenHandles(HandleKind kind) const {
    std::lock_guard lock(state_->mutex);
    int count = 0;
    for (const auto& [value, entry] : state_->handles) count += entry.kind == kind ? 1 : 0;
    return count;
}

// ---- clock ---------------------------------------------------------------------------------

void Machine::SetClockMode(ClockMode mode) { state_->clock.SetMode(mode); }

ClockMode Machine::GetClockMode() const { return state_->clock.Mode(); }

double Machine::NowSeconds() const { return static_cast<double>(state_->clock.Now()) / 1e9; }

void Machine::AdvanceSeconds(double seconds) {
    if (!state_->clock.IsVirtual() || seconds <= 0) return;
    state_->clock.Spend(static_cast<std::int64_t>(seconds * 1e9));
}

Machine& machine() {
    static Machine instance;
    return instance;
}

double NowSeconds() { return machine().NowSeconds(); }

}  // namespace sim

DWORD WINAPI GetLastError() { return sim::lastError; }

void WINAPI SetLastError(DWORD code) { sim::lastError = code; }
