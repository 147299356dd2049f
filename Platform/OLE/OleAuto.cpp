#include "OleAuto.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace {

// ---------------------------------------------------------------------------
// Automation strings. Each string is one block: its length in characters,
// then the characters and a terminating NUL. A BSTR points at the
// characters, so it can be used as an ordinary wide C string.

using StringLength = std::uint32_t;
static_assert(sizeof(StringLength) % alignof(OLECHAR) == 0, "characters must stay aligned");

std::atomic<long> live_strings{0};

char* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - sizeof(StringLength); }

// ---------------------------------------------------------------------------
// Automation objects and apartments.

std::atomic<long> live_objects{0};

thread_local int apartment_count = 0;

// ---------------------------------------------------------------------------
// ProgID registry.

struct Registry {
  std::mutex mutex;
  std::map<std::wstring, OLE_TFactory> factories;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry();  // lives as long as the process
  return *registry;
}

// The registered factory of `progId`, or an empty one.
OLE_TFactory FindFactory(const std::wstring& progId) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.factories.find(progId);
  return found == registry.factories.end() ? OLE_TFactory() : found->second;
}

// ---------------------------------------------------------------------------
// Message texts of result codes.

struct Message {
  HRESULT code;
  const wchar_t* text;
};

const Message kMessages[] = {
    {E_FAIL, L"Unspecified error\r\n"},
    {E_NOTIMPL, L"Not implemented\r\n"},
    {E_POINTER, L"Invalid pointer\r\n"},
    {E_OUTOFMEMORY, L"Not enough memory resources are available to complete this operation.\r\n"},
    {E_INVALIDARG, L"The parameter is incorrect.\r\n"},
    {DISP_E_MEMBERNOTFOUND, L"Member not found.\r\n"},
    {DISP_E_TYPEMISMATCH, L"Type mismatch.\r\n"},
    {DISP_E_EXCEPTION, L"Exception occurred.\r\n"},
    {DISP_E_BADPARAMCOUNT, L"Invalid number of parameters.\r\n"},
    {REGDB_E_CLASSNOTREG, L"Class not registered\r\n"},
    {CO_E_NOTINITIALIZED, L"CoInitialize has not been called.\r\n"},
};

const wchar_t* MessageText(DWORD messageId) {
  for (const Message& message : kMessages) {
    if (static_cast<DWORD>(message.code) == messageId) return message.text;
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Automation strings

BSTR SysAllocString(LPCOLESTR text) {
  if (text == nullptr) return nullptr;
  return SysAllocStringLen(text, static_cast<unsigned int>(std::wcslen(text)));
}

BSTR SysAllocStringLen(LPCOLESTR text, unsigned int length) {
  const std::size_t bytes = sizeof(StringLength) + (static_cast<std::size_t>(length) + 1) * sizeof(OLECHAR);
  char* block = new (std::nothrow) char[bytes];
  if (block == nullptr) return nullptr;
  const StringLength stored = length;
  std::memcpy(block, &stored, sizeof(stored));
  BSTR characters = reinterpret_cast<BSTR>(block + sizeof(StringLength));
  if (text != nullptr) {
    std::memcpy(characters, text, length * sizeof(OLECHAR));
  } else {
    std::memset(characters, 0, length * sizeof(OLECHAR));
  }
  characters[length] = L'\0';
  ++live_strings;
  return characters;
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  delete[] BlockOf(text);
  --live_strings;
}

unsigned int SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  StringLength length = 0;
  std::memcpy(&length, BlockOf(text), sizeof(length));
  return length;
}

long OLE_LiveStringCount() { return live_strings.load(); }

// ---------------------------------------------------------------------------
// VARIANT

void VariantInit(VARIANT* value) {
  if (value == nullptr) return;
  value->vt = VT_EMPTY;
  value->lVal = 0;
}

HRESULT VariantClear(VARIANT* value) {
  if (value == nullptr) return E_INVALIDARG;
  if (value->vt == VT_BSTR) {
    SysFreeString(value->bstrVal);
  } else if (value->vt == VT_DISPATCH && value->pdispVal != nullptr) {
    value->pdispVal->Release();
  }
  VariantInit(value);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (target == source) return S_OK;
  VariantClear(target);
  VARIANT copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if (source->vt == VT_DISPATCH && source->pdispVal != nullptr) {
    source->pdispVal->AddRef();
  }
  *target = copy;
  return S_OK;
}

// ---------------------------------------------------------------------------
// OLE_TDispatchBase

OLE_TDispatchBase::OLE_TDispatchBase() { ++live_objects; }

OLE_TDispatchBase::~OLE_TDispatchBase() { --live_objects; }

ULONG OLE_TDispatchBase::AddRef() { return ++references_; }

ULONG OLE_TDispatchBase::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

long OLE_TDispatchBase::LiveObjectCount() { return live_objects.load(); }

// ---------------------------------------------------------------------------
// Apartments

HRESULT CoInitialize(void*) {
  ++apartment_count;
  return apartment_count == 1 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (apartment_count > 0) --apartment_count;
}

int OLE_ApartmentCount() { return apartment_count; }

// ---------------------------------------------------------------------------
// ProgIDs

void OLE_RegisterProgID(const std::wstring& progId, OLE_TFactory factory) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.factories[progId] = std::move(factory);
}

void OLE_UnregisterProgID(const std::wstring& progId) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.factories.erase(progId);
}

HRESULT OLE_CreateObject(LPCOLESTR progId, IDispatch** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (apartment_count == 0) return CO_E_NOTINITIALIZED;
  if (progId == nullptr) return E_INVALIDARG;
  // The factory runs outside the lock, so that it may create objects itself.
  const OLE_TFactory factory = FindFactory(progId);
  if (!factory) return REGDB_E_CLASSNOTREG;
  *object = factory();
  return *object != nullptr ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// Messages

DWORD FormatMessageW(DWORD flags, const void*, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, void*) {
  if (flags != FORMAT_MESSAGE_FROM_SYSTEM || buffer == nullptr) return 0;
  const wchar_t* text = MessageText(messageId);
  if (text == nullptr) return 0;
  const std::size_t length = std::wcslen(text);
  if (length + 1 > size) return 0;
  std::wmemcpy(buffer, text, length + 1);
  return static_cast<DWORD>(length);
}
