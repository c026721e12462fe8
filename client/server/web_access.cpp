#include "web_access.h"

#include "com/guard.h"

ComPtr<I_Web> createWebComponent() {
    ComPtr<I_Web> web;
    com::check(CoCreateInstance(__uuidof(iWeb), nullptr, CLSCTX_INPROC_SERVER, __uuidof(I_Web),
                                reinterpret_cast<void**>(web.GetAddressOf())));
    return web;
}
