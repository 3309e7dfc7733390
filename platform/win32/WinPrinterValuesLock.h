#pragma once

#include <string>

#include "platform/PrinterValuesLock.h"
#include "platform/win32/ScopedHandles.h"

namespace platform::win32 {

// The printer values' lock as a named mutex that every run in the user's session opens. The real PDF
// printer reads its values from the registry as it prints, so the lock is held from writing them until
// Access has printed the report. The system lets an ended run's hold go: the next run gets the mutex
// "abandoned", which counts as had, since the values are written afresh for every report anyway.
// Ownership is the thread's: acquire and release on the thread that prints.
class WinPrinterValuesLock : public PrinterValuesLock {
  public:
    static constexpr wchar_t kName[] = L"Local\\Calvenor.PdfPrinterValues";

    explicit WinPrinterValuesLock(std::wstring name = kName) : name_(std::move(name)) {}
    WinPrinterValuesLock(const WinPrinterValuesLock&) = delete;
    WinPrinterValuesLock& operator=(const WinPrinterValuesLock&) = delete;
    ~WinPrinterValuesLock() override { release(); }

    void acquire(const std::function<void()>& whileWaiting) override;
    void release() override;

  private:
    std::wstring name_;
    UniqueHandle mutex_;  // opened at the first acquire
    bool held_ = false;
};

}  // namespace platform::win32
