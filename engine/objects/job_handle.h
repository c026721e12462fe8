#pragma once
// One open spooler job as the port monitor knows it: the driver it was started on, the
// job id the driver gave back (0 when it refused the job) and the output file path, set
// by the first write notification.
#include <memory>
#include <mutex>
#include <string>

#include "com/object.h"
#include "print_driver.h"

struct CJobHandle {
    CJobHandle(com::ComPtr<CPrintDriver> driver, long jobId) : driver(std::move(driver)), jobId(jobId) {}

    const com::ComPtr<CPrintDriver> driver;
    const long jobId;

    std::wstring outputFile() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_outputFile;
    }
    void setOutputFile(const std::wstring& path) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_outputFile = path;
    }

private:
    mutable std::mutex m_lock;
    std::wstring m_outputFile;
};
