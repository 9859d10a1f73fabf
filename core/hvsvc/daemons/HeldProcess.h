// A process held open by the object-persistence server: a pidfd, which names
// one process for its whole life even after its pid is reused.
#pragma once

#include <cstdint>

namespace hvsvc {

inline constexpr std::uint32_t kStillActive = 259;  // STILL_ACTIVE

class HeldProcess {
public:
    HeldProcess() = default;
    ~HeldProcess();
    HeldProcess(const HeldProcess&) = delete;
    HeldProcess& operator=(const HeldProcess&) = delete;
    HeldProcess(HeldProcess&& other) noexcept;
    HeldProcess& operator=(HeldProcess&& other) noexcept;

    // Opens the process `pid`. 0 or a Win32 error (87 for no such process).
    int Open(int pid);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Handle() const { return fd_; }

    // True once the process has ended.
    bool Ended() const;
    // The exit code: 259 while it runs; after its end the code the kernel
    // gives (to its parent only), an exit status or 128 + the signal number.
    // 0, or the Win32 error 50 when the code cannot be had.
    int ExitCode(std::uint32_t* code) const;

private:
    int fd_ = -1;
};

}  // namespace hvsvc
