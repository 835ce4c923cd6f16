#include "twain/win/helper_process.h"

#include <atomic>
#include <string>
#include <vector>

namespace korvix::twain {

namespace {

// How long a helper whose pipe was closed may take to close its source and
// end before it is terminated.
constexpr DWORD kGraceMs = 3000;

// The two ends of a new pipe, both overlapped: the control's, and the
// helper's, which alone is inheritable. A named pipe because anonymous ones
// cannot do overlapped I/O; the name is unique to this process and call,
// and only one instance of it can ever exist.
bool make_pipe(unique_handle& ours, unique_handle& theirs) noexcept {
    static std::atomic<unsigned> calls{0};
    const std::wstring name = L"\\\\.\\pipe\\korvix-twain32-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++calls) + L"-" + std::to_wstring(::GetTickCount64());
    ours.reset(::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                                  1 << 16, 1 << 16, 0, nullptr));
    if (ours.get() == INVALID_HANDLE_VALUE) ours.release();
    if (!ours) return false;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    theirs.reset(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr));
    if (theirs.get() == INVALID_HANDLE_VALUE) theirs.release();
    return static_cast<bool>(theirs);
}

unique_handle kill_on_close_job() noexcept {
    unique_handle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) job.reset();
    return job;
}

// Inherits only the pipe, where the platform lets a process say so.
struct InheritList {
    std::vector<unsigned char> storage;
    LPPROC_THREAD_ATTRIBUTE_LIST list = nullptr;
    HANDLE handles[1] = {};

    bool make(HANDLE pipe) noexcept {
        try {
            SIZE_T size = 0;
            ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
            storage.resize(size);
            list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
            if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return list = nullptr, false;
            handles[0] = pipe;
            if (::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles,
                                            nullptr, nullptr))
                return true;
            ::DeleteProcThreadAttributeList(list);
            list = nullptr;
        } catch (...) {
        }
        return false;
    }
    ~InheritList() {
        if (list) ::DeleteProcThreadAttributeList(list);
    }
};

}  // namespace

std::unique_ptr<HelperProcess> HelperProcess::start(const std::wstring& program) noexcept {
    try {
        std::unique_ptr<HelperProcess> helper(new HelperProcess);
        unique_handle ours, theirs;
        if (!make_pipe(ours, theirs)) return nullptr;
        helper->job_ = kill_on_close_job();

        std::wstring command = L"\"" + program + L"\" --pipe " +
                               std::to_wstring(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(theirs.get())));
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        InheritList inherit;
        DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
        if (inherit.make(theirs.get())) {
            startup.lpAttributeList = inherit.list;
            flags |= EXTENDED_STARTUPINFO_PRESENT;
        } else {
            startup.StartupInfo.cb = sizeof startup.StartupInfo;
        }
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                              &startup.StartupInfo, &started))
            return nullptr;
        helper->process_.reset(started.hProcess);
        const unique_handle thread(started.hThread);
        // Without a job (a host whose own job forbids nesting on old
        // systems) the helper still ends when its pipe closes.
        if (helper->job_ && !::AssignProcessToJobObject(helper->job_.get(), started.hProcess)) helper->job_.reset();
        if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            helper->kill();
            return nullptr;
        }
        theirs.reset();  // the helper's end is the helper's alone now
        helper->channel_ = std::make_unique<PipeChannel>(std::move(ours));
        return helper;
    } catch (...) {
        return nullptr;
    }
}

HelperProcess::~HelperProcess() {
    channel_.reset();  // the helper sees its pipe close and ends
    if (process_ && ::WaitForSingleObject(process_.get(), kGraceMs) != WAIT_OBJECT_0) kill();
    // Closing the job also ends anything the helper started.
}

void HelperProcess::kill() noexcept {
    if (!process_) return;
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), kGraceMs);
}

std::uint32_t HelperProcess::share(HANDLE handle, DWORD access) const noexcept {
    HANDLE theirs = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), handle, process_.get(), &theirs, access, FALSE, 0)) return 0;
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(theirs));
}

}  // namespace korvix::twain
