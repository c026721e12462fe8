#include "html_document.h"

#include <ocidl.h>
#include <wrl/client.h>

#include "error_msg.h"

namespace web {

using Microsoft::WRL::ComPtr;

void assignHtml(IDispatch* document, const std::wstring& html) {
    ComPtr<IPersistStreamInit> persist;
    if (!document ||
        FAILED(document->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(persist.GetAddressOf()))) ||
        !persist)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot get interface from document");
    if (FAILED(persist->InitNew())) throw cERROR_MSG(BV_ERR_GENERAL, "Cannot intialize document");

    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !stream)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot allocate memory");
    ULONG size = (ULONG)(html.size() * sizeof(wchar_t));
    ULONG written = 0;
    if (size && (FAILED(stream->Write(html.data(), size, &written)) || written != size))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot write to memory");

    LARGE_INTEGER start = {};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) || FAILED(persist->Load(stream.Get())))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot load html to document");
}

}  // namespace web
