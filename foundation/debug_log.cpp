#include "debug_log.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

struct DebugLogCapture::State {
    mutable std::mutex lock;
    std::vector<std::string> lines;
};

namespace {
std::mutex captureListLock;
std::vector<DebugLogCapture*>& captures() {
    static std::vector<DebugLogCapture*> list;
    return list;
}
}  // namespace

void writeDebugLine(const std::string& line) {
    std::string text = line + "\n";
    OutputDebugStringA(text.c_str());
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
    std::lock_guard<std::mutex> guard(captureListLock);
    for (DebugLogCapture* capture : captures()) capture->add(line);
}

DebugLogCapture::DebugLogCapture() : m_state(new State) {
    std::lock_guard<std::mutex> guard(captureListLock);
    captures().push_back(this);
}

DebugLogCapture::~DebugLogCapture() {
    {
        std::lock_guard<std::mutex> guard(captureListLock);
        auto& list = captures();
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    delete m_state;
}

void DebugLogCapture::add(const std::string& line) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->lines.push_back(line);
}

std::vector<std::string> DebugLogCapture::lines() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->lines;
}

bool DebugLogCapture::contains(const std::string& text) const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    for (const auto& line : m_state->lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}
