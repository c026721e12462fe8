#pragma once
// The debug log: each line goes to the debugger output and to standard output.
// Nothing in the system reads it back; tests may watch it with DebugLogCapture.
#include <sstream>
#include <string>
#include <vector>

void writeDebugLine(const std::string& line);

// Builds one line with stream syntax and writes it when it goes out of scope:
//   DebugLine() << "CPrintJob - DTOR2";
class DebugLine {
public:
    DebugLine() = default;
    DebugLine(const DebugLine&) = delete;
    DebugLine& operator=(const DebugLine&) = delete;
    ~DebugLine() { writeDebugLine(m_text.str()); }

    template <typename T>
    DebugLine& operator<<(const T& value) {
        m_text << value;
        return *this;
    }

private:
    std::ostringstream m_text;
};

// Records every line written while it lives (for tests). Captures may nest.
class DebugLogCapture {
public:
    DebugLogCapture();
    ~DebugLogCapture();
    DebugLogCapture(const DebugLogCapture&) = delete;
    DebugLogCapture& operator=(const DebugLogCapture&) = delete;

    std::vector<std::string> lines() const;
    // True when some line contains the text.
    bool contains(const std::string& text) const;

private:
    friend void writeDebugLine(const std::string& line);
    void add(const std::string& line);
    struct State;
    State* m_state;
};
