#include "job_watch.h"

#include <map>
#include <vector>

#include "handles.h"
#include "lab_paths.h"
#include "lab_text.h"

namespace mainjob {
namespace {

std::vector<std::wstring> subfolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return names;
    do {
        std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &found));
    return names;
}

// What is known of one job folder.
struct Seen {
    bool described = false;
    bool present = true;
};

}  // namespace

std::string elementText(const std::string& xml, const std::string& tag) {
    size_t open = xml.find("<" + tag + ">");
    if (open == std::string::npos) return "";
    open += tag.size() + 2;
    size_t close = xml.find("</" + tag + ">", open);
    return close == std::string::npos ? "" : xml.substr(open, close - open);
}

JobWatch::JobWatch(RoadLog& log, const std::wstring& printerFolder)
    : m_log(log), m_printerFolder(printerFolder), m_thread(&JobWatch::run, this) {}

JobWatch::~JobWatch() {
    m_stop = true;
    m_thread.join();
}

void JobWatch::run() {
    std::map<std::wstring, Seen> jobs;
    while (!m_stop) {
        std::vector<std::wstring> now = subfolders(m_printerFolder);
        for (auto& [name, seen] : jobs) seen.present = false;
        for (const std::wstring& name : now) {
            auto [entry, isNew] = jobs.try_emplace(name);
            entry->second.present = true;
            if (isNew) {
                m_jobsSeen++;
                m_log.step("engine", "job folder " + lab::toUtf8(m_printerFolder + name));
            }
            if (!entry->second.described) {
                std::wstring description = m_printerFolder + name + L"\\job.xml";
                std::string xml;
                try {
                    if (lab::fileExists(description)) xml = lab::readFileBytes(description);
                } catch (...) {
                    // Still being written: read again on the next round.
                }
                if (xml.find("</job>") != std::string::npos) {
                    entry->second.described = true;
                    m_log.step("engine", "job.xml written: name \"" + elementText(xml, "name") + "\", " +
                                             elementText(xml, "paperCount") + " pages, " + elementText(xml, "copies") +
                                             " copies");
                }
            }
        }
        for (auto it = jobs.begin(); it != jobs.end();) {
            if (!it->second.present) {
                m_log.step("client", "job folder deleted after processing: " + lab::toUtf8(it->first));
                it = jobs.erase(it);
            } else {
                ++it;
            }
        }
        Sleep(20);
    }
}

}  // namespace mainjob
