#pragma once
// Follows the engine's side of the road from outside: the printer's folder of job
// folders is watched, and each new job folder, its job description and the folder's
// end are told to the road log as they happen.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "road_log.h"

namespace mainjob {

class JobWatch {
public:
    JobWatch(RoadLog& log, const std::wstring& printerFolder);
    ~JobWatch();
    JobWatch(const JobWatch&) = delete;
    JobWatch& operator=(const JobWatch&) = delete;

    // The number of job folders seen so far.
    int jobsSeen() const { return m_jobsSeen; }

private:
    void run();

    RoadLog& m_log;
    std::wstring m_printerFolder;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_jobsSeen{0};
    std::thread m_thread;
};

// The text of the first <tag> element of an XML text, "" when there is none.
std::string elementText(const std::string& xml, const std::string& tag);

}  // namespace mainjob
