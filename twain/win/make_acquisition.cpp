#include "twain/win/acquisition.h"

#ifdef _WIN64
#include "twain/win/dual_acquisition.h"
#else
#include "twain/win/twain_acquisition.h"
#endif

namespace korvix::twain {

// The 32-bit module scans in its own process on TWAIN_32.DLL, exactly as it
// always has; the 64-bit one reaches both bitnesses' sources.
std::unique_ptr<Acquisition> make_acquisition(const std::wstring& module_folder) {
#ifdef _WIN64
    return std::make_unique<DualAcquisition>(module_folder + L"\\korvix_twain32.exe");
#else
    (void)module_folder;
    return std::make_unique<TwainAcquisition>();
#endif
}

}  // namespace korvix::twain
