#pragma once
// Scripting.Dictionary objects, reached through IDispatch. Keys keep the order in which
// they were added. Failures throw _com_error: the dictionary's own result code and
// description (a duplicate key gives 0x800A01C9).
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <vector>

#include "variant.h"

namespace web {

using Microsoft::WRL::ComPtr;

class ScriptDictionary {
public:
    // A new, empty dictionary made in process.
    static ScriptDictionary create();
    // The object as a dictionary, or an empty holder when it is none (or null).
    static ScriptDictionary from(IUnknown* object);

    ScriptDictionary() = default;
    explicit operator bool() const { return object_ != nullptr; }
    IDispatch* get() const { return object_.Get(); }

    void add(const VARIANT& key, const VARIANT& item);
    void add(const wchar_t* key, const Variant& item) { add(Variant(key), item); }
    bool exists(const VARIANT& key) const;
    // The item of a key; Empty for a missing key (which the dictionary may add as its
    // own Item property does: look with exists first where that matters).
    Variant item(const VARIANT& key) const;
    Variant item(const wchar_t* key) const { return item(Variant(key)); }
    long count() const;
    // The keys in the dictionary's order.
    std::vector<Variant> keys() const;

private:
    explicit ScriptDictionary(ComPtr<IDispatch> object) : object_(std::move(object)) {}
    Variant call(DISPID member, WORD flags, std::vector<Variant> arguments) const;

    ComPtr<IDispatch> object_;
};

}  // namespace web
