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
    : log_(log), printerFolder_(printerFolder), thread_(&JobWatch::run, this) {}

JobWatch::~JobWatch() {
    stop_ = true;
    thread_.join();
}

void JobWatch::run() {
    std::map<std::wstring, Seen> jobs;
    while (!stop_) {
        std::vector<std::wstring> now = subfolders(printerFolder_);
        for (auto& [name, seen] : jobs) seen.present = false;
        for (const std::wstring& name : now) {
            auto [entry, isNew] = jobs.try_emplace(name);
            entry->second.present = true;
            if (isNew) {
                jobsSeen_++;
                log_.step("engine", "job folder " + lab::toUtf8(printerFolder_ + name));
            }
            if (!entry->second.described) {
                std::wstring description = printerFolder_ + name + L"\\job.xml";
                std::string xml;
                try {
                    if (lab::fileExists(description)) xml = lab::readFileBytes(description);
                } catch (...) {
                    // Still being written: read again on the next round.
                }
                if (xml.find("</job>") != std::string::npos) {
                    entry->second.described = true;
                    log_.step("engine", "job.xml written: name \"" + elementText(xml, "name") + "\", " +
                                            elementText(xml, "paperCount") + " pages, " + elementText(xml, "copies") +
                                            " copies");
                }
            }
        }
        for (auto it = jobs.begin(); it != jobs.end();) {
            if (!it->second.present) {
                log_.step("client", "job folder deleted after processing: " + lab::toUtf8(it->first));
                it = jobs.erase(it);
            } else {
                ++it;
            }
        }
        Sleep(20);
    }
}

}  // namespace mainjob
