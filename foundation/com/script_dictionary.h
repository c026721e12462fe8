#pragma once
// Scripting.Dictionary objects, reached through IDispatch (the Scripting Runtime ships no
// C++ header). Keys keep the order in which they were added. Failures throw _com_error
// with the dictionary's own result code and description (a duplicate key gives 0x800A01C9).
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "variant.h"

// The dictionary's own interface: only its IDispatch part is used, so it needs no members here.
struct IDictionary : public IDispatch {};
__CRT_UUID_DECL(IDictionary, 0x42C642C1, 0x97E1, 0x11CF, 0x97, 0x8F, 0x00, 0xA0, 0x24, 0x63, 0xE0, 0x6F)

namespace com {

// Scripting.Dictionary.
extern const CLSID kClsidDictionary;

class ScriptDictionary {
public:
    // A new, empty dictionary made in process.
    static ScriptDictionary create();
    // The object as a dictionary, or an empty holder when it is none (or null).
    static ScriptDictionary from(IUnknown* object);

    ScriptDictionary() = default;
    explicit operator bool() const { return m_object != nullptr; }
    IDispatch* get() const { return m_object.Get(); }
    // The object is held through its IDictionary interface, which components' methods take.
    IDictionary* dictionary() const { return static_cast<IDictionary*>(m_object.Get()); }

    // An empty holder has no keys; adding to it throws.
    void add(const VARIANT& key, const VARIANT& item);
    void add(const std::wstring& key, const VARIANT& item) { add(Variant(key), item); }
    bool exists(const VARIANT& key) const;
    bool exists(const std::wstring& key) const { return exists(Variant(key)); }
    // The item of a key, or Empty when the key is missing (the dictionary is not changed).
    Variant item(const VARIANT& key) const;
    Variant item(const std::wstring& key) const { return item(Variant(key)); }
    long count() const;
    // The keys in the dictionary's order.
    std::vector<Variant> keys() const;

private:
    explicit ScriptDictionary(Microsoft::WRL::ComPtr<IDispatch> object) : m_object(std::move(object)) {}
    Variant call(DISPID member, WORD flags, std::vector<Variant> arguments) const;

    Microsoft::WRL::ComPtr<IDispatch> m_object;
};

}  // namespace com
