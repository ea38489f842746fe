#include <algorithm>

#include "script/script_internal.h"

namespace tamber::script {

namespace {

struct StdType {
  const char* name;
  std::uint16_t code;
};
constexpr StdType kStandardTypes[] = {
    {"BYTE", tcByte},       {"SHORTINT", tcShortInt}, {"WORD", tcWord},
    {"SMALLINT", tcSmallInt}, {"CARDINAL", tcCardinal}, {"LONGINT", tcLongInt},
    {"CHAR", tcChar},       {"STRING", tcString},     {"REAL", tcReal},
    {"SINGLE", tcSingle},   {"DOUBLE", tcDouble},     {"EXTENDED", tcExtended},
    {"COMP", tcComp},       {"BOOLEAN", tcBoolean},   {"RESOURCEPOINTER", tcResourcePointer},
};

}  // namespace

// ---------------------------------------------------------------- value stack

Value* ValueStack::Push(std::size_t n, Mark* mark) {
  *mark = {block_, top_};
  if (blocks_.empty()) blocks_.push_back(new Value[kBlock]);
  if (top_ + n > kBlock) {
    if (n > kBlock) return nullptr;
    ++block_;
    top_ = 0;
    if (block_ == blocks_.size()) blocks_.push_back(new Value[kBlock]);
  }
  Value* p = blocks_[block_] + top_;
  top_ += n;
  return p;
}

ValueStack::~ValueStack() {
  for (Value* b : blocks_) delete[] b;
}

// ---------------------------------------------------------------- engine API

TIfPasScript::TIfPasScript(void* hostData) : impl_(std::make_unique<Impl>(*this)), hostData_(hostData) {
  impl_->RegisterStandardTypes();
}

TIfPasScript::~TIfPasScript() { ClearScript(); }

void TIfPasScript::SetError(std::uint16_t code, std::string_view text) {
  SetErrorAt(code, parser_.CurrentPosition(), text);
}

void TIfPasScript::SetErrorAt(std::uint16_t code, std::int32_t position, std::string_view text) {
  if (error_.code != 0 || code == 0) return;
  error_.code = code;
  error_.position = position;
  error_.text = std::string(text);
  error_.module = module_;
}

void Impl::Fail(std::uint16_t code, std::int32_t pos, std::string_view text) {
  self.SetErrorAt(code, pos, text);
  throw ScriptThrow{};
}

void Impl::CallRunLine(std::int32_t pos) {
  const std::uint16_t r = self.onRunLine_(self, self.hostData_, pos);
  if (r != 0) Fail(r, pos);
}

void TIfPasScript::ClearScript() {
  Impl& I = *impl_;
  // Hosts that deliver events into the engine stop doing so first.
  auto listeners = std::move(I.clearListeners);
  I.clearListeners.clear();
  for (auto& l : listeners)
    if (l.second) l.second();
  caught_ = {};
  for (auto& u : I.units)
    if (u.owned) delete u.engine;
  I.units.clear();
  I.depth = 0;
  I.mainBody.reset();
  I.mainPos = -1;  // a cleared script runs nothing until it is loaded again
  for (auto& p : I.procs) p->compiled.reset();
  I.globals.clear();
  I.globalNames.clear();
  // A release routine may remove other resources (a window its children).
  while (!I.resources.empty()) {
    auto last = std::move(I.resources.back());
    I.resources.pop_back();
    if (last.second) last.second(last.first);
  }
  I.instances.clear();
}

void Impl::Reset() {
  self.ClearScript();
  procs.clear();
  procNames.clear();
  typeNames.clear();
  procTypes.clear();
  types.clear();
  usedNames.clear();
  mainPos = -1;
  unitEndPos = -1;
  self.module_ = "MAIN";
  self.isUnit_ = false;
  self.error_ = {};
  RegisterStandardTypes();
}

TTypeRec* Impl::AddType(std::string name, std::uint16_t code, TTypeRec* ext) {
  auto t = std::make_unique<TTypeRec>();
  t->hash = NameHash(name);
  t->name = std::move(name);
  t->code = code;
  t->ext = ext;
  TTypeRec* p = t.get();
  types.push_back(std::move(t));
  if (!p->name.empty()) typeNames[p->name] = p;
  return p;
}

TTypeRec* Impl::AnonymousType(std::uint16_t code, TTypeRec* ext) {
  for (auto& t : types)
    if (t->name.empty() && t->code == code && t->ext == ext && code != tcRecord && code != tcEnum) return t.get();
  return AddType({}, code, ext);
}

TTypeRec* Impl::ProcValueType(TProcedure* proc) {
  auto it = procTypes.find(proc);
  if (it != procTypes.end()) return it->second;
  TTypeRec* t = AddType({}, tcProcType);
  t->procParams = std::make_shared<TParamList>(proc->decl);
  procTypes.emplace(proc, t);
  return t;
}

void Impl::RegisterStandardTypes() {
  std::fill(std::begin(stdTypes), std::end(stdTypes), nullptr);
  for (const StdType& s : kStandardTypes) stdTypes[s.code] = AddType(s.name, s.code);
  typeNames["INTEGER"] = stdTypes[tcLongInt];
  stdTypes[tcClass] = AddType("TOBJECT", tcClass);
  RegisterObjectClass();
  stdTypes[tcNil] = AddType({}, tcNil);
  stdTypes[tcArray] = AddType({}, tcArray, nullptr);  // array of const
  holderType = nullptr;
}

TTypeRec* TIfPasScript::FindType(std::string_view upperName) const {
  auto it = impl_->typeNames.find(std::string(upperName));
  return it == impl_->typeNames.end() ? nullptr : it->second;
}

TTypeRec* TIfPasScript::TypeByCode(std::uint16_t code) { return code < 32 ? impl_->stdTypes[code] : nullptr; }

Global* Impl::AddGlobal(const std::string& name, TTypeRec* type) {
  globals.emplace_back();
  Global& g = globals.back();
  g.name = name;
  g.hash = NameHash(name);
  g.value.Init(type);
  if (!type) g.value.flags |= kHolder;
  g.owner = &self;
  globalNames.emplace(name, &g);
  return &g;
}

Global* Impl::FindGlobal(const std::string& upper) const {
  auto it = globalNames.find(upper);
  return it == globalNames.end() ? nullptr : it->second;
}

TProcedure* Impl::FindProc(const std::string& upper) const {
  auto it = procNames.find(upper);
  return it == procNames.end() ? nullptr : it->second;
}

bool Impl::NameInUse(const std::string& upper) const {
  return typeNames.count(upper) || globalNames.count(upper) || procNames.count(upper) ||
         std::find(usedNames.begin(), usedNames.end(), upper) != usedNames.end();
}

Value* TIfPasScript::GetVariable(std::string_view name) {
  std::string up(name);
  for (char& c : up)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  Global* g = impl_->FindGlobal(up);
  return g ? &Deref(g->value) : nullptr;
}

void TIfPasScript::AddResource(void* object, std::function<void(void*)> release) {
  impl_->resources.emplace_back(object, std::move(release));
}

void TIfPasScript::RemoveResource(void* object) {
  auto& r = impl_->resources;
  r.erase(std::remove_if(r.begin(), r.end(), [&](auto& e) { return e.first == object; }), r.end());
}

bool TIfPasScript::ContainsResource(void* object) const {
  for (auto& e : impl_->resources)
    if (e.first == object) return true;
  return false;
}

bool TIfPasScript::SetArrayLength(Value& array, std::int64_t n) {
  try {
    return impl_->SetArrayLength(Deref(array), n, parser_.CurrentPosition());
  } catch (const ScriptThrow&) {
    return false;
  }
}

bool Impl::SetArrayLength(Value& arr, std::int64_t n, std::int32_t pos) {
  if (arr.code != tcArray) Fail(ecTypeMismatch, pos);
  if (n < 0) Fail(ecOutOfRange, pos);
  if (self.maxArrayLength_ > 0 && n > self.maxArrayLength_) Fail(ecOutOfMemory, pos);
  // Without a configured limit an array still cannot take all memory.
  if (n > (std::int64_t{1} << 24)) Fail(ecOutOfMemory, pos);
  auto& items = arr.a->items;
  const std::size_t old = items.size();
  if (static_cast<std::size_t>(n) < old) {
    for (std::size_t k = n; k < old; ++k) ReleaseBox(items[k]);
    items.resize(n);
  } else {
    items.reserve(n);
    for (std::size_t k = old; k < static_cast<std::size_t>(n); ++k) {
      Box* b = new Box;
      b->v.Init(arr.type->ext);
      if (!arr.type->ext) b->v.flags |= kHolder;
      items.push_back(b);
    }
  }
  return true;
}

// ---------------------------------------------------------------- loading

void TIfPasScript::LoadScript(std::string_view text) {
  Impl& I = *impl_;
  I.Reset();
  if (!parser_.Tokenize(text)) {
    static constexpr std::uint16_t kMap[] = {0, ecCommentError, ecStringError, ecCharError, ecSyntaxError};
    SetErrorAt(kMap[parser_.ErrorKind()], parser_.ErrorPosition());
    return;
  }
  try {
    I.Load();
  } catch (const ScriptThrow&) {
  } catch (const CompileFault& f) {
    SetErrorAt(f.code, f.position, f.text);
  } catch (const std::bad_alloc&) {
    SetError(ecOutOfMemory);
  } catch (const std::exception& e) {
    SetError(ecCustomError, e.what());
  }
}

void Impl::LoadFault(std::uint16_t code, std::string_view text) { Fail(code, P().CurrentPosition(), text); }

std::string Impl::ExpectIdentifier() {
  if (P().CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
  std::string name = P().CurrentText();
  P().Next();
  return name;
}

void Impl::Load() {
  TIfPascalParser& p = P();
  for (const char* n : {"TRUE", "FALSE"}) {
    Global* g = AddGlobal(n, stdTypes[tcBoolean]);
    g->value.i = n[0] == 'T';
    g->value.flags |= kReadOnly;
  }
  AddGlobal("NIL", stdTypes[tcNil])->value.flags |= kReadOnly;
  usedNames.push_back("SYSTEM");
  if (self.onUses_) {
    const std::uint16_t r = self.onUses_(self, self.hostData_, "SYSTEM");
    if (r != 0) LoadFault(r);
    if (self.error_.code) throw ScriptThrow{};
  }
  if (p.CurrentKind() == kwProgram || p.CurrentKind() == kwUnit) {
    self.isUnit_ = p.CurrentKind() == kwUnit;
    p.Next();
    self.module_ = ExpectIdentifier();
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
  }
  bool usesSeen = false;
  for (;;) {
    switch (p.CurrentKind()) {
      case kwUses:
        if (usesSeen) LoadFault(ecBeginExpected);
        usesSeen = true;
        LoadUses();
        break;
      case kwType: LoadTypeSection(); break;
      case kwVar: LoadVarSection(); break;
      case kwConst: LoadConstSection(); break;
      case kwProcedure:
      case kwFunction:
      case kwConstructor:
      case kwDestructor: LoadProcedure(); break;
      case kwBegin:
      case kwEndKw: {
        if ((p.CurrentKind() == kwBegin) == self.isUnit_) LoadFault(ecBeginExpected);
        for (auto& pr : procs)
          if (pr->owner == &self && pr->kind == pkScript && pr->body < 0)
            Fail(ecInvalidForward, pr->headingPos,
                 pr->classType ? pr->classType->name + "." + pr->name.substr(1) : pr->name);
        if (self.isUnit_) unitEndPos = p.CurrentPosition();
        else mainPos = p.CurrentPosition();
        return;
      }
      case tkEnd:
        // An empty text is a script without a main block.
        if (p.Tokens().size() == 1) return;
        LoadFault(ecUnexpectedEnd);
      default: LoadFault(ecBeginExpected);
    }
  }
}

// uses identifier {, identifier} ;
void Impl::LoadUses() {
  TIfPascalParser& p = P();
  p.Next();
  for (;;) {
    if (p.CurrentKind() == tkEnd) LoadFault(ecUnexpectedEnd);
    if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
    const std::string name = p.CurrentText();
    if (NameInUse(name)) LoadFault(ecDuplicateIdentifier);
    usedNames.push_back(name);
    if (!self.onUses_) LoadFault(ecUnknownIdentifier, name);
    const std::uint16_t r = self.onUses_(self, self.hostData_, name);
    if (r != 0) LoadFault(r);
    if (self.error_.code) throw ScriptThrow{};
    p.Next();
    if (p.CurrentKind() == tkSemicolon) {
      p.Next();
      return;
    }
    if (p.CurrentKind() == tkEnd) LoadFault(ecUnexpectedEnd);
    if (p.CurrentKind() != tkComma) LoadFault(ecSemicolonExpected);
    p.Next();
  }
}

// type {identifier = type ;}
void Impl::LoadTypeSection() {
  TIfPascalParser& p = P();
  p.Next();
  do {
    if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
    const std::string name = p.CurrentText();
    if (NameInUse(name)) LoadFault(ecDuplicateIdentifier);
    p.Next();
    if (p.CurrentKind() != tkEqual) LoadFault(ecIsExpected);
    p.Next();
    pendingTypeName = name;
    const bool named = p.CurrentKind() == tkIdentifier;
    TTypeRec* t = ParseType(true);
    if (!named && t->name.empty() && t->code != tcRecord && t->code != tcEnum) {
      // A declared array or procedural type gets its own record, so that its
      // name does not stick to every anonymous type of the same shape.
      TTypeRec* own = AddType(name, t->code, t->ext);
      own->fields = t->fields;
      own->procParams = t->procParams;
      own->ofObject = t->ofObject;
      t = own;
    } else if (t->name.empty()) {
      t->name = name;
      t->hash = NameHash(name);
    }
    typeNames[name] = t;
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
  } while (p.CurrentKind() == tkIdentifier);
}

TTypeRec* Impl::ParseType(bool inTypeSection) {
  TIfPascalParser& p = P();
  struct Nest {
    int& n;
    explicit Nest(int& c) : n(c) { ++n; }
    ~Nest() { --n; }
  } nest(typeNesting);
  if (typeNesting > TIfPasScript::kMaxTextNesting) LoadFault(ecOutOfMemory);
  switch (p.CurrentKind()) {
    case tkIdentifier: {
      TTypeRec* t = self.FindType(p.CurrentText());
      if (!t) LoadFault(ecUnknownIdentifier, p.CurrentText());
      p.Next();
      return t;
    }
    case kwArray: {
      p.Next();
      if (p.CurrentKind() != kwOf) LoadFault(ecOfExpected);
      p.Next();
      if (p.CurrentKind() == kwConst) {
        p.Next();
        return stdTypes[tcArray];
      }
      TTypeRec* elem = ParseType(false);
      return AnonymousType(tcArray, elem);
    }
    case kwRecord: {
      p.Next();
      TTypeRec* t = AddType({}, tcRecord);
      while (p.CurrentKind() != kwEndKw) {
        std::vector<std::string> names;
        for (;;) {
          if (p.CurrentKind() == tkEnd) LoadFault(ecUnexpectedEnd);
          if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
          const std::string n = p.CurrentText();
          if (t->FieldIndex(n) >= 0 || std::find(names.begin(), names.end(), n) != names.end())
            LoadFault(ecDuplicateIdentifier);
          names.push_back(n);
          p.Next();
          if (p.CurrentKind() == tkComma) {
            p.Next();
            continue;
          }
          if (p.CurrentKind() != tkColon) LoadFault(ecColonExpected);
          p.Next();
          break;
        }
        TTypeRec* ft = ParseType(false);
        for (auto& n : names) t->fields.push_back({n, NameHash(n), ft});
        if (p.CurrentKind() == tkSemicolon) p.Next();
        else if (p.CurrentKind() != kwEndKw) LoadFault(ecSemicolonExpected);
      }
      p.Next();
      return t;
    }
    case tkOpenRound: {
      p.Next();
      TTypeRec* t = AddType({}, tcEnum);
      std::int32_t ord = 0;
      for (;;) {
        if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
        const std::string n = p.CurrentText();
        if (NameInUse(n)) LoadFault(ecDuplicateIdentifier);
        Global* g = AddGlobal(n, t);
        g->value.i = ord;
        g->value.flags |= kReadOnly;
        t->enumMax = ord++;
        p.Next();
        if (p.CurrentKind() == tkCloseRound) break;
        if (p.CurrentKind() != tkComma) LoadFault(ecCloseRoundExpected);
        p.Next();
      }
      p.Next();
      return t;
    }
    case kwProcedure:
    case kwFunction: {
      const bool isFunc = p.CurrentKind() == kwFunction;
      p.Next();
      TParamList list = ParseSignature(isFunc, {}, false);
      bool ofObject = false;
      if (p.CurrentKind() == kwOf) {
        p.Next();
        if (p.CurrentKind() != tkIdentifier || p.CurrentText() != "OBJECT") LoadFault(ecObjectExpected);
        p.Next();
        ofObject = true;
      }
      TTypeRec* t = AddType({}, tcProcType);
      t->procParams = std::make_shared<TParamList>(std::move(list));
      t->ofObject = ofObject;
      return t;
    }
    case kwClass:
      if (!inTypeSection || typeNesting > 1) LoadFault(ecClassNotDeclared);
      return ParseClass(pendingTypeName);
    case tkEnd: LoadFault(ecUnexpectedEnd);
    default: LoadFault(ecIdentifierExpected);
  }
}

// var {names : type ;}
void Impl::LoadVarSection() {
  TIfPascalParser& p = P();
  p.Next();
  do {
    const std::vector<std::string> names = ParseNameList([this](const std::string& n) { return NameInUse(n); });
    TTypeRec* t = ParseType(false);
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
    for (auto& n : names) AddGlobal(n, t);
  } while (p.CurrentKind() == tkIdentifier);
}

// const {identifier = expression ;}
void Impl::LoadConstSection() {
  TIfPascalParser& p = P();
  p.Next();
  do {
    if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
    const std::string n = p.CurrentText();
    if (NameInUse(n)) LoadFault(ecDuplicateIdentifier);
    p.Next();
    if (p.CurrentKind() != tkEqual) LoadFault(ecIsExpected);
    p.Next();
    Value v;
    v.flags = kHolder;
    EvalConstExpression(v);
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
    Global* g = AddGlobal(n, v.type);
    g->value = std::move(v);
    g->value.flags = kReadOnly;
  } while (p.CurrentKind() == tkIdentifier);
}

// ( [var|const] names : type {; [var|const] names : type} )
TParamList Impl::ParseSignature(bool isFunction, const std::string& ownName, bool allowConst) {
  TIfPascalParser& p = P();
  TParamList list;
  list.isFunction = isFunction;
  if (!ownName.empty()) usedNames.push_back(ownName);
  if (p.CurrentKind() == tkOpenRound) ParseParams(list, allowConst);
  if (!ownName.empty()) usedNames.pop_back();
  if (isFunction) {
    if (p.CurrentKind() != tkColon) LoadFault(ecColonExpected);
    p.Next();
    list.result = ParseType(false);
  }
  return list;
}

std::vector<std::string> Impl::ParseNameList(const std::function<bool(const std::string&)>& taken) {
  TIfPascalParser& p = P();
  std::vector<std::string> names;
  for (;;) {
    if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
    const std::string n = p.CurrentText();
    if (taken(n) || std::find(names.begin(), names.end(), n) != names.end()) LoadFault(ecDuplicateIdentifier);
    names.push_back(n);
    p.Next();
    if (p.CurrentKind() != tkComma) break;
    p.Next();
  }
  if (p.CurrentKind() != tkColon) LoadFault(ecColonExpected);
  p.Next();
  return names;
}

void Impl::ParseParams(TParamList& list, bool allowConst) {
  TIfPascalParser& p = P();
  p.Next();
  if (p.CurrentKind() == tkCloseRound) {
    p.Next();
    return;
  }
  for (;;) {
    ParamMode mode = pmValue;
    if (p.CurrentKind() == kwVar) {
      mode = pmVar;
      p.Next();
    } else if (p.CurrentKind() == kwConst) {
      mode = allowConst ? pmConst : pmVar;
      p.Next();
    }
    const std::size_t first = list.params.size();
    for (;;) {
      if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
      const std::string n = p.CurrentText();
      bool dup = (!lenientNames && NameInUse(n)) || n == "RESULT";
      for (auto& q : list.params) dup = dup || q.name == n;
      if (dup) LoadFault(ecDuplicateIdentifier);
      list.params.push_back({mode, n, nullptr});
      p.Next();
      if (p.CurrentKind() == tkComma) {
        p.Next();
        continue;
      }
      if (p.CurrentKind() != tkColon) LoadFault(ecCommaExpected);
      p.Next();
      break;
    }
    TTypeRec* t = ParseType(false);
    for (std::size_t k = first; k < list.params.size(); ++k) list.params[k].type = t;
    if (p.CurrentKind() == tkCloseRound) {
      p.Next();
      return;
    }
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
  }
}

namespace {

bool SameHeading(const TParamList& a, const TParamList& b) {
  if (a.isFunction != b.isFunction || a.result != b.result || a.params.size() != b.params.size()) return false;
  for (std::size_t k = 0; k < a.params.size(); ++k)
    if (a.params[k].mode != b.params[k].mode || a.params[k].name != b.params[k].name ||
        a.params[k].type != b.params[k].type)
      return false;
  return true;
}

}  // namespace

// (procedure|function) name [params] [: type] ; (forward ; | external ... ; | [var ...] begin ... end ;)
void Impl::LoadProcedure() {
  TIfPascalParser& p = P();
  const TokenKind kind = p.CurrentKind();
  const std::int32_t headingPos = p.CurrentPosition();
  p.Next();
  if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
  const std::string name = p.CurrentText();
  if (TTypeRec* ct = self.FindType(name); ct && ct->code == tcClass && ct->cls) {
    p.Next();
    if (p.CurrentKind() != tkPeriod) LoadFault(ecPeriodExpected);
    LoadMethod(ct, kind, headingPos);
    return;
  }
  if (kind == kwConstructor || kind == kwDestructor) LoadFault(ecIdentifierExpected);
  TProcedure* forward = nullptr;
  if (NameInUse(name)) {
    TProcedure* f = FindProc(name);
    if (f && f->owner == &self && f->kind == pkScript && f->body < 0) forward = f;
    else LoadFault(ecDuplicateIdentifier);
  }
  p.Next();
  if (p.CurrentKind() == tkPeriod) LoadFault(ecUnknownIdentifier, name);  // methods need classes
  TParamList list = ParseSignature(kind == kwFunction, name, true);
  if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
  p.Next();
  if (forward && !SameHeading(forward->decl, list)) Fail(ecParameterError, headingPos);
  TProcedure* proc = forward;
  if (!proc) {
    auto pr = std::make_unique<TProcedure>();
    pr->owner = &self;
    pr->kind = pkScript;
    pr->name = name;
    pr->hash = NameHash(name);
    pr->decl = std::move(list);
    pr->headingPos = headingPos;
    proc = pr.get();
    procs.push_back(std::move(pr));
    procNames.emplace(name, proc);
  }
  if (p.CurrentKind() == kwForward) {
    if (forward) LoadFault(ecDuplicateIdentifier);
    p.Next();
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
    return;
  }
  if (p.CurrentKind() == kwExternal) {
    p.Next();
    auto readString = [&]() {
      std::string s;
      if (p.CurrentKind() == tkString) {
        s = p.CurrentText().substr(1, p.CurrentText().size() - 2);
      } else if (p.CurrentKind() == tkIdentifier) {
        Global* g = FindGlobal(p.CurrentText());
        if (!g || !(g->value.flags & kReadOnly) || g->value.code != tcString) LoadFault(ecStringExpected);
        s = std::string(g->value.Str());
      } else {
        LoadFault(ecStringExpected);
      }
      p.Next();
      return s;
    };
    const std::string library = readString();
    std::string entry = name;
    if (p.CurrentKind() == tkIdentifier && p.CurrentText() == "NAME") {
      p.Next();
      entry = readString();
    }
    if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
    p.Next();
    if (p.CurrentKind() == tkIdentifier) {  // calling convention
      p.Next();
      if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
      p.Next();
    }
    proc->kind = pkExternal;
    if (!self.onExternal_) Fail(ecUnknownIdentifier, headingPos, name);
    if (!self.onExternal_(self, self.hostData_, *proc, library, entry)) {
      if (self.error_.code) throw ScriptThrow{};
      Fail(ecUnknownIdentifier, headingPos, name);
    }
    return;
  }
  ReadBodyAfterHeading(proc);
}

void Impl::ReadBodyAfterHeading(TProcedure* proc) {
  TIfPascalParser& p = P();
  proc->body = p.CurrentPosition();
  while (p.CurrentKind() != kwBegin) {
    if (p.CurrentKind() == tkEnd) LoadFault(ecUnexpectedEnd);
    p.Next();
  }
  SkipBody();
  if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
  p.Next();
}

// Passes over a begin ... end block, counting the block words.
void Impl::SkipBody() {
  TIfPascalParser& p = P();
  int level = 0;
  for (;;) {
    switch (p.CurrentKind()) {
      case kwBegin:
      case kwCase:
      case kwRepeat:
      case kwTry: ++level; break;
      case kwEndKw:
      case kwUntil: --level; break;
      case tkEnd: LoadFault(ecUnexpectedEnd);
      default: break;
    }
    p.Next();
    if (level == 0) return;
  }
}

// ---------------------------------------------------------------- registration

TProcedure* TIfPasScript::RegisterInternal(std::string_view name, TParamList params, TIFExternalCallback callback) {
  Impl& I = *impl_;
  auto pr = std::make_unique<TProcedure>();
  pr->owner = this;
  pr->kind = pkExternal;
  pr->name = std::string(name);
  for (char& c : pr->name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  pr->hash = NameHash(pr->name);
  pr->decl = std::move(params);
  pr->callback = std::move(callback);
  TProcedure* p = pr.get();
  I.procs.push_back(std::move(pr));
  I.procNames.emplace(p->name, p);
  return p;
}

// Reads a declaration string leniently: [procedure|function] name [(groups)] [: type].
TProcedure* TIfPasScript::RegisterFunction(TIFExternalCallback callback, std::string_view declaration,
                                           void* hostData) {
  TIfPascalParser dp;
  if (!dp.Tokenize(declaration)) return nullptr;
  TParamList list;
  list.isFunction = dp.CurrentKind() != kwProcedure;
  dp.Next();
  const std::string name = dp.CurrentText();
  if (name.empty()) return nullptr;
  dp.Next();
  auto readType = [&](TTypeRec** out) -> bool {
    if (dp.CurrentKind() == kwArray) {
      dp.Next();
      if (dp.CurrentKind() != kwOf) return false;
      dp.Next();
      if (dp.CurrentKind() == kwConst) {
        *out = impl_->stdTypes[tcArray];
        dp.Next();
        return true;
      }
      TTypeRec* elem = FindType(dp.CurrentText());
      if (!elem) {
        SetErrorAt(ecUnknownIdentifier, -1, dp.CurrentText());
        return false;
      }
      dp.Next();
      *out = impl_->AnonymousType(tcArray, elem);
      return true;
    }
    TTypeRec* t = FindType(dp.CurrentText());
    if (!t) {
      SetErrorAt(ecUnknownIdentifier, -1, dp.CurrentText());
      return false;
    }
    dp.Next();
    *out = t;
    return true;
  };
  if (dp.CurrentKind() == tkOpenRound) {
    dp.Next();
    while (dp.CurrentKind() != tkCloseRound) {
      ParamMode mode = pmValue;
      if (dp.CurrentKind() == kwVar) {
        mode = pmVar;
        dp.Next();
      } else if (dp.CurrentKind() == kwConst) {
        mode = pmConst;
        dp.Next();
      } else if (dp.CurrentKind() != tkIdentifier) {
        return nullptr;
      }
      const std::size_t first = list.params.size();
      for (;;) {
        if (dp.CurrentKind() != tkIdentifier) return nullptr;
        list.params.push_back({mode, dp.CurrentText(), nullptr});
        dp.Next();
        if (dp.CurrentKind() == tkComma) {
          dp.Next();
          continue;
        }
        if (dp.CurrentKind() != tkColon) return nullptr;
        dp.Next();
        break;
      }
      TTypeRec* t = nullptr;
      if (!readType(&t)) return nullptr;
      for (std::size_t k = first; k < list.params.size(); ++k) list.params[k].type = t;
      if (dp.CurrentKind() == tkCloseRound) break;
      if (dp.CurrentKind() == tkEnd) return nullptr;
      dp.Next();
    }
    dp.Next();
  }
  if (list.isFunction) {
    dp.Next();
    if (!readType(&list.result)) return nullptr;
  }
  TProcedure* p = RegisterInternal(name, std::move(list), std::move(callback));
  p->hostData = hostData;
  return p;
}

bool TIfPasScript::RegisterVariable(std::string_view name, std::string_view typeText, bool readOnly) {
  std::string up(name);
  for (char& c : up)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  TIfPascalParser tp;
  if (!tp.Tokenize(typeText)) return false;
  TTypeRec* t = FindType(tp.CurrentText());
  if (!t) {
    SetErrorAt(ecUnknownIdentifier, -1, tp.CurrentText());
    return false;
  }
  Global* g = impl_->AddGlobal(up, t);
  if (readOnly) g->value.flags |= kReadOnly;
  return true;
}

bool TIfPasScript::AttachUnit(TIfPasScript* unit, bool owned) {
  if (!unit || unit == this || !unit->isUnit_ || unit->impl_->unitEndPos < 0) return false;
  Impl& I = *impl_;
  std::string up = unit->module_;
  for (char& c : up)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  for (auto& u : I.units) {
    std::string m = u.engine->module_;
    for (char& c : m)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (m == up) return false;
  }
  Impl& U = *unit->impl_;
  for (auto& [n, t] : U.typeNames)
    if (!I.typeNames.count(n)) I.typeNames[n] = t;
  for (Global& g : U.globals) {
    if (I.NameInUse(g.name)) continue;
    Global* mine = I.AddGlobal(g.name, nullptr);
    mine->value.Release();
    mine->value.code = tcVariant;
    mine->value.flags = g.value.flags & kReadOnly;
    mine->value.ref.target = &g.value;
    mine->value.ref.keep = nullptr;
  }
  for (auto& pr : U.procs) {
    if (pr->owner != unit || pr->classType || I.procNames.count(pr->name)) continue;
    auto copy = std::make_unique<TProcedure>(*pr);
    copy->compiled = pr->compiled;
    TProcedure* c = copy.get();
    c->hostData = pr.get();  // the unit's own record, which it compiles and runs
    I.procs.push_back(std::move(copy));
    I.procNames.emplace(c->name, c);
  }
  I.units.push_back({unit, owned});
  return true;
}

}  // namespace tamber::script
