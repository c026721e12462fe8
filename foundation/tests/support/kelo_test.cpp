#include <winsock2.h>

#include "kelo_test.h"

int closedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, (sockaddr*)&address, sizeof address);
    int length = sizeof address;
    getsockname(s, (sockaddr*)&address, &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

std::string documentBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = (char)(value >> 16);
    }
    return bytes;
}
