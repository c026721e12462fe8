// setup-test-sleeper.exe: an idle program that the process tests start under other names
// and expect the action to end. It gives up by itself after two minutes.
#include <windows.h>

int main() {
    Sleep(120000);
    return 0;
}
