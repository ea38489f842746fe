#include "script/script_windows.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tamber::script {

namespace {

using Handle = ScriptWindowHost::Handle;
using Kind = ScriptWindowHost::Kind;
using Prop = ScriptWindowHost::Prop;
using Args = std::span<Value>;

// The second word of FControl: the window was made by this library.
constexpr std::uint32_t kMarker = 0x544D4252;

constexpr const char* kControlText =
    "class(TObject)private FParent: TControl;protected FOnKeyPress: TKeyPressEvent;FOnCloseQuery: TCloseQueryEvent;"
    "FOnChange, FOnClick, FOnDblClick: TNotifyEvent;FControl: ResourcePointer;"
    "procedure SetEnabled(B: Boolean); virtual;function GetEnabled: Boolean; virtual;"
    "procedure SetColor(I: Longint); virtual;function GetColor: Longint; virtual;"
    "procedure SetLeft(I: Integer); virtual;procedure SetTop(I: Integer); virtual;"
    "procedure SetWidth(I: Integer); virtual;procedure SetHeight(I: Integer); virtual;"
    "function GetLeft: Integer; virtual;function GetTop: Integer; virtual;"
    "function GetWidth: Integer; virtual;function GetHeight: Integer; virtual;"
    "function GetVisible: Boolean; virtual;procedure SetVisible(b: Boolean); virtual;"
    "function GetFontName: string;function GetFontSize: Integer;function GetFontColor: Integer;"
    "function GetFontStyle: Byte;procedure SetFontName(s: string);procedure SetFontSize(i: Integer);"
    "procedure SetFontColor(i: Integer);procedure SetFontStyle(b: Byte);"
    "public Constructor Create(AParent: TControl);procedure SetBounds(Left, Top, Width, Height: Integer);"
    "Destructor Destroy; override;"
    "property Color: Longint read GetColor write SetColor;property Parent: TControl read FParent;"
    "property Left: Integer read GetLeft write SetLeft;property Top: Integer read GetTop write SetTop;"
    "property Width: Integer read GetWidth write SetWidth;property Height: Integer read GetHeight write SetHeight;"
    "property Visible: Boolean read GetVisible write SetVisible;"
    "property Enabled: Boolean read GetEnabled write SetEnabled;"
    "property FontName: string read GetFontName write SetFontName;"
    "property FontSize: Integer read GetFontSize write SetFontSize;"
    "property FontColor: Integer read GetFontColor write SetFontColor;"
    "property FontStyle: Byte read GetFontStyle write SetFontStyle;"
    "property OnClick: TNotifyEvent read FOnClick write FOnClick;"
    "property OnChange: TNotifyEvent read FOnChange write FOnChange;"
    "property OnDblClick: TNotifyEvent read FOnDblClick write FOnDblClick;"
    "property OnKeyPress: TKeyPressEvent read FOnKeyPress write FOnKeyPress;"
    "property OnCloseQuery: TCloseQueryEvent read FOnCloseQuery write FOnCloseQuery;end;";

constexpr const char* kFormText =
    "class(TControl)protected function GetBorderIcons: Byte;procedure SetBorderIcons(b: Byte);procedure "
    "SetBorderStyle(b: Byte);function GetBorderStyle: Byte;procedure SetColor(I: Integer);function "
    "GetColor:Integer;function GetCaption:string;procedure SetCaption(s: string);public constructor "
    "Create;procedure Close;property Color: Integer read GetColor write SetColor;property BorderStyle: Byte read "
    "GetBorderStyle write SetBorderStyle;property BorderIcons: Byte read GetBorderIcons write "
    "SetBorderIcons;property Caption: string read GetCaption write SetCaption;procedure Center;procedure "
    "SetActiveControl(c: TControl);end;";

struct ControlClass {
  const char* name;
  Kind kind;
  unsigned events;
  const char* text;
};

const ControlClass kControls[] = {
    {"TBUTTON", Kind::Button, ScriptWindowHost::evClick | ScriptWindowHost::evKeyPress,
     "class(TControl)private function GetCaption: string;function GetDefault: Boolean;procedure SetDefault(b: "
     "Boolean);function GetCancel: Boolean;procedure SetCancel(b: Boolean);procedure SetCaption(s: string);public "
     "Constructor Create(AParent: TControl);property Caption: string read GetCaption write SetCaption;property "
     "Cancel: Boolean read GetCancel write SetCancel;property Default: Boolean read GetDefault write "
     "SetDefault;end;"},
    {"TEDIT", Kind::Edit,
     ScriptWindowHost::evClick | ScriptWindowHost::evDblClick | ScriptWindowHost::evChange |
         ScriptWindowHost::evKeyPress,
     "class(TControl)private function GetReadonly: Boolean;procedure SetReadonly(B: Boolean);function GetText: "
     "string;procedure SetText(s: string);public constructor Create(AParent: TControl);property Text: string read "
     "GetText write SetText;property ReadOnly: Boolean read GetReadonly write SetReadonly;end;"},
    {"TLABEL", Kind::Label, ScriptWindowHost::evClick | ScriptWindowHost::evDblClick,
     "class(TControl)private function GetCaption: string; procedure SetCaption(s: string);public constructor "
     "Create(Aparent: TControl);property Caption: string read GetCaption write SetCaption;end;"},
    {"TCHECKBOX", Kind::CheckBox, ScriptWindowHost::evClick,
     "class(TControl)private function GetCaption: string; procedure SetCaption(s: string);function GetChecked: "
     "Boolean; procedure SetChecked(B: Boolean);public constructor Create(Aparent: TControl);property Caption: "
     "string read GetCaption write SetCaption;property Checked: Boolean read GetChecked write SetChecked;end;"},
    {"TMEMO", Kind::Memo,
     ScriptWindowHost::evClick | ScriptWindowHost::evDblClick | ScriptWindowHost::evChange |
         ScriptWindowHost::evKeyPress,
     "class(TControl)private function GetText: string;procedure SetText(S: String);function GetReadonly: "
     "Boolean;procedure SetReadonly(B: Boolean);public Constructor Create(AParent: TControl);property Text: string "
     "read GetText write SetText;property Readonly: Boolean read GetReadonly write SetReadonly;end;"},
};

constexpr unsigned kFormEvents = ScriptWindowHost::evCloseQuery | ScriptWindowHost::evClick |
                                 ScriptWindowHost::evDblClick | ScriptWindowHost::evKeyPress;

// Property methods: name, the window property, its kind (0 integer, 1 boolean, 2 text), setter or getter.
struct PropMethod {
  const char* name;
  Prop prop;
  int kind;
  bool set;
  bool formOnly;
};

const PropMethod kPropMethods[] = {
    {"!SETENABLED", Prop::Enabled, 1, true, false},   {"!GETENABLED", Prop::Enabled, 1, false, false},
    {"!SETCOLOR", Prop::Color, 0, true, false},       {"!GETCOLOR", Prop::Color, 0, false, false},
    {"!SETLEFT", Prop::Left, 0, true, false},         {"!GETLEFT", Prop::Left, 0, false, false},
    {"!SETTOP", Prop::Top, 0, true, false},           {"!GETTOP", Prop::Top, 0, false, false},
    {"!SETWIDTH", Prop::Width, 0, true, false},       {"!GETWIDTH", Prop::Width, 0, false, false},
    {"!SETHEIGHT", Prop::Height, 0, true, false},     {"!GETHEIGHT", Prop::Height, 0, false, false},
    {"!SETVISIBLE", Prop::Visible, 1, true, false},   {"!GETVISIBLE", Prop::Visible, 1, false, false},
    {"!SETFONTNAME", Prop::FontName, 2, true, false}, {"!GETFONTNAME", Prop::FontName, 2, false, false},
    {"!SETFONTSIZE", Prop::FontSize, 0, true, false}, {"!GETFONTSIZE", Prop::FontSize, 0, false, false},
    {"!SETFONTCOLOR", Prop::FontColor, 0, true, false}, {"!GETFONTCOLOR", Prop::FontColor, 0, false, false},
    {"!SETFONTSTYLE", Prop::FontStyle, 0, true, false}, {"!GETFONTSTYLE", Prop::FontStyle, 0, false, false},
    {"!SETBORDERSTYLE", Prop::BorderStyle, 0, true, true}, {"!GETBORDERSTYLE", Prop::BorderStyle, 0, false, true},
    {"!SETBORDERICONS", Prop::BorderIcons, 0, true, true}, {"!GETBORDERICONS", Prop::BorderIcons, 0, false, true},
    {"!SETCAPTION", Prop::Caption, 2, true, false},   {"!GETCAPTION", Prop::Caption, 2, false, false},
    {"!SETTEXT", Prop::Text, 2, true, false},         {"!GETTEXT", Prop::Text, 2, false, false},
    {"!SETREADONLY", Prop::ReadOnly, 1, true, false}, {"!GETREADONLY", Prop::ReadOnly, 1, false, false},
    {"!SETCHECKED", Prop::Checked, 1, true, false},   {"!GETCHECKED", Prop::Checked, 1, false, false},
    {"!SETDEFAULT", Prop::Default, 1, true, false},   {"!GETDEFAULT", Prop::Default, 1, false, false},
    {"!SETCANCEL", Prop::Cancel, 1, true, false},     {"!GETCANCEL", Prop::Cancel, 1, false, false},
};

}  // namespace

struct WindowLibrary {
  TIfPasScript* engine = nullptr;
  ScriptWindowHost* host = nullptr;
  struct Made {
    Handle handle;
    Kind kind;
  };
  std::vector<Made> live;

  const Made* Find(Handle h) const {
    for (const Made& m : live)
      if (m.handle == h) return &m;
    return nullptr;
  }
  // The window in SELF's FControl, if this library made it and it lives.
  const Made* ControlOf(const Value& self) const {
    Value* f = TIfPasScript::InstanceField(self, "FCONTROL");
    if (!f || f->code != tcResourcePointer || !f->res.ptr || f->res.word != kMarker) return nullptr;
    return Find(f->res.ptr);
  }
  Handle Make(Value& self, Kind kind) {
    Value* f = TIfPasScript::InstanceField(self, "FCONTROL");
    if (!f || !host) return nullptr;
    Handle h = host->Create(kind);
    if (!h) return nullptr;
    live.push_back({h, kind});
    f->res.ptr = h;
    f->res.word = kMarker;
    return h;
  }
  void Release(Handle h) {
    auto it = std::find_if(live.begin(), live.end(), [&](const Made& m) { return m.handle == h; });
    if (it == live.end()) return;
    live.erase(it);
    host->Connect(h, 0, {});
    host->Destroy(h);
  }
  void DisconnectAll() {
    for (const Made& m : live) host->Connect(m.handle, 0, {});
  }

  // A window event: the handler field of the instance, called as the host
  // prepares it, with Sender and the key or the permission to close.
  void Deliver(TIFInstance* inst, ScriptWindowHost::Event ev, char* key, bool* canClose) {
    TIfPasScript& e = *engine;
    if (!e.Running() || e.ErrorCode() != 0 || inst->freed) return;
    const char* field = ev == ScriptWindowHost::evClick      ? "FONCLICK"
                        : ev == ScriptWindowHost::evDblClick ? "FONDBLCLICK"
                        : ev == ScriptWindowHost::evChange   ? "FONCHANGE"
                        : ev == ScriptWindowHost::evKeyPress ? "FONKEYPRESS"
                                                             : "FONCLOSEQUERY";
    Value obj;
    obj.type = inst->cls;
    obj.code = tcClass;
    obj.res.ptr = inst;
    Value* f = TIfPasScript::InstanceField(obj, field);
    if (!f || f->code != tcProcType || !f->proc) return;
    TProcedure* proc = f->proc;
    const bool withVar = ev == ScriptWindowHost::evKeyPress || ev == ScriptWindowHost::evCloseQuery;
    std::vector<Value> args(withVar ? 2 : 1);
    args[0] = obj;
    if (ev == ScriptWindowHost::evKeyPress) {
      args[1].Init(e.TypeByCode(tcChar));
      args[1].i = static_cast<unsigned char>(*key);
    } else if (ev == ScriptWindowHost::evCloseQuery) {
      args[1].Init(e.TypeByCode(tcBoolean));
      args[1].i = *canClose ? 1 : 0;
    }
    e.CallPrepared(proc, nullptr, args);
    if (ev == ScriptWindowHost::evKeyPress) *key = static_cast<char>(args[1].i);
    if (ev == ScriptWindowHost::evCloseQuery) *canClose = args[1].i != 0;
  }

  void ConnectEvents(Value& self, Handle h, unsigned events) {
    TIFInstance* inst = TIfPasScript::InstanceOf(self);
    host->Connect(h, events, [this, inst](ScriptWindowHost::Event ev, char* key, bool* canClose) {
      Deliver(inst, ev, key, canClose);
    });
  }

  // TControl.Create(AParent): the parent's window takes this one; the window
  // goes on the engine's resource list.
  std::uint16_t BaseCreate(Value& self, const Value& parent) {
    const Made* mine = ControlOf(self);
    if (!mine) return ecNotSupported;
    Handle parentHandle = nullptr;
    if (TIFInstance* p = TIfPasScript::InstanceOf(parent)) {
      if (p->freed) return ecClassAlreadyFreed;
      const Made* pm = ControlOf(parent);
      if (!pm) return ecTypeMismatch;
      if (!host->CanContain(pm->handle)) return ecNotSupported;
      parentHandle = pm->handle;
    }
    host->SetParent(mine->handle, parentHandle);
    if (Value* fp = TIfPasScript::InstanceField(self, "FPARENT")) fp->res.ptr = parentHandle ? Deref(const_cast<Value&>(parent)).res.ptr : nullptr;
    Handle h = mine->handle;
    if (!engine->ContainsResource(h)) engine->AddResource(h, [this](void* w) { Release(w); });
    return 0;
  }
};

namespace {

std::uint16_t WindowMethod(TIfPasScript& e, void* data, TProcedure& pr, Value* res, Args a) {
  auto* lib = static_cast<WindowLibrary*>(data);
  const std::string& n = pr.name;
  Value& self = a[0];
  if (n == "!CREATE") {
    const std::string& cls = pr.classType->name;
    if (cls == "TCONTROL") return lib->BaseCreate(self, Deref(a[1]));
    if (!lib->host) return ecNotSupported;
    Kind kind = Kind::Form;
    unsigned events = kFormEvents;
    for (const ControlClass& c : kControls)
      if (cls == c.name) {
        kind = c.kind;
        events = c.events;
      }
    if (kind == Kind::Form && cls != "TFORM") return ecNotSupported;
    Handle h = lib->Make(self, kind);
    if (!h) return ecNotSupported;
    Value nil;
    const std::uint16_t r = lib->BaseCreate(self, kind == Kind::Form ? nil : Deref(a[1]));
    if (r != 0) {
      lib->Release(h);
      if (Value* f = TIfPasScript::InstanceField(self, "FCONTROL")) f->res.ptr = nullptr;
      return r;
    }
    lib->ConnectEvents(self, h, events);
    return 0;
  }
  const WindowLibrary::Made* m = lib->ControlOf(self);
  if (!m) return ecNotSupported;
  ScriptWindowHost& host = *lib->host;
  Handle h = m->handle;
  const bool isForm = m->kind == Kind::Form;
  if (n == "!DESTROY") {
    e.RemoveResource(h);
    lib->Release(h);
    if (Value* f = TIfPasScript::InstanceField(self, "FCONTROL")) f->res.ptr = nullptr;
    return 0;
  }
  if (n == "!SETBOUNDS") {
    host.SetBounds(h, ReadInteger(Deref(a[1])), ReadInteger(Deref(a[2])), ReadInteger(Deref(a[3])),
                   ReadInteger(Deref(a[4])));
    return 0;
  }
  if (n == "!CLOSE" || n == "!CENTER" || n == "!SETACTIVECONTROL") {
    if (!isForm) return ecNotSupported;
    if (n == "!CLOSE") host.Close(h);
    else if (n == "!CENTER") host.Center(h);
    else {
      const WindowLibrary::Made* c = lib->ControlOf(Deref(a[1]));
      if (!c || !host.CanFocus(c->handle)) return ecNotSupported;
      host.Focus(c->handle);
    }
    return 0;
  }
  for (const PropMethod& pm : kPropMethods) {
    if (n != pm.name) continue;
    if (pm.formOnly && !isForm) return ecNotSupported;
    if (pm.set) {
      const Value& v = Deref(a[1]);
      if (pm.kind == 2) host.SetText(h, pm.prop, ReadString(v));
      else host.SetInt(h, pm.prop, pm.kind == 1 ? (ReadBoolean(v) ? 1 : 0) : ReadInteger(v));
    } else if (pm.kind == 2) {
      WriteString(*res, host.GetText(h, pm.prop));
    } else if (pm.kind == 1) {
      WriteBoolean(*res, host.GetInt(h, pm.prop) != 0);
    } else {
      WriteInteger(*res, host.GetInt(h, pm.prop));
    }
    return 0;
  }
  return 0;  // other names are ignored
}

}  // namespace

WindowLibrary* RegisterControlClass(TIfPasScript& engine, ScriptWindowHost* host) {
  auto* lib = new WindowLibrary;
  lib->engine = &engine;
  lib->host = host;
  // The library's state goes first on the resource list, so it is released
  // after every window; the windows stop delivering events before anything
  // of the script is released.
  engine.AddResource(lib, [](void* p) { delete static_cast<WindowLibrary*>(p); });
  if (host) engine.AddClearListener(lib, [lib] { lib->DisconnectAll(); });
  engine.RegisterClassType("TControl", kControlText, WindowMethod, lib);
  return lib;
}

void RegisterProcessMessages(TIfPasScript& engine, WindowLibrary* lib) {
  engine.RegisterFunction(
      [](TIfPasScript& e, void* data, TProcedure& pr, Value*, Args) -> std::uint16_t {
        if (pr.name != "PROCESSMESSAGES") return ecUnknownIdentifier;
        auto* l = static_cast<WindowLibrary*>(data);
        if (l->host) l->host->ProcessMessages();
        return e.ErrorCode();
      },
      "procedure ProcessMessages;", lib);
}

void RegisterFormAndControls(TIfPasScript& engine, WindowLibrary* lib) {
  engine.RegisterClassType("TForm", kFormText, WindowMethod, lib);
  for (const ControlClass& c : kControls) engine.RegisterClassType(c.name, c.text, WindowMethod, lib);
}

}  // namespace tamber::script
