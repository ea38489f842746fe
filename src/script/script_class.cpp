// Classes: declarations (script text and registered class texts), the
// predefined TOBJECT, instances and method dispatch.
#include <algorithm>

#include "script/script_internal.h"

namespace tamber::script {

namespace {

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

// Types of two engines (a class of a unit overridden in a script) match by name.
bool SameType(const TTypeRec* a, const TTypeRec* b) {
  return a == b || (a && b && a->code == b->code && !a->name.empty() && a->name == b->name);
}

bool SameSignature(const TParamList& a, const TParamList& b) {
  if (a.isFunction != b.isFunction || !SameType(a.result, b.result) || a.params.size() != b.params.size())
    return false;
  for (std::size_t k = 0; k < a.params.size(); ++k)
    if (a.params[k].mode != b.params[k].mode || !SameType(a.params[k].type, b.params[k].type)) return false;
  return true;
}

TProcedure* OwnMethod(const TTypeRec* cls, std::string_view bangName) {
  for (TProcedure* m : cls->cls->methods)
    if (m->name == bangName) return m;
  return nullptr;
}

std::uint8_t KindFlags(std::uint8_t flags) { return flags & (kMethodConstructor | kMethodDestructor); }

}  // namespace

bool ClassDescends(const TTypeRec* cls, const TTypeRec* base) {
  for (const TTypeRec* c = cls; c; c = c->cls ? c->cls->ancestor : nullptr)
    if (c == base) return true;
  return false;
}

TTypeRec* Impl::ClassRefType(TTypeRec* cls) { return AnonymousType(tcClassRef, cls); }

// class [( ancestor )] members end, or class of name
TTypeRec* Impl::ParseClass(const std::string& name) {
  TIfPascalParser& p = P();
  p.Next();
  if (p.CurrentKind() == kwOf) {
    p.Next();
    if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
    TTypeRec* base = self.FindType(p.CurrentText());
    if (!base) LoadFault(ecUnknownIdentifier, p.CurrentText());
    if (base->code != tcClass) LoadFault(ecNotClass);
    p.Next();
    return ClassRefType(base);
  }
  TTypeRec* ancestor = stdTypes[tcClass];
  if (p.CurrentKind() == tkOpenRound) {
    p.Next();
    if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
    ancestor = self.FindType(p.CurrentText());
    if (!ancestor) LoadFault(ecUnknownIdentifier, p.CurrentText());
    if (ancestor->code != tcClass || !ancestor->cls) LoadFault(ecNotClass);
    p.Next();
    if (p.CurrentKind() != tkCloseRound) LoadFault(ecCloseRoundExpected);
    p.Next();
  }
  // Named at once, so that its own members may refer to it.
  TTypeRec* t = AddType(name, tcClass);
  auto c = std::make_shared<TIFSClassType>();
  c->ancestor = ancestor;
  c->fields = ancestor->cls->fields;
  c->firstOwnField = static_cast<int>(c->fields.size());
  c->propertyCountBase =
      ancestor->cls->propertyCountBase + static_cast<int>(ancestor->cls->properties.size());
  t->cls = c;
  std::uint8_t vis = visPublic;
  bool methodSeen = false;
  auto fieldIndex = [&](const std::string& n) {
    for (std::size_t k = 0; k < c->fields.size(); ++k)
      if (c->fields[k].name == n) return static_cast<int>(k);
    return -1;
  };
  for (;;) {
    switch (p.CurrentKind()) {
      case kwPrivate: vis = visPrivate; p.Next(); continue;
      case kwPublic:
      case kwPublished: vis = visPublic; p.Next(); continue;
      case kwProtected: vis = visProtected; p.Next(); continue;
      case tkIdentifier: {
        if (methodSeen) LoadFault(ecEndExpected);
        const std::vector<std::string> names =
            ParseNameList([&](const std::string& n) { return fieldIndex(n) >= 0 || OwnMethod(t, "!" + n); });
        TTypeRec* ft = ParseType(false);
        if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
        p.Next();
        for (auto& n : names) c->fields.push_back({n, ft, vis, t});
        continue;
      }
      case kwProcedure:
      case kwFunction:
      case kwConstructor:
      case kwDestructor: {
        methodSeen = true;
        const TokenKind kind = p.CurrentKind();
        const std::int32_t headingPos = p.CurrentPosition();
        p.Next();
        const std::string mname = ExpectIdentifier();
        if (OwnMethod(t, "!" + mname) || fieldIndex(mname) >= 0) Fail(ecDuplicateIdentifier, headingPos);
        TParamList list = ParseSignature(kind == kwFunction, mname, false);
        if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
        p.Next();
        std::uint8_t flags = vis;
        if (kind == kwConstructor) flags |= kMethodConstructor;
        if (kind == kwDestructor) flags |= kMethodDestructor;
        if (p.CurrentKind() == kwVirtual || p.CurrentKind() == kwOverride) {
          flags |= p.CurrentKind() == kwVirtual ? kMethodVirtual : kMethodOverride;
          p.Next();
          if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
          p.Next();
        }
        if (flags & kMethodOverride) {
          TProcedure* base = TIfPasScript::FindMethod(ancestor, "!" + mname);
          if (!base || !SameSignature(base->decl, list) || KindFlags(base->flags) != KindFlags(flags))
            Fail(ecCannotOverride, headingPos);
        }
        auto pr = std::make_unique<TProcedure>();
        pr->owner = &self;
        pr->kind = pkScript;
        pr->flags = flags;
        pr->name = "!" + mname;
        pr->hash = NameHash(pr->name);
        pr->decl = std::move(list);
        pr->headingPos = headingPos;
        pr->classType = t;
        c->methods.push_back(pr.get());
        procs.push_back(std::move(pr));
        continue;
      }
      case kwProperty: {
        p.Next();
        TPropertyDef d;
        d.name = ExpectIdentifier();
        d.visibility = vis;
        if (p.CurrentKind() != tkColon) LoadFault(ecColonExpected);
        p.Next();
        if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
        d.type = self.FindType(p.CurrentText());
        if (!d.type) LoadFault(ecUnknownIdentifier, p.CurrentText());
        p.Next();
        for (const char* word : {"READ", "WRITE"}) {
          if (p.CurrentKind() != tkIdentifier || p.CurrentText() != word) continue;
          const bool read = word[0] == 'R';
          p.Next();
          if (p.CurrentKind() != tkIdentifier) LoadFault(ecIdentifierExpected);
          const std::string m = p.CurrentText();
          if (const int f = fieldIndex(m); f >= 0) {
            if (c->fields[f].type != d.type) LoadFault(ecTypeMismatch);
            (read ? d.readField : d.writeField) = f;
            d.flags |= read ? kPropReadable : kPropWritable;
          } else if (TProcedure* pm = TIfPasScript::FindMethod(t, "!" + m)) {
            const bool fits = read ? pm->decl.isFunction && pm->decl.params.empty() && pm->decl.result == d.type
                                   : !pm->decl.isFunction && pm->decl.params.size() == 1 &&
                                         pm->decl.params[0].type == d.type;
            if (!fits) LoadFault(ecTypeMismatch);
            (read ? d.reader : d.writer) = pm;
            d.flags |= read ? kPropReadable | kPropReadMethod : kPropWritable | kPropWriteMethod;
          } else {
            LoadFault(ecUnknownIdentifier, m);
          }
          p.Next();
        }
        if (!(d.flags & (kPropReadable | kPropWritable))) LoadFault(ecNoAccessProperty);
        if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
        p.Next();
        c->properties.push_back(std::move(d));
        continue;
      }
      case kwEndKw: p.Next(); return t;
      case tkEnd: LoadFault(ecUnexpectedEnd);
      default: LoadFault(ecEndExpected);
    }
  }
}

// ClassName . MethodName [params] [: type] ; body
void Impl::LoadMethod(TTypeRec* cls, int kind, std::int32_t headingPos) {
  TIfPascalParser& p = P();
  p.Next();  // '.'
  const std::string mname = ExpectIdentifier();
  TProcedure* m = OwnMethod(cls, "!" + mname);
  if (!m) Fail(ecUnknownIdentifier, headingPos, mname);
  if (m->kind != pkScript || m->body >= 0) Fail(ecDuplicateIdentifier, headingPos);
  TParamList list = ParseSignature(kind == kwFunction, mname, false);
  if (p.CurrentKind() != tkSemicolon) LoadFault(ecSemicolonExpected);
  p.Next();
  const int want = (m->flags & kMethodConstructor)  ? kwConstructor
                   : (m->flags & kMethodDestructor) ? kwDestructor
                   : m->decl.isFunction             ? kwFunction
                                                    : kwProcedure;
  if (want != kind || !SameSignature(m->decl, list)) Fail(ecParameterError, headingPos);
  if (p.CurrentKind() == kwForward || p.CurrentKind() == kwExternal) LoadFault(ecBeginExpected);
  m->headingPos = headingPos;
  ReadBodyAfterHeading(m);
}

// ---------------------------------------------------------------- TOBJECT

void Impl::RegisterObjectClass() {
  TTypeRec* obj = stdTypes[tcClass];
  obj->cls = std::make_shared<TIFSClassType>();
  auto add = [&](const char* name, std::uint8_t flags, TParamList decl, TIFExternalCallback cb) {
    auto pr = std::make_unique<TProcedure>();
    pr->owner = &self;
    pr->kind = pkExternal;
    pr->flags = static_cast<std::uint8_t>(visPublic | flags);
    pr->name = std::string("!") + name;
    pr->hash = NameHash(pr->name);
    pr->decl = std::move(decl);
    pr->callback = std::move(cb);
    pr->classType = obj;
    TProcedure* p = pr.get();
    obj->cls->methods.push_back(p);
    procs.push_back(std::move(pr));
    return p;
  };
  TParamList none;
  TParamList str;
  str.isFunction = true;
  str.result = stdTypes[tcString];
  TParamList is;
  is.isFunction = true;
  is.result = stdTypes[tcBoolean];
  is.params.push_back({pmValue, "FTYPE", stdTypes[tcString]});
  add("CREATE", kMethodConstructor, none, [](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value>) -> std::uint16_t {
    return 0;
  });
  objDestroy = add("DESTROY", kMethodDestructor | kMethodVirtual, none,
                   [](TIfPasScript& e, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
                     e.Internals()->FreeInstance(TIfPasScript::InstanceOf(args[0]));
                     return 0;
                   });
  objFree = add("FREE", 0, none, [](TIfPasScript& e, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
    Impl& I = *e.Internals();
    TIFInstance* inst = I.Live(args[0], e.Parser().CurrentPosition());
    TProcedure* d = TIfPasScript::Dispatch(I.objDestroy, inst->cls);
    Value self = args[0];
    self.type = d->classType;
    self.flags = 0;
    I.CallWithValues(d, &self, {}, nullptr, e.Parser().CurrentPosition());
    if (d->kind == pkScript) I.FreeInstance(inst);
    return 0;
  });
  add("CLASSNAMEIS", 0, is, [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
    const std::string want = Upper(ReadString(Deref(args[1])));
    bool found = false;
    for (const TTypeRec* c = TIfPasScript::InstanceOf(args[0])->cls; c && !found; c = c->cls->ancestor)
      found = c->name == want;
    WriteBoolean(*result, found);
    return 0;
  });
  add("CLASSNAME", 0, str, [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
    WriteString(*result, TIfPasScript::InstanceOf(args[0])->cls->name);
    return 0;
  });
  add("GETANCESTORS", 0, str, [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
    std::string s;
    for (const TTypeRec* c = TIfPasScript::InstanceOf(args[0])->cls; c; c = c->cls->ancestor)
      s = s.empty() ? c->name : c->name + "." + s;
    WriteString(*result, s);
    return 0;
  });
}

// ---------------------------------------------------------------- instances

TIFInstance* Impl::NewInstance(TTypeRec* cls) {
  auto inst = std::make_unique<TIFInstance>();
  inst->cls = cls;
  const auto& fields = cls->cls->fields;
  inst->fields.resize(fields.size());
  for (std::size_t k = 0; k < fields.size(); ++k) {
    inst->fields[k].Init(fields[k].type);
    if (!fields[k].type) inst->fields[k].flags |= kHolder;
  }
  TIFInstance* p = inst.get();
  instances.push_back(std::move(inst));
  return p;
}

TIFInstance* Impl::Live(const Value& v, std::int32_t pos) {
  if (v.code == tcNil) Fail(ecClassNotInitialized, pos);
  if (v.code != tcClass) Fail(ecTypeMismatch, pos);
  auto* inst = static_cast<TIFInstance*>(v.res.ptr);
  if (!inst) Fail(ecClassNotInitialized, pos);
  if (inst->freed) Fail(ecClassAlreadyFreed, pos);
  return inst;
}

void Impl::FreeInstance(TIFInstance* inst) {
  if (!inst || inst->freed) return;
  inst->freed = true;
  // The values stay in place (released), so storage a running statement
  // still points at remains valid.
  for (Value& f : inst->fields) f.Release();
}

TIFInstance* TIfPasScript::InstanceOf(const Value& v) {
  const Value& d = Deref(const_cast<Value&>(v));
  return d.code == tcClass ? static_cast<TIFInstance*>(d.res.ptr) : nullptr;
}

Value* TIfPasScript::InstanceField(const Value& object, std::string_view upperName) {
  TIFInstance* inst = InstanceOf(object);
  if (!inst || inst->freed) return nullptr;
  const auto& fields = inst->cls->cls->fields;
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (fields[k].name == upperName) return &inst->fields[k];
  return nullptr;
}

TProcedure* TIfPasScript::FindMethod(const TTypeRec* cls, std::string_view bangName) {
  for (const TTypeRec* c = cls; c && c->cls; c = c->cls->ancestor)
    if (TProcedure* m = OwnMethod(c, bangName)) return m;
  return nullptr;
}

// A virtual method runs the deepest override between the class that
// declares it and the instance's class; a redeclaration without override
// is passed over.
TProcedure* TIfPasScript::Dispatch(TProcedure* method, const TTypeRec* instanceClass) {
  if (!(method->flags & (kMethodVirtual | kMethodOverride))) return method;
  std::vector<const TTypeRec*> chain;
  for (const TTypeRec* c = instanceClass; c && c != method->classType; c = c->cls->ancestor) chain.push_back(c);
  if (chain.empty() || !ClassDescends(instanceClass, method->classType)) return method;
  TProcedure* impl = method;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (TProcedure* m = OwnMethod(*it, method->name); m && (m->flags & kMethodOverride)) impl = m;
  return impl;
}

// ---------------------------------------------------------------- registration

TTypeRec* TIfPasScript::RegisterClassType(std::string_view name, std::string_view classText,
                                          TIFExternalCallback callback, void* hostData) {
  Impl& I = *impl_;
  TIfPascalParser tp;
  if (!tp.Tokenize(classText) || tp.CurrentKind() != kwClass) return nullptr;
  TIfPascalParser* saved = I.activeParser;
  const bool savedLenient = I.lenientNames;
  I.activeParser = &tp;
  I.lenientNames = true;
  TTypeRec* t = nullptr;
  try {
    t = I.ParseClass(Upper(name));
  } catch (const ScriptThrow&) {
    t = nullptr;
  }
  I.activeParser = saved;
  I.lenientNames = savedLenient;
  if (!t || t->code != tcClass) return nullptr;
  for (TProcedure* m : t->cls->methods) {
    m->kind = pkExternal;
    m->callback = callback;
    m->hostData = hostData;
  }
  return t;
}

TTypeRec* TIfPasScript::RegisterType(std::string_view name, std::string_view typeText) {
  Impl& I = *impl_;
  TIfPascalParser tp;
  if (!tp.Tokenize(typeText)) return nullptr;
  const std::string up = Upper(name);
  TIfPascalParser* saved = I.activeParser;
  const bool savedLenient = I.lenientNames;
  I.activeParser = &tp;
  I.lenientNames = true;
  I.pendingTypeName = up;
  TTypeRec* t = nullptr;
  try {
    t = I.ParseType(true);
  } catch (const ScriptThrow&) {
    t = nullptr;
  }
  I.activeParser = saved;
  I.lenientNames = savedLenient;
  if (!t) return nullptr;
  if (t->name.empty()) {
    t->name = up;
    t->hash = NameHash(up);
  }
  I.typeNames[up] = t;
  return t;
}

void Impl::CallWithValues(TProcedure* proc, const Value* selfValue, std::span<Value> args, Value* result,
                          std::int32_t pos) {
  const auto& params = proc->decl.params;
  if (args.size() != params.size()) Fail(ecParameterError, -1);
  const std::size_t off = selfValue ? 1 : 0;
  auto fill = [&](Value* s) {
    if (selfValue) {
      s[0] = *selfValue;
      s[0].flags = kReadOnly;
    }
    for (std::size_t k = 0; k < params.size(); ++k) {
      const TParam& prm = params[k];
      Value& slot = s[off + k];
      Value& src = Deref(args[k]);
      if (prm.mode == pmValue) {
        slot.Init(prm.type);
        if (!prm.type) slot.flags |= kHolder;
        try {
          Assign(slot, src, pos);
        } catch (const ScriptThrow&) {
          self.error_ = {};
          Fail(ecParameterError, static_cast<std::int32_t>(k));
        }
        continue;
      }
      if (prm.type && src.type != prm.type) Fail(ecParameterError, static_cast<std::int32_t>(k));
      slot.Release();
      slot.code = tcVariant;
      slot.ref.target = &src;
      slot.ref.keep = nullptr;
      slot.flags = prm.mode == pmConst ? kReadOnly : 0;
    }
  };
  if (proc->kind == pkScript && proc->owner == &self) {
    if (!proc->compiled) proc->compiled = CompileBody(proc, proc->body);
    CompiledBody& b = *proc->compiled;
    Enter(pos);
    FrameScope frame(*this, b, pos);
    fill(frame.Slots());
    if (b.failed) Fail(b.fault.code, b.fault.position, b.fault.text);
    fp = frame.Slots();
    b.body->Exec(*this);
    if (result && b.resultSlot >= 0) {
      *result = std::move(fp[b.resultSlot]);
      result->flags = 0;
    }
    --depth;
    return;
  }
  ArgumentSlots argSlots(*this, params.size() + off, pos);
  Value* slots = argSlots.Slots();
  fill(slots);
  if (proc->kind == pkScript) {
    // A procedure or method of an attached unit runs in the unit's engine.
    TProcedure* own = proc->classType ? proc : static_cast<TProcedure*>(proc->hostData);
    if (!own) Fail(ecUnknownIdentifier, pos, proc->name);
    Value ignored;
    own->owner->Internals()->InvokeFromUser(*this, own, argSlots.Span(), result ? result : &ignored, pos);
    return;
  }
  CallExternal(proc, result, argSlots.Span(), pos);
}

bool TIfPasScript::CallPrepared(TProcedure* proc, const Value* selfValue, std::span<Value> args, Value* result) {
  if (!proc) return false;
  Impl& I = *impl_;
  const int depth = I.depth;
  try {
    I.CallWithValues(proc, selfValue, args, result, parser_.CurrentPosition());
  } catch (const ScriptThrow&) {
    I.depth = depth;
    return false;
  }
  if (error_.code == ecExitCommand) error_ = {};
  return error_.code == 0;
}

bool TIfPasScript::Running() const { return impl_->running; }

void TIfPasScript::AddClearListener(void* owner, std::function<void()> listener) {
  impl_->clearListeners.emplace_back(owner, std::move(listener));
}

void TIfPasScript::RemoveClearListener(void* owner) {
  auto& l = impl_->clearListeners;
  l.erase(std::remove_if(l.begin(), l.end(), [&](auto& e) { return e.first == owner; }), l.end());
}

}  // namespace tamber::script
