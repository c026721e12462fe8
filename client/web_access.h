#pragma once
// The web component as the client reaches it: KeloWeb's iWeb objects (in-process COM)
// and the Scripting.Dictionary objects its methods take and return. Failures throw
// _com_error with the component's or the dictionary's error information.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "variant.h"

// The Scripting Runtime ships no C++ header: dictionaries are reached through IDispatch.
struct IDictionary : public IDispatch {};
__CRT_UUID_DECL(IDictionary, 0x42C642C1, 0x97E1, 0x11CF, 0x97, 0x8F, 0x00, 0xA0, 0x24, 0x63, 0xE0, 0x6F)

#include "KeloWeb_h.h"

using Microsoft::WRL::ComPtr;

// A new iWeb object of the registered web component.
ComPtr<I_Web> createWebComponent();

// A Scripting.Dictionary: server parameters going out, reply fields coming back. Keys
// keep the order in which they were added.
class ServerDictionary {
public:
    // A new, empty dictionary.
    static ServerDictionary create();
    // The object as a dictionary; an empty holder for null or for another object.
    static ServerDictionary from(IUnknown* object);

    ServerDictionary() = default;
    explicit operator bool() const { return object_ != nullptr; }
    IDispatch* get() const { return object_.Get(); }
    // The same object as the IDictionary the web component's methods take.
    IDictionary* dictionary() const { return static_cast<IDictionary*>(object_.Get()); }

    // An empty holder has no keys; adding to it throws.
    void add(const std::wstring& key, const Variant& item);
    bool exists(const std::wstring& key) const;
    // The item of a key, or Empty when the key is missing (the dictionary is not changed).
    Variant item(const std::wstring& key) const;
    long count() const;
    std::vector<std::wstring> keys() const;

private:
    explicit ServerDictionary(ComPtr<IDispatch> object) : object_(std::move(object)) {}
    Variant call(DISPID member, WORD flags, std::vector<Variant> arguments) const;

    ComPtr<IDispatch> object_;
};
