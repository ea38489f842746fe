// The executor: expression and statement nodes, the operator and assignment
// rules, calls and the main block.
#include <cmath>

#include "script/script_internal.h"

namespace tamber::script {

namespace {

bool SameParams(const TParamList& a, const TParamList& b) {
  if (a.isFunction != b.isFunction || a.result != b.result || a.params.size() != b.params.size()) return false;
  for (std::size_t k = 0; k < a.params.size(); ++k)
    if (a.params[k].mode != b.params[k].mode || a.params[k].type != b.params[k].type) return false;
  return true;
}

inline bool IsManaged(unsigned c) { return c == tcString || c == tcArray || c == tcRecord || c == tcVariant; }

// Copies a value into a temporary (flags dropped).
inline void CopyValue(Value& d, const Value& s) {
  if (!IsManaged(d.code) && !IsManaged(s.code)) {
    d.type = s.type;
    d.code = s.code;
    std::memcpy(static_cast<void*>(&d.i), &s.i, sizeof(long double));
  } else {
    d = s;
  }
  d.flags = 0;
}

inline void SetBool(Impl& E, Value& v, bool b) {
  if (IsManaged(v.code)) v.Release();
  v.type = E.stdTypes[tcBoolean];
  v.code = tcBoolean;
  v.i = b ? 1 : 0;
}

inline void SetExtended(Impl& E, Value& v, long double x) {
  if (IsManaged(v.code)) v.Release();
  v.type = E.stdTypes[tcExtended];
  v.code = tcExtended;
  std::memset(static_cast<void*>(&v.i), 0, sizeof(long double));
  v.r = x;
}

template <typename T>
bool Compare(int op, const T& a, const T& b) {
  switch (op) {
    case opEq: return a == b;
    case opNe: return a != b;
    case opLt: return a < b;
    case opGt: return a > b;
    case opLe: return a <= b;
    default: return a >= b;
  }
}

bool IsCompare(int op) { return op >= tkEqual && op <= tkLessEqual; }

// ------------------------------------------------------------ expressions

struct ConstExpr : Expr {
  Value v;
  void Eval(Impl&, Value& out) override { CopyValue(out, v); }
  std::int64_t EvalInt(Impl&) override { return v.i; }
};

struct LocalExpr : Expr {
  int slot;
  bool isRef;
  void Eval(Impl& E, Value& out) override {
    Value& v = E.fp[slot];
    CopyValue(out, isRef ? Deref(v) : v);
  }
  std::int64_t EvalInt(Impl& E) override {
    Value& v = E.fp[slot];
    return isRef ? Deref(v).i : v.i;
  }
  Value* Place(Impl& E, Box*& keep, bool forWrite) override {
    Value& v = E.fp[slot];
    if (!isRef) {
      if (forWrite && v.ReadOnly()) E.Fail(ecVariableExpected, pos);
      return &v;
    }
    Value& t = Deref(v);
    if (forWrite && (v.ReadOnly() || t.ReadOnly())) E.Fail(ecVariableExpected, pos);
    keep = v.ref.keep;
    return &t;
  }
};

struct GlobalExpr : Expr {
  Global* g;
  void Eval(Impl&, Value& out) override { CopyValue(out, Deref(g->value)); }
  std::int64_t EvalInt(Impl&) override { return Deref(g->value).i; }
  Value* Place(Impl& E, Box*&, bool forWrite) override {
    Value& t = Deref(g->value);
    if (forWrite && (g->value.ReadOnly() || t.ReadOnly())) E.Fail(ecVariableExpected, pos);
    return &t;
  }
};

struct IndexExpr : Expr {
  ExprP base;
  std::vector<ExprP> indices;
  Value* Place(Impl& E, Box*& keep, bool forWrite) override {
    Value* b = base->Place(E, keep, forWrite);
    for (auto& ix : indices) {
      Value iv;
      if (ix->hasScriptCall) {
        Box* held = keep;
        Retain(held);
        try {
          ix->Eval(E, iv);
        } catch (...) {
          ReleaseBox(held);
          throw;
        }
        ReleaseBox(held);
      } else {
        ix->Eval(E, iv);
      }
      Value& arr = Deref(*b);
      if (arr.code != tcArray) E.Fail(ecTypeMismatch, pos);
      const std::int64_t k = iv.i;
      if (k < 0 || k >= static_cast<std::int64_t>(arr.a->items.size())) E.Fail(ecOutOfRange, pos);
      Box* bx = arr.a->items[k];
      keep = bx;
      b = &bx->v;
    }
    return b;
  }
  void Eval(Impl& E, Value& out) override {
    Box* keep = nullptr;
    Value* v = Place(E, keep, false);
    CopyValue(out, Deref(*v));
  }
};

struct FieldExpr : Expr {
  ExprP base;
  std::string name;
  TTypeRec* cachedType = nullptr;
  int cachedIndex = -1;
  Value* Place(Impl& E, Box*& keep, bool forWrite) override {
    Value& r = Deref(*base->Place(E, keep, forWrite));
    if (r.code != tcRecord) E.Fail(ecTypeMismatch, pos);
    if (r.type != cachedType) {
      cachedIndex = r.type->FieldIndex(name);
      cachedType = r.type;
    }
    if (cachedIndex < 0) E.Fail(ecUnknownIdentifier, pos, name);
    return &r.rec->fields[cachedIndex];
  }
  void Eval(Impl& E, Value& out) override {
    Box* keep = nullptr;
    Value* v = Place(E, keep, false);
    CopyValue(out, Deref(*v));
  }
};

struct BinaryExpr : Expr {
  int op;
  ExprP l, r;
  void Eval(Impl& E, Value& out) override {
    l->Eval(E, out);
    Value rv;
    r->Eval(E, rv);
    // The common case inline: two integers added, subtracted or compared.
    if (IsIntegerCode(out.code) && IsIntegerCode(rv.code)) {
      switch (op) {
        case opAdd: out.i = WrapInteger(out.code, out.i + rv.i); return;
        case opSub: out.i = WrapInteger(out.code, out.i - rv.i); return;
        case opLt: SetBool(E, out, out.i < rv.i); return;
        case opGt: SetBool(E, out, out.i > rv.i); return;
        default: break;
      }
    }
    E.Binary(op, out, rv, pos);
  }
};

// Both operands of static integer types: computed without value records, in
// the width of the left operand.
struct IntBinaryExpr : Expr {
  int op;
  unsigned code;  // the left operand's type code
  ExprP l, r;
  std::int64_t EvalInt(Impl& E) override {
    const std::int64_t a = l->EvalInt(E);
    const std::int64_t b = r->EvalInt(E);
    switch (op) {
      case opAdd: return WrapInteger(code, a + b);
      case opSub: return WrapInteger(code, a - b);
      case opMul:
        return WrapInteger(code, static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b)));
      case opDiv:
        if (b == 0) E.Fail(ecDivideByZero, pos);
        return WrapInteger(code, a / b);
      case opMod:
        if (b == 0) E.Fail(ecDivideByZero, pos);
        return WrapInteger(code, a % b);
      case opAnd: return WrapInteger(code, a & b);
      case opOr: return WrapInteger(code, a | b);
      case opXor: return WrapInteger(code, a ^ b);
      case opShl: return WrapInteger(code, static_cast<std::int64_t>(static_cast<std::uint64_t>(a) << (b & 31)));
      case opShr: return WrapInteger(code, static_cast<std::uint32_t>(a) >> (b & 31));
      default: return Compare(op, a, b);
    }
  }
  void Eval(Impl& E, Value& out) override {
    const std::int64_t x = EvalInt(E);
    if (IsManaged(out.code)) out.Release();
    out.type = stype;
    out.code = stype->code;
    out.flags = 0;
    out.i = x;
  }
};

struct UnaryExpr : Expr {
  int op;
  ExprP e;
  void Eval(Impl& E, Value& out) override {
    e->Eval(E, out);
    E.Unary(op, out, pos);
  }
};

struct NestedExpr : Expr {
  ExprP e;
  void Eval(Impl& E, Value& out) override { e->Eval(E, out); }
  std::int64_t EvalInt(Impl& E) override { return e->EvalInt(E); }
};

struct ConvertExpr : Expr {
  TTypeRec* type;
  ExprP e;
  void Eval(Impl& E, Value& out) override {
    if (!type) {
      e->Eval(E, out);
      return;
    }
    Value v;
    e->Eval(E, v);
    if (v.type == type) {
      out = std::move(v);
      out.flags = 0;
      return;
    }
    out.Init(type);
    E.Assign(out, v, pos);
  }
};

struct ArrayLiteralExpr : Expr {
  std::vector<ExprP> elems;
  void Eval(Impl& E, Value& out) override {
    if (E.self.MaxArrayLength() > 0 && static_cast<std::int64_t>(elems.size()) > E.self.MaxArrayLength())
      E.Fail(ecOutOfMemory, pos);
    Value arr(stype);
    for (auto& el : elems) {
      Box* b = new Box;
      arr.a->items.push_back(b);
      el->Eval(E, b->v);
      if (!stype->ext) b->v.flags |= kHolder;
    }
    out = std::move(arr);
  }
};

void CallProcedure(Impl& E, TProcedure* pr, std::vector<ExprP>& args, Value& out, std::int32_t pos,
                   const Value* self = nullptr);

struct CallExpr : Expr {
  TProcedure* proc;
  std::vector<ExprP> args;
  void Eval(Impl& E, Value& out) override { CallProcedure(E, proc, args, out, pos); }
};

struct IndirectCallExpr : Expr {
  ExprP target;
  std::vector<ExprP> args;
  void Eval(Impl& E, Value& out) override {
    Value v;
    target->Eval(E, v);
    if (v.code != tcProcType) E.Fail(ecTypeMismatch, pos);
    if (!v.proc) E.Fail(ecClassNotInitialized, pos);
    CallProcedure(E, v.proc, args, out, pos);
  }
};

// The value a class-valued base expression holds (copied: it is a reference).
Value ObjectOf(Impl& E, Expr& base) {
  Box* keep = nullptr;
  Value v = Deref(*base.Place(E, keep, false));
  v.flags = 0;
  return v;
}

struct InstanceFieldExpr : Expr {
  ExprP base;
  int index;
  Value* Place(Impl& E, Box*& keep, bool) override {
    const Value obj = ObjectOf(E, *base);
    TIFInstance* inst = E.Live(obj, pos);
    keep = nullptr;  // instances live until the script is cleared
    return &inst->fields[index];
  }
  void Eval(Impl& E, Value& out) override {
    Box* keep = nullptr;
    CopyValue(out, Deref(*Place(E, keep, false)));
  }
};

struct PropertyExpr : Expr {
  ExprP base;
  const TPropertyDef* prop;
  void Eval(Impl& E, Value& out) override {
    Value obj = ObjectOf(E, *base);
    TIFInstance* inst = E.Live(obj, pos);
    if (!(prop->flags & kPropReadable)) E.Fail(ecCannotRead, pos);
    if (prop->readField >= 0) {
      CopyValue(out, inst->fields[prop->readField]);
      return;
    }
    TProcedure* getter = TIfPasScript::Dispatch(prop->reader, inst->cls);
    obj.type = getter->classType;
    out.Release();
    E.CallWithValues(getter, &obj, {}, &out, pos);
  }
  void Write(Impl& E, const Value& v, std::int32_t at) {
    Value obj = ObjectOf(E, *base);
    TIFInstance* inst = E.Live(obj, pos);
    if (!(prop->flags & kPropWritable)) E.Fail(ecCannotWrite, pos);
    if (prop->writeField >= 0) {
      E.Assign(inst->fields[prop->writeField], v, at);
      return;
    }
    // Converted here, so that a value that does not fit is a type mismatch.
    Value arg(prop->type);
    E.Assign(arg, v, at);
    TProcedure* setter = TIfPasScript::Dispatch(prop->writer, inst->cls);
    obj.type = setter->classType;
    E.CallWithValues(setter, &obj, std::span<Value>(&arg, 1), nullptr, pos);
  }
};

struct MethodCallExpr : Expr {
  ExprP base;
  TProcedure* method;
  std::vector<ExprP> args;
  bool isStatic;
  void Eval(Impl& E, Value& out) override {
    Value obj = ObjectOf(E, *base);
    TIFInstance* inst = E.Live(obj, pos);
    TProcedure* impl = isStatic ? method : TIfPasScript::Dispatch(method, inst->cls);
    obj.type = impl->classType;
    CallProcedure(E, impl, args, out, pos, &obj);
    // A script destructor ends the instance even when it did not call the
    // inherited one; a library destructor releases its host object itself.
    if (!isStatic && (impl->flags & kMethodDestructor) && impl->kind == pkScript) E.FreeInstance(inst);
  }
};

struct ConstructExpr : Expr {
  TTypeRec* cls;
  ExprP classRef;
  TProcedure* ctor;
  std::vector<ExprP> args;
  void Eval(Impl& E, Value& out) override {
    TTypeRec* c = cls;
    if (classRef) {
      Value r;
      classRef->Eval(E, r);
      if (r.code != tcClassRef || !r.res.ptr) E.Fail(ecClassReferenceNil, pos);
      c = static_cast<TTypeRec*>(r.res.ptr);
    }
    TIFInstance* inst = E.NewInstance(c);
    Value obj;
    obj.type = c;
    obj.code = tcClass;
    obj.res.ptr = inst;
    TProcedure* impl = TIfPasScript::Dispatch(ctor, c);
    Value self = obj;
    self.type = impl->classType;
    Value ignored;
    CallProcedure(E, impl, args, ignored, pos, &self);
    CopyValue(out, obj);
  }
};

struct IsAsExpr : Expr {
  bool isAs;
  ExprP l;
  TTypeRec* cls;
  void Eval(Impl& E, Value& out) override {
    l->Eval(E, out);
    if (out.code != tcClass && out.code != tcNil) E.Fail(ecTypeMismatch, pos);
    auto* inst = out.code == tcClass ? static_cast<TIFInstance*>(out.res.ptr) : nullptr;
    if (!isAs) {
      SetBool(E, out, inst && ClassDescends(inst->cls, cls));
      return;
    }
    if (!inst) E.Fail(ecClassNotInitialized, pos);
    if (!ClassDescends(inst->cls, cls)) E.Fail(ecTypeMismatch, pos);
    out.type = cls;
  }
};

// Fills the argument slots in the caller's frame.
void PrepareArgs(Impl& E, TProcedure* proc, std::vector<ExprP>& args, Value* slots, std::int32_t pos) {
  const auto& params = proc->decl.params;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const TParam& prm = params[k];
    Value& slot = slots[k];
    if (prm.mode == pmValue) {
      args[k]->Eval(E, slot);
      if (!prm.type) slot.flags |= kHolder;
      continue;
    }
    Box* keep = nullptr;
    Value& t = Deref(*args[k]->Place(E, keep, prm.mode == pmVar));
    if (prm.type && t.type != prm.type &&
        !(prm.type->code == tcArray && t.code == tcArray && (!prm.type->ext || prm.type->ext == t.type->ext)))
      E.Fail(ecTypeMismatch, args[k]->pos);
    slot.Release();
    slot.code = tcVariant;
    slot.ref.target = &t;
    slot.ref.keep = keep;
    Retain(keep);
    slot.flags = prm.mode == pmConst ? kReadOnly : 0;
  }
}

void CallProcedure(Impl& E, TProcedure* pr, std::vector<ExprP>& args, Value& out, std::int32_t pos,
                   const Value* self) {
  const std::size_t off = self ? 1 : 0;
  if (pr->kind == pkScript && pr->owner == &E.self) {
    if (!pr->compiled) pr->compiled = E.CompileBody(pr, pr->body);
    CompiledBody& b = *pr->compiled;
    E.Enter(pos);
    FrameScope frame(E, b, pos);
    if (self) {
      frame.Slots()[0] = *self;
      frame.Slots()[0].flags = kReadOnly;
    }
    PrepareArgs(E, pr, args, frame.Slots() + off, pos);
    if (b.failed) E.Fail(b.fault.code, b.fault.position, b.fault.text);
    E.fp = frame.Slots();
    b.body->Exec(E);
    if (b.resultSlot >= 0) {
      out = std::move(E.fp[b.resultSlot]);
      out.flags = 0;
    }
    --E.depth;
    return;
  }
  ArgumentSlots argSlots(E, args.size() + off, pos);
  Value* slots = argSlots.Slots();
  if (self) {
    slots[0] = *self;
    slots[0].flags = 0;
  }
  PrepareArgs(E, pr, args, slots + off, pos);
  if (pr->kind == pkScript) {
    // A procedure of an attached unit runs in the unit's engine (a method of
    // a unit's class is the unit's own record).
    auto* own = pr->classType ? pr : static_cast<TProcedure*>(pr->hostData);
    own->owner->Internals()->InvokeFromUser(E, own, argSlots.Span(), &out, pos);
    return;
  }
  E.CallExternal(pr, &out, argSlots.Span(), pos);
}

// ------------------------------------------------------------ statements

struct ErrorStmt : Stmt {
  CompileFault f;
  Flow Exec(Impl& E) override { E.Fail(f.code, f.position, f.text); }
};

struct AssignStmt : Stmt {
  ExprP target, value;
  std::int32_t endPos;
  unsigned intValue = 0;  // the value's integer type code, when static
  Flow Exec(Impl& E) override {
    E.RunLine(pos);
    Box* keep = nullptr;
    Value* dst = target->Place(E, keep, true);
    if (keep && value->hasScriptCall) {
      Retain(keep);
      try {
        Value v;
        value->Eval(E, v);
        E.Assign(*dst, v, endPos);
      } catch (...) {
        ReleaseBox(keep);
        throw;
      }
      ReleaseBox(keep);
      return Flow::Normal;
    }
    if (intValue && dst->code == intValue) {
      dst->i = value->EvalInt(E);
      return Flow::Normal;
    }
    Value v;
    value->Eval(E, v);
    E.Assign(*dst, v, endPos);
    return Flow::Normal;
  }
};

struct AppendStmt : Stmt {
  ExprP target;
  std::vector<ExprP> parts;
  std::vector<std::int32_t> opPos;
  Flow Exec(Impl& E) override {
    E.RunLine(pos);
    Box* keep = nullptr;
    Value* dst = target->Place(E, keep, true);
    if (parts.size() == 1) {
      Value v;
      parts[0]->Eval(E, v);
      Append(E, dst, v, opPos[0]);
      return Flow::Normal;
    }
    // The parts are read before the variable changes, as the sum would.
    std::vector<Value> vals(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k) parts[k]->Eval(E, vals[k]);
    // A part that cannot be added leaves the variable as it was.
    for (std::size_t k = 0; k < parts.size(); ++k)
      if (vals[k].code != tcString && vals[k].code != tcChar) E.Fail(ecTypeMismatch, opPos[k]);
    for (std::size_t k = 0; k < parts.size(); ++k) Append(E, dst, vals[k], opPos[k]);
    return Flow::Normal;
  }
  static void Append(Impl& E, Value* dst, const Value& v, std::int32_t opPos) {
    if (dst->code != tcString) E.Fail(ecTypeMismatch, opPos);
    if (v.code == tcString) {
      const std::string_view add = v.Str();
      if (dst->Str().size() + add.size() > TIfPasScript::kMaxStringLength) E.Fail(ecOutOfMemory, opPos);
      if (!add.empty()) dst->MutableStr().append(add);
    } else if (v.code == tcChar) {
      if (dst->Str().size() >= TIfPasScript::kMaxStringLength) E.Fail(ecOutOfMemory, opPos);
      dst->MutableStr().push_back(static_cast<char>(v.i));
    } else {
      E.Fail(ecTypeMismatch, opPos);
    }
  }
};

struct PropertyAssignStmt : Stmt {
  ExprP property, value;
  std::int32_t endPos;
  Flow Exec(Impl& E) override {
    E.RunLine(pos);
    Value v;
    value->Eval(E, v);
    static_cast<PropertyExpr&>(*property).Write(E, v, endPos);
    return Flow::Normal;
  }
};

struct CallStmt : Stmt {
  ExprP call;
  Flow Exec(Impl& E) override {
    E.RunLine(pos);
    Value v;
    call->Eval(E, v);
    return Flow::Normal;
  }
};

struct CompoundStmt : Stmt {
  std::vector<StmtP> list;
  Flow Exec(Impl& E) override {
    E.Enter(pos);
    for (auto& s : list) {
      const Flow f = s->Exec(E);
      if (f != Flow::Normal) {
        --E.depth;
        return f;
      }
    }
    --E.depth;
    return Flow::Normal;
  }
};

inline Flow Run(Impl& E, Stmt* s) { return s ? s->Exec(E) : Flow::Normal; }

struct IfStmt : Stmt {
  ExprP cond;
  StmtP then, otherwise;
  std::int32_t elsePos;
  Flow Exec(Impl& E) override {
    E.RunLine(pos);
    if (cond->EvalInt(E)) {
      const Flow f = Run(E, then.get());
      if (otherwise && f == Flow::Normal) E.RunLine(elsePos);  // the else part is passed over
      return f;
    }
    if (otherwise) {
      E.RunLine(elsePos);
      return otherwise->Exec(E);
    }
    return Flow::Normal;
  }
};

struct CaseStmt : Stmt {
  ExprP selector;
  std::vector<CaseBranch> branches;
  StmtP otherwise;
  Flow Exec(Impl& E) override {
    Value sel;
    selector->Eval(E, sel);
    bool matched = false;
    for (auto& b : branches) {
      E.RunLine(b.pos);
      bool hit = false;
      for (auto& label : b.labels) {
        Value raw;
        label->Eval(E, raw);
        Value lv(sel.type);
        if (!sel.type) lv.flags |= kHolder;
        E.Assign(lv, raw, label->pos);
        E.Binary(opEq, lv, sel, label->pos);
        hit = hit || lv.i != 0;
      }
      if (hit && !matched) {
        matched = true;
        const Flow f = Run(E, b.body.get());
        if (f != Flow::Normal) return f;
      }
    }
    if (!matched && otherwise) return otherwise->Exec(E);
    return Flow::Normal;
  }
};

struct ForStmt : Stmt {
  ExprP var, start, stop;
  bool down;
  StmtP body;
  Flow Exec(Impl& E) override {
    Box* keep = nullptr;
    Value* cv = var->Place(E, keep, true);
    Value v;
    start->Eval(E, v);
    E.Assign(*cv, v, start->pos);
    const std::int64_t first = cv->i;
    stop->Eval(E, v);
    E.Assign(*cv, v, stop->pos);
    const std::int64_t last = cv->i;
    struct Lock {
      Value* v;
      std::uint8_t was;
      ~Lock() { v->flags = was; }
    } lock{cv, cv->flags};
    cv->flags |= kReadOnly;
    if (down ? first < last : first > last) return Flow::Normal;
    Stmt* b = body.get();
    const bool hook = static_cast<bool>(E.self.OnRunLine());
    for (std::int64_t k = first;; down ? --k : ++k) {
      if (hook) E.CallRunLine(pos);
      cv->i = k;
      const Flow f = b ? b->Exec(E) : Flow::Normal;
      if (f == Flow::Break) break;
      if (f == Flow::Exit) return f;
      if (k == last) break;
    }
    return Flow::Normal;
  }
};

struct WhileStmt : Stmt {
  ExprP cond;
  StmtP body;
  Flow Exec(Impl& E) override {
    for (;;) {
      if (!cond->EvalInt(E)) break;
      E.RunLine(pos);
      const Flow f = Run(E, body.get());
      if (f == Flow::Break) break;
      if (f == Flow::Exit) return f;
    }
    return Flow::Normal;
  }
};

struct RepeatStmt : Stmt {
  std::vector<StmtP> list;
  ExprP cond;
  Flow Exec(Impl& E) override {
    E.Enter(pos);
    for (;;) {
      E.RunLine(pos);
      Flow f = Flow::Normal;
      for (auto& s : list) {
        f = s->Exec(E);
        if (f != Flow::Normal) break;
      }
      if (f == Flow::Break) break;
      if (f == Flow::Exit) {
        --E.depth;
        return f;
      }
      Value c;
      cond->Eval(E, c);
      if (c.i) break;
    }
    --E.depth;
    return Flow::Normal;
  }
};

struct WithStmt : Stmt {
  std::vector<WithTarget> targets;
  StmtP body;
  Flow Exec(Impl& E) override {
    struct Clear {
      Impl& E;
      Value* fp;
      std::vector<WithTarget>& t;
      ~Clear() {
        for (auto& w : t) fp[w.slot].Release();
      }
    } clear{E, E.fp, targets};
    for (auto& w : targets) {
      Box* keep = nullptr;
      Value& r = Deref(*w.designator->Place(E, keep, false));
      Value& slot = E.fp[w.slot];
      if (r.code == tcClass || r.code == tcNil) {
        E.Live(r, w.designator->pos);
        slot = r;
        slot.flags = 0;
        continue;
      }
      if (r.code != tcRecord) E.Fail(ecNotClass, w.designator->pos);
      slot.Release();
      slot.code = tcVariant;
      slot.ref.target = &r;
      slot.ref.keep = keep;
      Retain(keep);
    }
    return Run(E, body.get());
  }
};

Flow RunList(Impl& E, std::vector<StmtP>& list, std::int32_t pos) {
  E.Enter(pos);
  for (auto& s : list) {
    const Flow f = s->Exec(E);
    if (f != Flow::Normal) {
      --E.depth;
      return f;
    }
  }
  --E.depth;
  return Flow::Normal;
}

struct TryStmt : Stmt {
  std::vector<StmtP> block, handler;
  bool isFinally;
  std::int32_t handlerPos;
  Flow Exec(Impl& E) override {
    const int depth = E.depth;
    Flow f;
    try {
      f = RunList(E, block, pos);
    } catch (const ScriptThrow&) {
      E.depth = depth;
      TIfPasScript& S = E.self;
      const std::uint16_t code = S.ErrorCode();
      // Faults of the text are not caught, and neither is a stop asked for.
      if (code < 0x8000 || code == ecExitCommand) throw;
      E.CatchError();
      if (!isFinally) return RunList(E, handler, handlerPos);
      const Flow hf = RunList(E, handler, handlerPos);
      if (hf != Flow::Normal) return hf;
      E.RestoreCaught();
      throw;
    }
    // break, continue and exit also run the finally block.
    if (isFinally) {
      const Flow hf = RunList(E, handler, handlerPos);
      if (hf != Flow::Normal) return hf;
    }
    return f;
  }
};

struct FlowStmt : Stmt {
  Flow flow;
  Flow Exec(Impl& E) override {
    E.flowPos = pos;
    return flow;
  }
};

template <typename T>
std::unique_ptr<T> New(std::int32_t pos) {
  auto n = std::make_unique<T>();
  n->pos = pos;
  return n;
}

}  // namespace

Value* Expr::Place(Impl& E, Box*& keep, bool forWrite) {
  if (forWrite) E.Fail(ecVariableExpected, pos);
  Value& t = E.fp[tempSlot];
  Eval(E, t);
  keep = nullptr;
  return &t;
}

// ------------------------------------------------------------ constructors

ExprP MakeConst(Value v, std::int32_t pos) {
  auto e = New<ConstExpr>(pos);
  e->stype = v.type;
  e->v = std::move(v);
  return e;
}

ExprP MakeLocal(int slot, TTypeRec* type, bool isRef, std::int32_t pos) {
  auto e = New<LocalExpr>(pos);
  e->slot = slot;
  e->isRef = isRef;
  e->stype = type;
  e->isLValue = true;
  return e;
}

ExprP MakeGlobal(Global* g, std::int32_t pos) {
  auto e = New<GlobalExpr>(pos);
  e->g = g;
  e->stype = Deref(g->value).type;
  e->isLValue = true;
  return e;
}

ExprP MakeIndex(ExprP base, std::vector<ExprP> indices, std::int32_t pos) {
  auto e = New<IndexExpr>(pos);
  TTypeRec* t = base->stype;
  for (std::size_t k = 0; k < indices.size() && t; ++k) t = t->code == tcArray ? t->ext : nullptr;
  e->stype = t;
  e->isLValue = base->isLValue;
  e->hasScriptCall = base->hasScriptCall;
  for (auto& ix : indices) e->hasScriptCall = e->hasScriptCall || ix->hasScriptCall;
  e->base = std::move(base);
  e->indices = std::move(indices);
  return e;
}

ExprP MakeField(ExprP base, std::string name, std::int32_t pos) {
  auto e = New<FieldExpr>(pos);
  if (base->stype && base->stype->code == tcRecord) {
    const int k = base->stype->FieldIndex(name);
    if (k >= 0) e->stype = base->stype->fields[k].type;
  }
  e->isLValue = base->isLValue;
  e->hasScriptCall = base->hasScriptCall;
  e->base = std::move(base);
  e->name = std::move(name);
  return e;
}

ExprP MakeInstanceField(ExprP base, int index, TTypeRec* type, std::int32_t pos) {
  auto e = New<InstanceFieldExpr>(pos);
  e->stype = type;
  e->isLValue = true;
  e->hasScriptCall = base->hasScriptCall;
  e->base = std::move(base);
  e->index = index;
  return e;
}

ExprP MakeProperty(ExprP base, const TPropertyDef* prop, std::int32_t pos) {
  auto e = New<PropertyExpr>(pos);
  e->stype = prop->type;
  e->hasScriptCall = true;
  e->base = std::move(base);
  e->prop = prop;
  return e;
}

bool IsPropertyExpr(const Expr& e) { return dynamic_cast<const PropertyExpr*>(&e) != nullptr; }

ExprP MakeMethodCall(ExprP base, TProcedure* method, std::vector<ExprP> args, bool isStatic, std::int32_t pos) {
  auto e = New<MethodCallExpr>(pos);
  e->stype = method->decl.result;
  e->isCall = true;
  e->hasScriptCall = true;
  e->base = std::move(base);
  e->method = method;
  e->args = std::move(args);
  e->isStatic = isStatic;
  return e;
}

ExprP MakeConstruct(TTypeRec* cls, ExprP classRef, TProcedure* ctor, std::vector<ExprP> args, std::int32_t pos) {
  auto e = New<ConstructExpr>(pos);
  e->stype = cls ? cls : classRef->stype->ext;
  e->isCall = true;
  e->hasScriptCall = true;
  e->cls = cls;
  e->classRef = std::move(classRef);
  e->ctor = ctor;
  e->args = std::move(args);
  return e;
}

ExprP MakeIsAs(bool isAs, ExprP l, TTypeRec* cls, std::int32_t pos, TTypeRec* boolean) {
  auto e = New<IsAsExpr>(pos);
  e->stype = isAs ? cls : boolean;
  e->hasScriptCall = l->hasScriptCall;
  e->isAs = isAs;
  e->l = std::move(l);
  e->cls = cls;
  return e;
}

ExprP MakeBinary(int op, ExprP l, ExprP r, std::int32_t pos, TTypeRec* boolean) {
  if (l->stype && r->stype && IsIntegerCode(l->stype->code) && IsIntegerCode(r->stype->code) && op != opDivide) {
    auto e = New<IntBinaryExpr>(pos);
    e->op = op;
    e->code = l->stype->code;
    e->stype = IsCompare(op) ? boolean : l->stype;
    e->hasScriptCall = l->hasScriptCall || r->hasScriptCall;
    e->l = std::move(l);
    e->r = std::move(r);
    return e;
  }
  auto e = New<BinaryExpr>(pos);
  e->op = op;
  e->hasScriptCall = l->hasScriptCall || r->hasScriptCall;
  if (IsCompare(op)) e->stype = boolean;
  else if (op == opDivide) e->stype = l->stype && IsRealCode(l->stype->code) ? l->stype : nullptr;
  else if (l->stype && r->stype && IsIntegerCode(l->stype->code) && IsRealCode(r->stype->code)) e->stype = nullptr;
  else if (l->stype && l->stype->code == tcChar) e->stype = nullptr;
  else e->stype = l->stype;
  e->l = std::move(l);
  e->r = std::move(r);
  return e;
}

ExprP MakeUnary(int op, ExprP x, std::int32_t pos) {
  auto e = New<UnaryExpr>(pos);
  e->op = op;
  e->stype = x->stype;
  e->hasScriptCall = x->hasScriptCall;
  e->e = std::move(x);
  return e;
}

ExprP MakeNested(ExprP x, std::int32_t pos) {
  auto e = New<NestedExpr>(pos);
  e->stype = x->stype;
  e->hasScriptCall = x->hasScriptCall;
  e->e = std::move(x);
  return e;
}

ExprP MakeConvert(TTypeRec* type, ExprP x, std::int32_t pos) {
  if (type && x->stype == type && !x->isLValue) return x;
  auto e = New<ConvertExpr>(pos);
  e->type = type;
  e->stype = type ? type : x->stype;
  e->hasScriptCall = x->hasScriptCall;
  e->e = std::move(x);
  return e;
}

ExprP MakeCall(TProcedure* proc, std::vector<ExprP> args, std::int32_t pos) {
  auto e = New<CallExpr>(pos);
  e->proc = proc;
  e->stype = proc->decl.result;
  e->isCall = true;
  e->hasScriptCall = proc->kind == pkScript;
  for (auto& a : args) e->hasScriptCall = e->hasScriptCall || a->hasScriptCall;
  e->args = std::move(args);
  return e;
}

ExprP MakeIndirectCall(ExprP target, std::vector<ExprP> args, std::int32_t pos) {
  auto e = New<IndirectCallExpr>(pos);
  e->stype = target->stype->procParams->result;
  e->isCall = true;
  e->hasScriptCall = true;
  e->target = std::move(target);
  e->args = std::move(args);
  return e;
}

ExprP MakeArrayLiteral(TTypeRec* arrayType, std::vector<ExprP> elems, std::int32_t pos) {
  auto e = New<ArrayLiteralExpr>(pos);
  e->stype = arrayType;
  for (auto& x : elems) e->hasScriptCall = e->hasScriptCall || x->hasScriptCall;
  e->elems = std::move(elems);
  return e;
}

bool SameVariable(const Expr& a, const Expr& b) {
  const auto* la = dynamic_cast<const LocalExpr*>(&a);
  const auto* lb = dynamic_cast<const LocalExpr*>(&b);
  if (la && lb) return la->slot == lb->slot && la->isRef == lb->isRef;
  const auto* ga = dynamic_cast<const GlobalExpr*>(&a);
  const auto* gb = dynamic_cast<const GlobalExpr*>(&b);
  return ga && gb && ga->g == gb->g;
}

// s := s + a + b ... is a chain of '+' nodes leaning left with s at its end.
bool SplitAppend(ExprP& v, const Expr& target, std::vector<ExprP>* parts, std::vector<std::int32_t>* opPos) {
  std::vector<BinaryExpr*> chain;
  Expr* node = v.get();
  while (auto* bin = dynamic_cast<BinaryExpr*>(node)) {
    if (bin->op != opAdd || bin->r->hasScriptCall) return false;
    chain.push_back(bin);
    node = bin->l.get();
  }
  if (chain.empty() || !SameVariable(*node, target)) return false;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    parts->push_back(std::move((*it)->r));
    opPos->push_back((*it)->pos);
  }
  return true;
}

StmtP MakeErrorStmt(const CompileFault& f) {
  auto s = New<ErrorStmt>(f.position);
  s->f = f;
  return s;
}

StmtP MakeAssign(ExprP target, ExprP value, std::int32_t pos, std::int32_t endPos) {
  auto s = New<AssignStmt>(pos);
  s->target = std::move(target);
  if (value->stype && IsIntegerCode(value->stype->code)) s->intValue = value->stype->code;
  s->value = std::move(value);
  s->endPos = endPos;
  return s;
}

StmtP MakePropertyAssign(ExprP property, ExprP value, std::int32_t pos, std::int32_t endPos) {
  auto s = New<PropertyAssignStmt>(pos);
  s->property = std::move(property);
  s->value = std::move(value);
  s->endPos = endPos;
  return s;
}

StmtP MakeAppend(ExprP target, std::vector<ExprP> parts, std::vector<std::int32_t> opPos, std::int32_t pos) {
  auto s = New<AppendStmt>(pos);
  s->target = std::move(target);
  s->parts = std::move(parts);
  s->opPos = std::move(opPos);
  return s;
}

StmtP MakeCallStmt(ExprP call, std::int32_t pos) {
  auto s = New<CallStmt>(pos);
  s->call = std::move(call);
  return s;
}

StmtP MakeCompound(std::vector<StmtP> list, std::int32_t pos) {
  auto s = New<CompoundStmt>(pos);
  s->list = std::move(list);
  return s;
}

StmtP MakeIf(ExprP cond, StmtP then, StmtP otherwise, std::int32_t pos, std::int32_t elsePos) {
  auto s = New<IfStmt>(pos);
  s->cond = std::move(cond);
  s->then = std::move(then);
  s->otherwise = std::move(otherwise);
  s->elsePos = elsePos;
  return s;
}

StmtP MakeCase(ExprP selector, std::vector<CaseBranch> branches, StmtP otherwise, std::int32_t pos) {
  auto s = New<CaseStmt>(pos);
  s->selector = std::move(selector);
  s->branches = std::move(branches);
  s->otherwise = std::move(otherwise);
  return s;
}

StmtP MakeFor(ExprP var, ExprP start, ExprP stop, bool down, StmtP body, std::int32_t pos) {
  auto s = New<ForStmt>(pos);
  s->var = std::move(var);
  s->start = std::move(start);
  s->stop = std::move(stop);
  s->down = down;
  s->body = std::move(body);
  return s;
}

StmtP MakeWhile(ExprP cond, StmtP body, std::int32_t pos) {
  auto s = New<WhileStmt>(pos);
  s->cond = std::move(cond);
  s->body = std::move(body);
  return s;
}

StmtP MakeRepeat(std::vector<StmtP> body, ExprP cond, std::int32_t pos) {
  auto s = New<RepeatStmt>(pos);
  s->list = std::move(body);
  s->cond = std::move(cond);
  return s;
}

StmtP MakeWith(std::vector<WithTarget> targets, StmtP body, std::int32_t pos) {
  auto s = New<WithStmt>(pos);
  s->targets = std::move(targets);
  s->body = std::move(body);
  return s;
}

StmtP MakeTry(std::vector<StmtP> block, std::vector<StmtP> handler, bool isFinally, std::int32_t pos,
              std::int32_t handlerPos) {
  auto s = New<TryStmt>(pos);
  s->block = std::move(block);
  s->handler = std::move(handler);
  s->isFinally = isFinally;
  s->handlerPos = handlerPos;
  return s;
}

StmtP MakeFlow(Flow f, std::int32_t pos) {
  auto s = New<FlowStmt>(pos);
  s->flow = f;
  return s;
}

// ------------------------------------------------------------ frames

FrameScope::FrameScope(Impl& e, const CompiledBody& body, std::int32_t pos)
    : e_(e), n_(body.slotTypes.size()), savedFp_(e.fp) {
  slots_ = e.stack.Push(n_, &mark_);
  if (!slots_) e.Fail(ecOutOfMemory, pos);
  for (std::size_t k = body.paramCount; k < n_; ++k) {
    if (TTypeRec* t = body.slotTypes[k]) slots_[k].Init(t);
    if (body.slotIsHolder[k]) slots_[k].flags |= kHolder;
  }
}

FrameScope::~FrameScope() {
  for (std::size_t k = 0; k < n_; ++k)
    if (slots_[k].code != tcNone) slots_[k].Release();
  e_.stack.Pop(mark_);
  e_.fp = savedFp_;
}

ArgumentSlots::ArgumentSlots(Impl& e, std::size_t n, std::int32_t pos) : e_(e), n_(n) {
  slots_ = e.stack.Push(n_, &mark_);
  if (!slots_) e.Fail(ecOutOfMemory, pos);
}

ArgumentSlots::~ArgumentSlots() {
  for (std::size_t k = 0; k < n_; ++k) slots_[k].Release();
  e_.stack.Pop(mark_);
}

// ------------------------------------------------------------ value rules

void Impl::Assign(Value& dst, const Value& src, std::int32_t pos) {
  const std::uint8_t flags = dst.flags;
  if ((flags & kHolder) || (dst.code == tcNone && !dst.type)) {
    dst = src;
    dst.flags = flags & ~kReadOnly;
    return;
  }
  const unsigned dc = dst.code, sc = src.code;
  switch (dc) {
    case tcByte: case tcShortInt: case tcWord: case tcSmallInt: case tcCardinal: case tcLongInt:
      if (!IsIntegerCode(sc)) Fail(ecTypeMismatch, pos);
      dst.i = WrapInteger(dc, src.i);
      return;
    case tcChar:
      if (sc == tcChar) dst.i = src.i;
      else if (sc == tcString && src.Str().size() == 1) dst.i = static_cast<unsigned char>(src.Str()[0]);
      else Fail(ecTypeMismatch, pos);
      return;
    case tcString:
      if (sc == tcChar) {
        const char c = static_cast<char>(src.i);
        dst.SetStr(std::string_view(&c, 1));
      } else if (sc == tcString) {
        if (dst.s != src.s) {
          if (dst.s && --dst.s->refs == 0) delete dst.s;
          dst.s = src.s;
          if (dst.s) ++dst.s->refs;
        }
      } else {
        Fail(ecTypeMismatch, pos);
      }
      return;
    case tcReal: case tcSingle: case tcDouble: case tcExtended: case tcComp:
      if (!IsNumberCode(sc)) Fail(ecTypeMismatch, pos);
      dst.r = RoundReal(dc, IsIntegerCode(sc) ? static_cast<long double>(src.i) : src.r);
      return;
    case tcBoolean:
      if (sc != tcBoolean) Fail(ecTypeMismatch, pos);
      dst.i = src.i;
      return;
    case tcEnum:
      if (src.type != dst.type) Fail(ecTypeMismatch, pos);
      dst.i = src.i;
      return;
    case tcClass:
      if (sc == tcNil) {
        dst.res.ptr = nullptr;
        return;
      }
      if (sc != tcClass || !ClassDescends(src.type, dst.type)) Fail(ecTypeMismatch, pos);
      dst.res.ptr = src.res.ptr;
      return;
    case tcClassRef:
      if (sc == tcNil) {
        dst.res.ptr = nullptr;
        return;
      }
      if (sc != tcClassRef || !ClassDescends(static_cast<TTypeRec*>(src.res.ptr), dst.type->ext))
        Fail(ecTypeMismatch, pos);
      dst.res.ptr = src.res.ptr;
      return;
    case tcResourcePointer:
      if (sc != tcResourcePointer) Fail(ecTypeMismatch, pos);
      dst.res = src.res;
      return;
    case tcProcType:
      if (sc == tcNil) {
        dst.proc = nullptr;
        return;
      }
      if (sc != tcProcType || !SameParams(*dst.type->procParams, *src.type->procParams)) Fail(ecTypeMismatch, pos);
      dst.proc = src.proc;
      return;
    case tcArray: {
      if (sc != tcArray) Fail(ecTypeMismatch, pos);
      auto rep = std::make_unique<ArrRep>();
      rep->items.reserve(src.a->items.size());
      for (Box* b : src.a->items) {
        Box* nb = new Box;
        rep->items.push_back(nb);
        nb->v.Init(dst.type->ext);
        if (!dst.type->ext) nb->v.flags |= kHolder;
        Assign(nb->v, b->v, pos);
      }
      delete dst.a;
      dst.a = rep.release();
      return;
    }
    case tcRecord: {
      if (src.type != dst.type) Fail(ecTypeMismatch, pos);
      if (&src == &dst) return;
      for (std::size_t k = 0; k < dst.rec->fields.size(); ++k) Assign(dst.rec->fields[k], src.rec->fields[k], pos);
      return;
    }
    default: Fail(ecTypeMismatch, pos);
  }
}

void Impl::Binary(int op, Value& l, const Value& r, std::int32_t pos) {
  const unsigned lc = l.code, rc = r.code;
  if (IsIntegerCode(lc) && IsIntegerCode(rc)) {
    const std::int64_t a = l.i, b = r.i;
    switch (op) {
      case opAdd: l.i = WrapInteger(lc, a + b); return;
      case opSub: l.i = WrapInteger(lc, a - b); return;
      case opMul:
        l.i = WrapInteger(lc, static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b)));
        return;
      case opDivide:
        if (b == 0) Fail(ecDivideByZero, pos);
        SetExtended(*this, l, static_cast<long double>(a) / static_cast<long double>(b));
        return;
      case opDiv:
        if (b == 0) Fail(ecDivideByZero, pos);
        l.i = WrapInteger(lc, a / b);
        return;
      case opMod:
        if (b == 0) Fail(ecDivideByZero, pos);
        l.i = WrapInteger(lc, a % b);
        return;
      case opAnd: l.i = WrapInteger(lc, a & b); return;
      case opOr: l.i = WrapInteger(lc, a | b); return;
      case opXor: l.i = WrapInteger(lc, a ^ b); return;
      case opShl:
        l.i = WrapInteger(lc, static_cast<std::int64_t>(static_cast<std::uint64_t>(a) << (b & 31)));
        return;
      case opShr: l.i = WrapInteger(lc, static_cast<std::uint32_t>(a) >> (b & 31)); return;
      default:
        if (IsCompare(op)) return SetBool(*this, l, Compare(op, a, b));
        Fail(ecErrorInExpression, pos);
    }
  }
  if (IsNumberCode(lc) && IsNumberCode(rc)) {
    const long double a = IsIntegerCode(lc) ? static_cast<long double>(l.i) : l.r;
    const long double b = IsIntegerCode(rc) ? static_cast<long double>(r.i) : r.r;
    auto store = [&](long double x) {
      if (IsIntegerCode(lc)) SetExtended(*this, l, x);
      else l.r = RoundReal(lc, x);
    };
    switch (op) {
      case opAdd: return store(a + b);
      case opSub: return store(a - b);
      case opMul: return store(a * b);
      case opDivide:
        if (b == 0) Fail(ecDivideByZero, pos);
        return store(a / b);
      default:
        if (IsCompare(op)) return SetBool(*this, l, Compare(op, a, b));
        Fail(ecTypeMismatch, pos);
    }
  }
  if (lc == tcString || lc == tcChar) {
    std::string_view rs;
    char rch;
    if (rc == tcString) {
      rs = r.Str();
    } else if (rc == tcChar) {
      rch = static_cast<char>(r.i);
      rs = std::string_view(&rch, 1);
    } else {
      Fail(ecTypeMismatch, pos);
    }
    if (op == opAdd) {
      if ((lc == tcString ? l.Str().size() : 1) + rs.size() > TIfPasScript::kMaxStringLength) Fail(ecOutOfMemory, pos);
      if (lc == tcChar) {
        std::string s(1, static_cast<char>(l.i));
        s.append(rs);
        l.Init(stdTypes[tcString]);
        l.SetStr(s);
      } else if (!rs.empty()) {
        l.MutableStr().append(rs);
      }
      return;
    }
    if (!IsCompare(op)) Fail(ecTypeMismatch, pos);
    if (lc == tcChar && rs.size() != 1) Fail(ecTypeMismatch, pos);
    char lch = static_cast<char>(l.i);
    const std::string_view ls = lc == tcChar ? std::string_view(&lch, 1) : l.Str();
    // Byte order: compare as unsigned bytes.
    const int c = ls.compare(rs);
    return SetBool(*this, l, Compare(op, c, 0));
  }
  if (lc == tcBoolean && (rc == tcBoolean || (IsIntegerCode(rc) && (op == opAnd || op == opOr || op == opXor)))) {
    const bool a = l.i != 0, b = r.i != 0;
    switch (op) {
      case opAnd: l.i = a && b; return;
      case opOr: l.i = a || b; return;
      case opXor: l.i = a != b; return;
      default:
        if (IsCompare(op) && rc == tcBoolean) return SetBool(*this, l, Compare(op, l.i, r.i));
        Fail(ecTypeMismatch, pos);
    }
  }
  if (lc == tcEnum && l.type == r.type && IsCompare(op)) return SetBool(*this, l, Compare(op, l.i, r.i));
  auto identity = [](const Value& v) -> const void* {
    return v.code == tcProcType ? static_cast<const void*>(v.proc) : v.code == tcNil ? nullptr : v.res.ptr;
  };
  auto isReference = [](unsigned c) { return c == tcNil || c == tcProcType || c == tcClass || c == tcClassRef; };
  if (isReference(lc) && isReference(rc) && (op == opEq || op == opNe)) {
    const void* a = identity(l);
    const void* b = identity(r);
    return SetBool(*this, l, (a == b) == (op == opEq));
  }
  Fail(ecTypeMismatch, pos);
}

void Impl::Unary(int op, Value& v, std::int32_t pos) {
  switch (op) {
    case opNeg:
      if (IsIntegerCode(v.code)) v.i = WrapInteger(v.code, -v.i);
      else if (IsRealCode(v.code)) v.r = -v.r;
      else Fail(ecTypeMismatch, pos);
      return;
    case opNot:
      if (IsIntegerCode(v.code)) v.i = WrapInteger(v.code, ~v.i);
      else if (v.code == tcBoolean) v.i = !v.i;
      else Fail(ecTypeMismatch, pos);
      return;
    default:
      if (!IsNumberCode(v.code)) Fail(ecTypeMismatch, pos);
  }
}

// ------------------------------------------------------------ calls

void Impl::CallExternal(TProcedure* proc, Value* result, std::span<Value> args, std::int32_t pos) {
  Value res;
  if (proc->decl.isFunction) {
    res.Init(proc->decl.result);
    if (!proc->decl.result) res.flags |= kHolder;
  }
  if (!proc->callback) Fail(ecUnknownIdentifier, pos, proc->name);
  const std::int32_t saved = P().Cursor();
  P().Seek(pos);
  std::uint16_t r;
  try {
    r = proc->callback(self, proc->hostData, *proc, proc->decl.isFunction ? &res : nullptr, args);
  } catch (const ScriptThrow&) {
    P().SetCursor(saved);
    throw;
  } catch (const std::exception& ex) {
    // A library fault ends the run with its text instead of leaving the engine.
    P().SetCursor(saved);
    Fail(ecCustomError, pos, ex.what());
  }
  P().SetCursor(saved);
  if (r != 0 && r != ecExitCommand) Fail(r, pos);
  if (self.error_.code) throw ScriptThrow{};
  if (result && proc->decl.isFunction) {
    *result = std::move(res);
    result->flags = 0;
  }
}

void Impl::CatchError() {
  self.caught_ = self.error_;
  self.error_ = {};
}

void Impl::RestoreCaught() { self.error_ = self.caught_; }

// Runs a procedure of this unit for a using engine, with its hooks and depth;
// an error is handed to the user with this unit's position and module.
void Impl::InvokeFromUser(Impl& user, TProcedure* proc, std::span<Value> args, Value* result, std::int32_t pos) {
  auto savedHook = self.onRunLine_;
  const int savedDepth = depth, savedLimit = depthLimit;
  self.onRunLine_ = user.self.onRunLine_;
  depth = user.depth;
  depthLimit = user.depthLimit;
  self.error_ = {};
  bool failed = false;
  try {
    if (!proc->compiled) proc->compiled = CompileBody(proc, proc->body);
    CompiledBody& b = *proc->compiled;
    Enter(pos);
    FrameScope frame(*this, b, pos);
    for (std::size_t k = 0; k < args.size(); ++k) frame.Slots()[k] = std::move(args[k]);
    if (b.failed) Fail(b.fault.code, b.fault.position, b.fault.text);
    fp = frame.Slots();
    b.body->Exec(*this);
    if (result && b.resultSlot >= 0) {
      *result = std::move(fp[b.resultSlot]);
      result->flags = 0;
    }
  } catch (const ScriptThrow&) {
    failed = true;
  }
  self.onRunLine_ = savedHook;
  depth = savedDepth;
  depthLimit = savedLimit;
  if (failed) {
    if (!user.self.error_.code) user.self.error_ = self.error_;
    self.error_ = {};
    throw ScriptThrow{};
  }
}

void TIfPasScript::RunMain() {
  Impl& I = *impl_;
  error_ = {};
  I.depth = 0;
  if (I.mainPos < 0) return;
  I.depthLimit = maxDepth_ > 0 ? std::min(maxDepth_, kHardDepthLimit) : kHardDepthLimit;
  I.running = true;
  try {
    if (!I.mainBody) I.mainBody = I.CompileBody(nullptr, I.mainPos);
    CompiledBody& b = *I.mainBody;
    if (b.failed) I.Fail(b.fault.code, b.fault.position, b.fault.text);
    FrameScope frame(I, b, I.mainPos);
    I.fp = frame.Slots();
    const Flow f = b.body->Exec(I);
    if (f == Flow::Break || f == Flow::Continue) I.Fail(ecPeriodExpected, I.flowPos);
    if (f != Flow::Exit) {
      parser_.Seek(b.endPos);
      if (parser_.CurrentKind() != tkPeriod) I.Fail(ecPeriodExpected, b.endPos);
    }
  } catch (const ScriptThrow&) {
  } catch (const std::bad_alloc&) {
    SetErrorAt(ecOutOfMemory, parser_.CurrentPosition());
  } catch (const std::exception& e) {
    SetErrorAt(ecCustomError, parser_.CurrentPosition(), e.what());
  }
  I.running = false;
  I.fp = nullptr;
  if (error_.code == ecExitCommand) error_ = {};
  I.depth = 0;
}

}  // namespace tamber::script
