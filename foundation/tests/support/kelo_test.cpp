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

void expectScriptMembers(ITypeLib* library, const ScriptMember* members, size_t count) {
    for (const ScriptMember* member = members; member != members + count; ++member) {
        SCOPED_TRACE(testing::Message() << "member " << member->name);
        ITypeInfo* info = nullptr;
        ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(*member->type, &info));
        TYPEATTR* attr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
        bool found = false;
        for (WORD i = 0; i < attr->cFuncs && !found; ++i) {
            FUNCDESC* func = nullptr;
            if (FAILED(info->GetFuncDesc(i, &func))) continue;
            BSTR name = nullptr;
            info->GetDocumentation(func->memid, &name, nullptr, nullptr, nullptr);
            if (name && wcscmp(name, member->name) == 0 && func->invkind == member->kind) {
                found = true;
                EXPECT_EQ(member->id, func->memid);
                EXPECT_EQ(member->flags, func->wFuncFlags & (FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN));
            }
            SysFreeString(name);
            info->ReleaseFuncDesc(func);
        }
        info->ReleaseTypeAttr(attr);
        info->Release();
        EXPECT_TRUE(found);
    }
}
