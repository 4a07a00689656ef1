// The Win32 base types with their Windows widths on a 64-bit Linux host.
//
// Everything above the platform layer speaks in these names, so the application and the library
// read like the Windows programs they are modelled on. The integer types keep the sizes Windows
// gives them (DWORD and LONG are 32 bits even though `long` is 64 bits here); `long` and `wchar_t`
// never appear in their place. Handles are opaque pointers to distinct incomplete structs, so
// passing an HWND where an HKEY is wanted does not compile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// ---- integers --------------------------------------------------------------------------------
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using UCHAR = std::uint8_t;
using WCHAR = char16_t;
using FLOAT = float;
using HRESULT = std::int32_t;
using ATOM = WORD;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;

using VOID = void;
using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPLONG = LONG*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

constexpr WORD LOWORD(DWORD_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }

// ---- handles ---------------------------------------------------------------------------------
#define WIN32_DECLARE_HANDLE(name) \
    struct name##__;               \
    using name = name##__*
WIN32_DECLARE_HANDLE(HWND);
WIN32_DECLARE_HANDLE(HINSTANCE);
WIN32_DECLARE_HANDLE(HKEY);
WIN32_DECLARE_HANDLE(HICON);
WIN32_DECLARE_HANDLE(HMENU);
WIN32_DECLARE_HANDLE(HDC);
WIN32_DECLARE_HANDLE(HMONITOR);
WIN32_DECLARE_HANDLE(HGDIOBJ_);
#undef WIN32_DECLARE_HANDLE
using HMODULE = HINSTANCE;
using HANDLE = void*;
using HGDIOBJ = void*;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HCURSOR = HICON;
using FARPROC = void (*)();

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

// ---- geometry --------------------------------------------------------------------------------
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
static_assert(sizeof(RECT) == 16);
using LPRECT = RECT*;

struct POINT {
    LONG x;
    LONG y;
};
static_assert(sizeof(POINT) == 8);

struct SIZE {
    LONG cx;
    LONG cy;
};
static_assert(sizeof(SIZE) == 8);

// ---- status codes ----------------------------------------------------------------------------
inline constexpr HRESULT MAKE_HRESULT_VALUE(std::uint32_t v) { return static_cast<HRESULT>(v); }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = MAKE_HRESULT_VALUE(0x80004005u);
inline constexpr HRESULT E_NOINTERFACE = MAKE_HRESULT_VALUE(0x80004002u);
inline constexpr HRESULT E_POINTER = MAKE_HRESULT_VALUE(0x80004003u);
inline constexpr HRESULT E_NOTIMPL = MAKE_HRESULT_VALUE(0x80004001u);
inline constexpr HRESULT E_OUTOFMEMORY = MAKE_HRESULT_VALUE(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MAKE_HRESULT_VALUE(0x80070057u);

// ---- COM identity ----------------------------------------------------------------------------
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }

// The root of every reference-counted interface. Slot order: QueryInterface, AddRef, Release.
class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;  // objects are destroyed through Release only
};
using LPUNKNOWN = IUnknown*;

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// iidOf<I>() names the identifier of interface I. Each interface declares its identifier once,
// beside its declaration, with WIN32_DECLARE_IID(I, {...}).
template <class I>
struct InterfaceId;
template <class I>
constexpr const IID& iidOf() { return InterfaceId<I>::value; }

#define WIN32_DECLARE_IID(Interface, ...)                  \
    template <>                                            \
    struct InterfaceId<Interface> {                        \
        static constexpr IID value = __VA_ARGS__;          \
    };                                                     \
    inline constexpr const IID& IID_##Interface = InterfaceId<Interface>::value

template <>
struct InterfaceId<IUnknown> {
    static constexpr IID value = IID_IUnknown;
};
