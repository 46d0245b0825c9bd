#include "ui/accessible.h"

#include <oleacc.h>

#include <new>

#include "runtime/heap.h"
#include "runtime/system_library.h"
#include "ui/control_registry.h"
#include "ui/wide_text.h"

namespace ui {

namespace {

// The interface ids are defined here: MinGW's uuid library would bring a whole table of them along.
constexpr IID UnknownId{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID DispatchId{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID AccessibleId{0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr IID OleWindowId{0x00000114, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Whether this thread's COM apartment, through which the objects are handed out, is there.
enum class Apartment { NotAsked, Started, Refused };
Apartment apartment = Apartment::NotAsked;

// oleacc's two functions, from the system's folder; without them the controls keep the window
// system's objects, as where COM cannot start.
HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**);
LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN);

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

BSTR NameString(const char* name) {
  WCHAR wide[ControlNameRoom];
  return SysAllocStringLen(wide, static_cast<UINT>(WidenInto(name, ProgramCodePage, wide)));
}

// The control's own object from the window system, with the name from the control's record and,
// for a slider, its role and its state as decimal text. The other questions of IAccessible go to the
// wrapped object. The identity is the wrapper's alone: it answers for IUnknown, IDispatch, IAccessible
// and IOleWindow (the control's window) and for nothing else, so no question leads to the wrapped
// object, which would answer with the window system's nameless one.
// The only class of the program: COM asks for tables of virtual functions.
struct AccessibleControl final : IAccessible, IOleWindow {
  AccessibleControl(HWND window, IAccessible* standardObject) : control(window), standard(standardObject) {}

  LONG references = 1;
  HWND control;
  IAccessible* standard;

  // The control's record when it is a slider still living in its window, else null.
  const ControlRecord* SliderRecord() const {
    const ControlRecord* record = LiveRecord(control);
    return record != nullptr && record->kind == &SliderKind ? record : nullptr;
  }

  // IUnknown, for both tables.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, UnknownId) || IsEqualIID(id, DispatchId) || IsEqualIID(id, AccessibleId)) {
      *object = static_cast<IAccessible*>(this);
    } else if (IsEqualIID(id, OleWindowId)) {
      *object = static_cast<IOleWindow*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) {
      standard->Release();
      this->~AccessibleControl();
      runtime::FreeBytes(this);
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: the object has no type information and no names to call it by; a screen reader
  // calls IAccessible's methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IOleWindow: the control's window, which WindowFromAccessibleObject asks for.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_INVALIDARG;
    *window = control;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IAccessible: what is the control's own.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    const ControlRecord* record = LiveRecord(control);
    if (!IsSelf(child) || record == nullptr) return standard->get_accName(child, name);
    if (name == nullptr) return E_POINTER;
    *name = NameString(record->name.data());
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child) || SliderRecord() == nullptr) return standard->get_accRole(child, role);
    if (role == nullptr) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_SLIDER;
    return S_OK;
  }
  // What the display under the slider shows: the state, 0 at the bottom.
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    const ControlRecord* record = IsSelf(child) ? SliderRecord() : nullptr;
    if (record == nullptr) return standard->get_accValue(child, value);
    if (value == nullptr) return E_POINTER;
    WCHAR digits[16];
    wsprintfW(digits, L"%d", static_cast<int>(record->kind->getState(control)));
    *value = SysAllocString(digits);
    return *value != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  // IAccessible: the wrapped object's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
    return standard->get_accHelp(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return standard->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override { return standard->accSelect(how, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
    return standard->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard->put_accValue(child, value);
  }
};

}  // namespace

void StartAccessibleObjects() {
  if (apartment != Apartment::NotAsked) return;
  const HMODULE oleacc = runtime::LoadSystemLibrary(L"oleacc.dll");
  apartment = runtime::FindFunction(createStdAccessibleObject, oleacc, "CreateStdAccessibleObject") &&
                      runtime::FindFunction(lresultFromObject, oleacc, "LresultFromObject") &&
                      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))
                  ? Apartment::Started
                  : Apartment::Refused;
}

void EndAccessibleObjects() {
  if (apartment == Apartment::Started) CoUninitialize();
  apartment = Apartment::Refused;
}

LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam) {
  if (apartment != Apartment::Started || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(createStdAccessibleObject(control, OBJID_CLIENT, AccessibleId, reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  auto* object = new (runtime::AllocateBytes(sizeof(AccessibleControl))) AccessibleControl(control, standard);
  // The answer holds a reference of its own until the asker takes the object; ours goes now.
  const LRESULT answer = lresultFromObject(AccessibleId, wParam, static_cast<IAccessible*>(object));
  object->Release();
  return answer > 0 ? answer : 0;
}

}  // namespace ui
