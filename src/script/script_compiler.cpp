// Builds the node tree of a procedure body or the main block from its tokens.
// Every name is resolved here: locals to frame slots, globals to their
// storage, procedures to their records. A fault inside a statement becomes a
// node that raises it when run; the tokens of that statement are then passed
// over as the block executor skips a statement, so that the statements after
// it are still built.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "script/script_internal.h"

namespace tamber::script {

namespace {

bool IsIntegerTarget(const TTypeRec* t) {
  return t && (t->code == tcShortInt || t->code == tcWord || t->code == tcSmallInt || t->code == tcCardinal ||
               t->code == tcLongInt);
}

bool EndsExpression(TokenKind k) {
  switch (k) {
    case tkSemicolon: case tkComma: case tkCloseRound: case tkCloseBlock: case kwDo: case kwDownto:
    case kwElse: case kwEndKw: case kwTo: case kwUntil: case kwThen: case kwOf: case tkColon:
    case kwExcept: case kwFinally: case tkPeriod: case tkEnd: case tkAssign:
      return true;
    default: return false;
  }
}

int Precedence(TokenKind k) {
  switch (k) {
    case tkMultiply: case tkDivide: case kwDiv: case kwMod: case kwAnd: case kwShl: case kwShr: case kwAs:
      return 3;
    case tkPlus: case tkMinus: case kwOr: case kwXor: return 2;
    case tkEqual: case tkNotEqual: case tkLess: case tkGreater: case tkLessEqual: case tkGreaterEqual: case kwIs:
      return 1;
    default: return 0;
  }
}

class Compiler {
 public:
  Compiler(Impl& e, TProcedure* proc, CompiledBody& body) : E(e), p(e.P()), proc_(proc), body_(body) {}

  void DeclareParams() {
    if (!proc_) return;
    // A method's first slot is SELF, the instance it runs on.
    if (proc_->classType) AddLocal("SELF", proc_->classType, false);
    for (const TParam& prm : proc_->decl.params) {
      AddLocal(prm.name, prm.type, prm.mode != pmValue);
    }
    body_.paramCount = static_cast<int>(body_.slotTypes.size());
    if (proc_->decl.isFunction) {
      body_.resultSlot = AddLocal("RESULT", proc_->decl.result, false);
    }
  }

  // [var {names : type ;}] begin ... end
  void LocalVars() {
    if (p.CurrentKind() != kwVar) return;
    p.Next();
    do {
      std::vector<std::string> names;
      for (;;) {
        if (p.CurrentKind() != tkIdentifier) Fault(ecIdentifierExpected);
        const std::string n = p.CurrentText();
        if (E.NameInUse(n) || FindLocal(n) >= 0 || std::find(names.begin(), names.end(), n) != names.end())
          Fault(ecDuplicateIdentifier);
        names.push_back(n);
        p.Next();
        if (p.CurrentKind() == tkComma) {
          p.Next();
          continue;
        }
        if (p.CurrentKind() != tkColon) Fault(ecColonExpected);
        p.Next();
        break;
      }
      TTypeRec* t = nullptr;
      try {
        t = E.ParseType(false);
      } catch (const ScriptThrow&) {
        TIFSError err = E.self.Error();
        E.self.ClearError();
        throw CompileFault{err.code, err.position, err.text};
      }
      if (p.CurrentKind() != tkSemicolon) Fault(ecSemicolonExpected);
      p.Next();
      for (auto& n : names) AddLocal(n, t, false);
    } while (p.CurrentKind() == tkIdentifier);
  }

  StmtP Body() {
    if (p.CurrentKind() != kwBegin) Fault(ecBeginExpected);
    return Compound();
  }

  ExprP ConstExpression() { return Expression(nullptr, true); }

 private:
  struct Local {
    std::string name;
    int slot;
    TTypeRec* type;
    bool isRef;
  };
  struct With {
    int slot;
    TTypeRec* type;
  };
  struct Member {
    int field = -1;
    const TPropertyDef* prop = nullptr;
    TProcedure* method = nullptr;
    bool Found() const { return field >= 0 || prop || method; }
  };

  // The class whose method is being built: its private and protected
  // members are visible, and so are methods of any visibility.
  TTypeRec* Ctx() const { return proc_ ? proc_->classType : nullptr; }
  bool Visible(std::uint8_t vis, const TTypeRec* owner) const {
    const TTypeRec* ctx = Ctx();
    if (vis == visPublic) return true;
    if (!ctx) return false;
    if (vis == visPrivate) return ctx == owner;
    return ClassDescends(ctx, owner);
  }
  // Fields and properties visible here, then methods, nearest class first.
  Member FindMember(TTypeRec* cls, const std::string& name) const {
    Member m;
    const auto& fs = cls->cls->fields;
    for (std::size_t k = 0; k < fs.size(); ++k)
      if (fs[k].name == name && Visible(fs[k].visibility, fs[k].owner)) {
        m.field = static_cast<int>(k);
        return m;
      }
    for (TTypeRec* c = cls; c && c->cls; c = c->cls->ancestor)
      for (const TPropertyDef& d : c->cls->properties)
        if (d.name == name && Visible(d.visibility, c)) {
          m.prop = &d;
          return m;
        }
    if (TProcedure* pm = TIfPasScript::FindMethod(cls, "!" + name); pm && (Ctx() || (pm->flags & 3) == visPublic))
      m.method = pm;
    return m;
  }
  // The member found on base; the cursor is on the token after its name.
  ExprP MemberOf(ExprP base, TTypeRec* cls, const Member& m, std::int32_t pos) {
    if (m.field >= 0) return MakeInstanceField(std::move(base), m.field, cls->cls->fields[m.field].type, pos);
    if (m.prop) return MakeProperty(std::move(base), m.prop, pos);
    std::vector<ExprP> args = Arguments(m.method->decl);
    ExprP call = MakeMethodCall(std::move(base), m.method, std::move(args), false, pos);
    call->tempSlot = Temp();
    return call;
  }

  Impl& E;
  TIfPascalParser& p;
  TProcedure* proc_;
  CompiledBody& body_;
  std::vector<Local> locals_;
  std::vector<With> withs_;  // in lookup order
  int nesting_ = 0;

  [[noreturn]] void Fault(std::uint16_t code, std::string_view text = {}) {
    throw CompileFault{code, p.CurrentPosition(), std::string(text)};
  }

  int AddLocal(const std::string& name, TTypeRec* type, bool isRef) {
    const int slot = static_cast<int>(body_.slotTypes.size());
    body_.slotTypes.push_back(isRef ? nullptr : type);
    body_.slotIsHolder.push_back(!isRef && !type);
    locals_.push_back({name, slot, type, isRef});
    return slot;
  }
  int Temp() {
    body_.slotTypes.push_back(nullptr);
    body_.slotIsHolder.push_back(0);
    return static_cast<int>(body_.slotTypes.size()) - 1;
  }
  int FindLocal(const std::string& name) const {
    for (std::size_t k = 0; k < locals_.size(); ++k)
      if (locals_[k].name == name) return static_cast<int>(k);
    return -1;
  }

  struct NestGuard {
    Compiler& c;
    explicit NestGuard(Compiler& cc) : c(cc) {
      if (++c.nesting_ > std::min(c.E.depthLimit, TIfPasScript::kMaxTextNesting)) c.Fault(ecOutOfMemory);
    }
    ~NestGuard() { --c.nesting_; }
  };

  // ------------------------------------------------------------ skipping

  // Passes over one statement as the block executor skips it.
  void SkipStatement() {
    auto skipBlock = [&]() {
      int level = 0;
      for (;;) {
        switch (p.CurrentKind()) {
          case kwBegin: case kwCase: case kwRepeat: case kwTry: ++level; break;
          case kwEndKw: case kwUntil: --level; break;
          case tkEnd: Fault(ecUnexpectedEnd);
          default: break;
        }
        p.Next();
        if (level == 0) return;
      }
    };
    switch (p.CurrentKind()) {
      case kwBegin: case kwCase: case kwRepeat: case kwTry: case kwExcept: case kwFinally:
        if (p.CurrentKind() == kwExcept || p.CurrentKind() == kwFinally) {
          p.Next();
          int level = 1;
          for (;;) {
            switch (p.CurrentKind()) {
              case kwBegin: case kwCase: case kwRepeat: case kwTry: ++level; break;
              case kwEndKw: case kwUntil: --level; break;
              case tkEnd: Fault(ecUnexpectedEnd);
              default: break;
            }
            p.Next();
            if (level == 0) return;
          }
        }
        skipBlock();
        return;
      default: break;
    }
    int ifs = 1;
    for (;;) {
      switch (p.CurrentKind()) {
        case tkSemicolon: case kwEndKw: case kwUntil: return;
        case kwIf: ++ifs; break;
        case kwElse:
          if (--ifs == 0) return;
          break;
        case kwBegin: case kwCase: case kwRepeat: case kwTry:
          skipBlock();
          continue;
        case tkEnd: Fault(ecUnexpectedEnd);
        default: break;
      }
      p.Next();
    }
  }

  // A statement, or its fault as a node with the statement passed over.
  StmtP Guarded() {
    const int start = p.Cursor();
    try {
      return Statement();
    } catch (const CompileFault& f) {
      p.SetCursor(start);
      try {
        SkipStatement();
      } catch (const CompileFault&) {
        // The text ends inside the statement: nothing after it can be built.
        p.SetCursor(static_cast<int>(p.Tokens().size()) - 1);
      }
      if (p.Cursor() == start) p.Next();
      return MakeErrorStmt(f);
    }
  }

  // ------------------------------------------------------------ statements

  // begin {statement} end
  StmtP Compound() {
    NestGuard g(*this);
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    std::vector<StmtP> list;
    for (;;) {
      switch (p.CurrentKind()) {
        case kwEndKw: p.Next(); return MakeCompound(std::move(list), pos);
        case tkSemicolon: p.Next(); continue;
        case kwElse: list.push_back(ErrorHere(ecErrorInStatement)); return Close(std::move(list), pos);
        case kwUntil: case kwExcept: case kwFinally:
          list.push_back(ErrorHere(ecEndExpected));
          return Close(std::move(list), pos);
        case tkEnd: list.push_back(ErrorHere(ecUnexpectedEnd)); return MakeCompound(std::move(list), pos);
        default: list.push_back(Guarded()); break;
      }
    }
  }

  StmtP ErrorHere(std::uint16_t code) { return MakeErrorStmt({code, p.CurrentPosition(), {}}); }

  // After a fault at block level: finds the block's end so that the statements
  // around this block can still be built.
  StmtP Close(std::vector<StmtP> list, std::int32_t pos) {
    int level = 1;
    for (;;) {
      switch (p.CurrentKind()) {
        case kwBegin: case kwCase: case kwRepeat: case kwTry: ++level; break;
        case kwEndKw: case kwUntil: --level; break;
        case tkEnd: return MakeCompound(std::move(list), pos);
        default: break;
      }
      p.Next();
      if (level == 0) break;
    }
    return MakeCompound(std::move(list), pos);
  }

  // Statements up to one of the end words (not consumed); errors by the mode.
  std::vector<StmtP> StatementList(bool repeatMode) {
    std::vector<StmtP> list;
    for (;;) {
      const TokenKind k = p.CurrentKind();
      if (repeatMode && k == kwUntil) return list;
      if (!repeatMode && (k == kwExcept || k == kwFinally)) return list;
      switch (k) {
        case tkSemicolon: p.Next(); continue;
        case kwElse: Fault(ecErrorInStatement);
        case kwEndKw: Fault(repeatMode ? ecUntilExpected : ecExceptExpected);
        case kwUntil: Fault(ecExceptExpected);
        case kwExcept: case kwFinally: Fault(ecUntilExpected);
        case tkEnd: Fault(ecUnexpectedEnd);
        default: list.push_back(Guarded()); break;
      }
    }
  }

  // A single statement, ended by ; else end until except finally (not consumed).
  StmtP Single() {
    NestGuard g(*this);
    const std::int32_t pos = p.CurrentPosition();
    std::vector<StmtP> list;
    for (;;) {
      switch (p.CurrentKind()) {
        case tkSemicolon: case kwElse: case kwEndKw: case kwUntil: case kwExcept: case kwFinally:
          if (list.size() == 1) return std::move(list[0]);
          return MakeCompound(std::move(list), pos);
        case tkEnd: list.push_back(ErrorHere(ecUnexpectedEnd)); return MakeCompound(std::move(list), pos);
        default: list.push_back(Guarded()); break;
      }
    }
  }

  StmtP Statement() {
    const std::int32_t pos = p.CurrentPosition();
    switch (p.CurrentKind()) {
      case tkIdentifier: case tkOpenRound: case kwInherited: return DesignatorStatement();
      case kwBegin: return Compound();
      case kwIf: return IfStatement();
      case kwCase: return CaseStatement();
      case kwFor: return ForStatement();
      case kwWhile: return WhileStatement();
      case kwRepeat: return RepeatStatement();
      case kwWith: return WithStatement();
      case kwTry: return TryStatement();
      case kwExit: p.Next(); return MakeFlow(Flow::Exit, pos);
      case kwBreak: p.Next(); return MakeFlow(Flow::Break, pos);
      case kwContinue: p.Next(); return MakeFlow(Flow::Continue, pos);
      case tkEnd: Fault(ecUnexpectedEnd);
      default: Fault(ecErrorInStatement);
    }
  }

  // designator [:= expression]
  StmtP DesignatorStatement() {
    const std::int32_t pos = p.CurrentPosition();
    ExprP d = Designator();
    if (p.CurrentKind() == tkAssign && IsPropertyExpr(*d)) {
      p.Next();
      ExprP v = Expression(d->stype, d->stype == nullptr);
      return MakePropertyAssign(std::move(d), std::move(v), pos, p.CurrentPosition());
    }
    if (p.CurrentKind() == tkAssign) {
      if (!d->isLValue) {
        if (d->isCall) Fault(ecVariableExpected);
        Fault(ecAssignmentExpected);
      }
      p.Next();
      TTypeRec* target = d->stype;
      ExprP v = Expression(target, target == nullptr);
      const std::int32_t endPos = p.CurrentPosition();
      // s := s + x appends in place when x cannot touch s.
      if (target && target->code == tcString) {
        std::vector<ExprP> parts;
        std::vector<std::int32_t> opPos;
        if (SplitAppend(v, *d, &parts, &opPos)) return MakeAppend(std::move(d), std::move(parts), std::move(opPos), pos);
      }
      return MakeAssign(std::move(d), std::move(v), pos, endPos);
    }
    if (d->isCall) return MakeCallStmt(std::move(d), pos);
    Fault(ecAssignmentExpected);
  }

  StmtP IfStatement() {
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    ExprP c = Expression(E.stdTypes[tcBoolean], false, false);
    ExprP cond = MakeConvert(E.stdTypes[tcBoolean], std::move(c), p.CurrentPosition());
    if (p.CurrentKind() != kwThen) Fault(ecThenExpected);
    p.Next();
    StmtP then = Single();
    StmtP otherwise;
    std::int32_t elsePos = 0;
    if (p.CurrentKind() == kwElse) {
      elsePos = p.CurrentPosition();
      p.Next();
      otherwise = Single();
    }
    return MakeIf(std::move(cond), std::move(then), std::move(otherwise), pos, elsePos);
  }

  StmtP CaseStatement() {
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    ExprP sel = Expression(nullptr, true, false);
    if (p.CurrentKind() != kwOf) Fault(ecOfExpected);
    p.Next();
    std::vector<CaseBranch> branches;
    StmtP otherwise;
    for (;;) {
      if (p.CurrentKind() == kwEndKw) break;
      if (p.CurrentKind() == kwElse) {
        p.Next();
        otherwise = Single();
        if (p.CurrentKind() == tkSemicolon) p.Next();
        if (p.CurrentKind() != kwEndKw) Fault(ecEndExpected);
        break;
      }
      if (p.CurrentKind() == tkEnd) Fault(ecUnexpectedEnd);
      CaseBranch b;
      b.pos = p.CurrentPosition();
      for (;;) {
        // Labels take the selector's type, which is known only when run.
        b.labels.push_back(Expression(sel->stype, sel->stype == nullptr, false));
        if (p.CurrentKind() != tkComma) break;
        p.Next();
      }
      if (p.CurrentKind() != tkColon) Fault(ecColonExpected);
      p.Next();
      b.body = Single();
      if (p.CurrentKind() == tkSemicolon) p.Next();
      branches.push_back(std::move(b));
    }
    p.Next();
    return MakeCase(std::move(sel), std::move(branches), std::move(otherwise), pos);
  }

  StmtP ForStatement() {
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    if (p.CurrentKind() != tkIdentifier) Fault(ecIdentifierExpected);
    const std::string name = p.CurrentText();
    ExprP var;
    TTypeRec* t = nullptr;
    if (int k = FindLocal(name); k >= 0) {
      var = MakeLocal(locals_[k].slot, locals_[k].type, locals_[k].isRef, pos);
      t = locals_[k].type;
    } else if (Global* g = E.FindGlobal(name)) {
      if (g->value.ReadOnly()) Fault(ecVariableExpected);
      var = MakeGlobal(g, pos);
      t = Deref(g->value).type;
    } else {
      Fault(ecUnknownIdentifier, name);
    }
    if (!t || !IsIntegerCode(t->code)) Fault(ecIntegerExpected);
    p.Next();
    var->pos = pos;
    if (p.CurrentKind() != tkAssign) Fault(ecAssignmentExpected);
    p.Next();
    ExprP start0 = Expression(t, false, false);
    ExprP start = MakeConvert(t, std::move(start0), p.CurrentPosition());
    bool down = false;
    if (p.CurrentKind() == kwDownto) down = true;
    else if (p.CurrentKind() != kwTo) Fault(ecToExpected);
    p.Next();
    ExprP stop0 = Expression(t, false, false);
    ExprP stop = MakeConvert(t, std::move(stop0), p.CurrentPosition());
    if (p.CurrentKind() != kwDo) Fault(ecDoExpected);
    p.Next();
    StmtP body = Single();
    return MakeFor(std::move(var), std::move(start), std::move(stop), down, std::move(body), pos);
  }

  StmtP WhileStatement() {
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    ExprP c = Expression(E.stdTypes[tcBoolean], false, false);
    ExprP cond = MakeConvert(E.stdTypes[tcBoolean], std::move(c), p.CurrentPosition());
    if (p.CurrentKind() != kwDo) Fault(ecDoExpected);
    p.Next();
    StmtP body = Single();
    return MakeWhile(std::move(cond), std::move(body), pos);
  }

  StmtP RepeatStatement() {
    NestGuard g(*this);
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    std::vector<StmtP> list = StatementList(true);
    p.Next();
    ExprP c = Expression(E.stdTypes[tcBoolean], false);
    ExprP cond = MakeConvert(E.stdTypes[tcBoolean], std::move(c), p.CurrentPosition());
    return MakeRepeat(std::move(list), std::move(cond), pos);
  }

  StmtP WithStatement() {
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    std::vector<WithTarget> targets;
    std::vector<With> added;
    for (;;) {
      const std::int32_t dpos = p.CurrentPosition();
      ExprP d = Designator();
      if (!d->stype || (d->stype->code != tcRecord && !(d->stype->code == tcClass && d->stype->cls)))
        throw CompileFault{ecNotClass, dpos, {}};
      const int slot = Temp();
      added.push_back({slot, d->stype});
      targets.push_back({std::move(d), slot});
      if (p.CurrentKind() != tkComma) break;
      p.Next();
    }
    if (p.CurrentKind() != kwDo) Fault(ecCommaExpected);
    p.Next();
    const std::vector<With> saved = withs_;
    withs_.insert(withs_.begin(), added.begin(), added.end());
    StmtP body;
    try {
      body = Single();
    } catch (...) {
      withs_ = saved;
      throw;
    }
    withs_ = saved;
    return MakeWith(std::move(targets), std::move(body), pos);
  }

  StmtP TryStatement() {
    NestGuard g(*this);
    const std::int32_t pos = p.CurrentPosition();
    p.Next();
    std::vector<StmtP> block = StatementList(false);
    const bool isFinally = p.CurrentKind() == kwFinally;
    const std::int32_t handlerPos = p.CurrentPosition();
    p.Next();
    std::vector<StmtP> handler;
    for (;;) {
      const TokenKind k = p.CurrentKind();
      if (k == kwEndKw) {
        p.Next();
        break;
      }
      if (k == tkSemicolon) {
        p.Next();
        continue;
      }
      if (k == tkEnd) Fault(ecUnexpectedEnd);
      if (k == kwElse) Fault(ecErrorInStatement);
      if (k == kwUntil || k == kwExcept || k == kwFinally) Fault(ecEndExpected);
      handler.push_back(Guarded());
    }
    return MakeTry(std::move(block), std::move(handler), isFinally, pos, handlerPos);
  }

  // ------------------------------------------------------------ expressions

  // operand {operator operand}, reduced by the three precedence levels
  // With own stop words (then, do, of, ...) the caller reports a wrong end itself.
  ExprP Expression(TTypeRec* target, bool holderTarget, bool checkEnd = true) {
    NestGuard g(*this);
    const int startTok = p.Cursor();
    ExprP e = BinaryLevel(1, target);
    if (checkEnd && !EndsExpression(p.CurrentKind())) Fault(ecErrorInExpression);
    if (holderTarget && ContainsDivide(startTok, p.Cursor())) {
      // A holder meeting '/' becomes EXTENDED before the result goes in.
      e = MakeConvert(E.stdTypes[tcExtended], std::move(e), p.CurrentPosition());
    }
    return e;
  }

  bool ContainsDivide(int from, int to) const {
    const auto& t = p.Tokens();
    if (to < 0) to = static_cast<int>(t.size());
    for (int k = from; k >= 0 && k < to; ++k)
      if (t[k].kind == tkDivide) return true;
    return false;
  }

  ExprP BinaryLevel(int level, TTypeRec* target) {
    if (level > 3) return Operand(target);
    ExprP left = BinaryLevel(level + 1, target);
    for (;;) {
      const TokenKind k = p.CurrentKind();
      if (Precedence(k) != level) return left;
      const std::int32_t opPos = p.CurrentPosition();
      p.Next();
      if (k == kwIs || k == kwAs) {
        if (p.CurrentKind() != tkIdentifier) Fault(ecIdentifierExpected);
        TTypeRec* cls = E.self.FindType(p.CurrentText());
        if (!cls) Fault(ecUnknownIdentifier, p.CurrentText());
        if (cls->code != tcClass || !cls->cls) Fault(ecNotClass);
        p.Next();
        left = MakeIsAs(k == kwAs, std::move(left), cls, opPos, E.stdTypes[tcBoolean]);
        continue;
      }
      ExprP right = BinaryLevel(level + 1, target);
      left = MakeBinary(k, std::move(left), std::move(right), opPos, E.stdTypes[tcBoolean]);
    }
  }

  ExprP Operand(TTypeRec* target) {
    NestGuard g(*this);
    std::vector<std::pair<int, std::int32_t>> prefixes;
    for (;;) {
      const TokenKind k = p.CurrentKind();
      if (k == tkMinus) prefixes.push_back({opNeg, p.CurrentPosition()});
      else if (k == kwNot) prefixes.push_back({opNot, p.CurrentPosition()});
      else if (k == tkPlus) prefixes.push_back({opPos, p.CurrentPosition()});
      else break;
      p.Next();
    }
    ExprP e = Primary(target);
    for (auto& [op, pos] : prefixes) e = MakeUnary(op, std::move(e), pos);
    return e;
  }

  ExprP Primary(TTypeRec* target) {
    const std::int32_t pos = p.CurrentPosition();
    switch (p.CurrentKind()) {
      case tkIdentifier: case kwInherited: return Designator();
      case tkOpenRound: {
        p.Next();
        ExprP inner = Expression(nullptr, true);
        if (p.CurrentKind() != tkCloseRound) Fault(ecCloseRoundExpected);
        p.Next();
        ExprP n = MakeNested(std::move(inner), pos);
        n->tempSlot = Temp();
        // (Sender as TButton).Caption
        if (p.CurrentKind() == tkPeriod && n->stype && n->stype->code == tcClass) return Selectors(std::move(n));
        return n;
      }
      case tkOpenBlock: {
        if (!target || target->code != tcArray) Fault(ecTypeMismatch);
        p.Next();
        std::vector<ExprP> elems;
        if (p.CurrentKind() != tkCloseBlock) {
          for (;;) {
            ExprP el = Expression(target->ext, target->ext == nullptr, false);
            elems.push_back(MakeConvert(target->ext, std::move(el), p.CurrentPosition()));
            if (p.CurrentKind() == tkCloseBlock) break;
            if (p.CurrentKind() != tkComma) Fault(ecCloseBlock);
            p.Next();
          }
        }
        p.Next();
        return MakeArrayLiteral(target, std::move(elems), pos);
      }
      case tkInteger: case tkHex: {
        const std::string& t = p.CurrentText();
        const std::uint64_t v = p.CurrentKind() == tkHex ? std::strtoull(t.c_str() + 1, nullptr, 16)
                                                         : std::strtoull(t.c_str(), nullptr, 10);
        TTypeRec* type = IsIntegerTarget(target) ? target : E.stdTypes[tcLongInt];
        Value val(type);
        val.i = WrapInteger(type->code, static_cast<std::int64_t>(v));
        p.Next();
        ExprP e = MakeConst(std::move(val), pos);
        e->isLiteral = true;
        return e;
      }
      case tkReal: {
        TTypeRec* type = target && IsRealCode(target->code) ? target : E.stdTypes[tcExtended];
        Value val(type);
        val.r = RoundReal(type->code, std::strtold(p.CurrentText().c_str(), nullptr));
        p.Next();
        ExprP e = MakeConst(std::move(val), pos);
        e->isLiteral = true;
        return e;
      }
      case tkString: case tkChar: {
        std::string s;
        bool prevString = false;
        while (p.CurrentKind() == tkString || p.CurrentKind() == tkChar) {
          const std::string& t = p.CurrentText();
          if (p.CurrentKind() == tkString) {
            if (prevString) s += '\'';
            s.append(t, 1, t.size() - 2);
            prevString = true;
          } else {
            const unsigned long v = t.size() > 1 && t[1] == '$' ? std::strtoul(t.c_str() + 2, nullptr, 16)
                                                                 : std::strtoul(t.c_str() + 1, nullptr, 10);
            s += static_cast<char>(v);
            prevString = false;
          }
          p.Next();
        }
        Value val(E.stdTypes[tcString]);
        val.SetStr(s);
        ExprP e = MakeConst(std::move(val), pos);
        e->isLiteral = true;
        return e;
      }
      case tkAt: {
        // @ procedure: a procedural value.
        p.Next();
        if (p.CurrentKind() != tkIdentifier) Fault(ecTypeMismatch);
        TProcedure* pr = E.FindProc(p.CurrentText());
        if (!pr || FindLocal(p.CurrentText()) >= 0 || E.FindGlobal(p.CurrentText())) Fault(ecTypeMismatch);
        p.Next();
        Value v(E.ProcValueType(pr));
        v.proc = pr;
        return MakeConst(std::move(v), pos);
      }
      case tkEnd: Fault(ecUnexpectedEnd);
      default: Fault(ecErrorInExpression);
    }
  }

  // identifier {[ index ] | . field}, or a call
  ExprP Designator() {
    NestGuard g(*this);
    const std::int32_t pos = p.CurrentPosition();
    if (p.CurrentKind() == kwInherited) return Inherited();
    if (p.CurrentKind() == tkOpenRound) {
      p.Next();
      ExprP inner = Expression(nullptr, true);
      if (p.CurrentKind() != tkCloseRound) Fault(ecCloseRoundExpected);
      p.Next();
      ExprP n = MakeNested(std::move(inner), pos);
      n->tempSlot = Temp();
      return Selectors(std::move(n));
    }
    const std::string name = p.CurrentText();
    for (const With& w : withs_) {
      if (w.type->code == tcClass) {
        const Member m = FindMember(w.type, name);
        if (!m.Found()) continue;
        p.Next();
        return Selectors(MemberOf(MakeLocal(w.slot, w.type, false, pos), w.type, m, pos));
      }
      const int f = w.type->FieldIndex(name);
      if (f < 0) continue;
      p.Next();
      ExprP base = MakeLocal(w.slot, w.type, true, pos);
      return Selectors(MakeField(std::move(base), name, pos));
    }
    if (TTypeRec* self = Ctx()) {
      const Member m = FindMember(self, name);
      if (m.Found()) {
        p.Next();
        return Selectors(MemberOf(MakeLocal(0, self, false, pos), self, m, pos));
      }
    }
    if (auto it = E.typeNames.find(name); it != E.typeNames.end()) return ClassName(it->second, pos);
    if (int k = FindLocal(name); k >= 0) {
      p.Next();
      return Selectors(MakeLocal(locals_[k].slot, locals_[k].type, locals_[k].isRef, pos));
    }
    if (proc_ && proc_->decl.isFunction && name == proc_->name) {
      p.Next();
      if (p.CurrentKind() != tkOpenRound) {
        const Local& r = locals_[FindLocal("RESULT")];
        return Selectors(MakeLocal(r.slot, r.type, false, pos));
      }
      return Selectors(CallOf(proc_, pos));
    }
    if (Global* gl = E.FindGlobal(name)) {
      p.Next();
      return Selectors(MakeGlobal(gl, pos));
    }
    if (TProcedure* pr = E.FindProc(name)) {
      p.Next();
      return Selectors(CallOf(pr, pos));
    }
    Fault(ecUnknownIdentifier, name);
  }

  ExprP Selectors(ExprP base) {
    for (;;) {
      const std::int32_t pos = p.CurrentPosition();
      switch (p.CurrentKind()) {
        case tkOpenBlock: {
          p.Next();
          std::vector<ExprP> idx;
          for (;;) {
            ExprP ix = Expression(E.stdTypes[tcLongInt], false, false);
            idx.push_back(MakeConvert(E.stdTypes[tcLongInt], std::move(ix), p.CurrentPosition()));
            if (p.CurrentKind() == tkCloseBlock) break;
            if (p.CurrentKind() != tkComma) Fault(ecCloseBlock);
            p.Next();
          }
          const std::int32_t closePos = p.CurrentPosition();
          p.Next();
          if (base->stype && base->stype->code != tcArray) throw CompileFault{ecTypeMismatch, closePos, {}};
          base = MakeIndex(std::move(base), std::move(idx), closePos);
          break;
        }
        case tkPeriod: {
          p.Next();
          if (p.CurrentKind() != tkIdentifier) Fault(ecIdentifierExpected);
          const std::string f = p.CurrentText();
          if (base->stype && base->stype->code == tcClass && base->stype->cls) {
            TTypeRec* cls = base->stype;
            const Member m = FindMember(cls, f);
            if (!m.Found()) Fault(ecUnknownIdentifier, f);
            p.Next();
            base = MemberOf(std::move(base), cls, m, pos);
            break;
          }
          if (base->stype && base->stype->code == tcClassRef && base->stype->ext) {
            TProcedure* ctor = TIfPasScript::FindMethod(base->stype->ext, "!" + f);
            if (!ctor) Fault(ecUnknownIdentifier, f);
            if (!(ctor->flags & kMethodConstructor)) Fault(ecConstructorExpected);
            p.Next();
            std::vector<ExprP> args = Arguments(ctor->decl);
            base = MakeConstruct(nullptr, std::move(base), ctor, std::move(args), pos);
            base->tempSlot = Temp();
            break;
          }
          if (base->stype && base->stype->code == tcRecord && base->stype->FieldIndex(f) < 0)
            Fault(ecUnknownIdentifier, f);
          if (base->stype && base->stype->code != tcRecord) Fault(ecUnknownIdentifier, f);
          p.Next();
          base = MakeField(std::move(base), f, pos);
          break;
        }
        case tkDereference: {
          if (!base->stype || base->stype->code != tcProcType || !base->stype->procParams) Fault(ecTypeMismatch);
          p.Next();
          TTypeRec* t = base->stype;
          std::vector<ExprP> args = Arguments(*t->procParams);
          base = MakeIndirectCall(std::move(base), std::move(args), pos);
          base->tempSlot = Temp();
          break;
        }
        default: return base;
      }
      if (!base->isLValue && base->tempSlot < 0) base->tempSlot = Temp();
    }
  }

  // A class name: Name.Constructor(...), Name(expression) or a class reference.
  ExprP ClassName(TTypeRec* t, std::int32_t pos) {
    if (t->code != tcClass || !t->cls) Fault(ecNotClass);
    p.Next();
    if (p.CurrentKind() == tkPeriod) {
      p.Next();
      if (p.CurrentKind() != tkIdentifier) Fault(ecIdentifierExpected);
      const std::string m = p.CurrentText();
      TProcedure* ctor = TIfPasScript::FindMethod(t, "!" + m);
      if (!ctor) Fault(ecUnknownIdentifier, m);
      if (!(ctor->flags & kMethodConstructor)) Fault(ecConstructorExpected);
      p.Next();
      std::vector<ExprP> args = Arguments(ctor->decl);
      ExprP e = MakeConstruct(t, nullptr, ctor, std::move(args), pos);
      e->tempSlot = Temp();
      return Selectors(std::move(e));
    }
    if (p.CurrentKind() == tkOpenRound) {
      p.Next();
      ExprP inner = Expression(t, false);
      if (p.CurrentKind() != tkCloseRound) Fault(ecCloseRoundExpected);
      p.Next();
      ExprP conv = MakeConvert(t, std::move(inner), pos);
      if (conv->tempSlot < 0 && !conv->isLValue) conv->tempSlot = Temp();
      return Selectors(std::move(conv));
    }
    Value v(E.ClassRefType(t));
    v.res.ptr = t;
    ExprP e = MakeConst(std::move(v), pos);
    e->tempSlot = Temp();
    return Selectors(std::move(e));
  }

  // inherited [Name [( arguments )]]: the ancestor's method, not dispatched.
  ExprP Inherited() {
    const std::int32_t pos = p.CurrentPosition();
    TTypeRec* cls = Ctx();
    if (!cls) Fault(ecNoInheritance);
    p.Next();
    TTypeRec* ancestor = cls->cls->ancestor;
    ExprP self = MakeLocal(0, cls, false, pos);
    if (p.CurrentKind() == tkIdentifier) {
      const std::string name = p.CurrentText();
      TProcedure* m = ancestor ? TIfPasScript::FindMethod(ancestor, "!" + name) : nullptr;
      if (!m) Fault(ecUnknownIdentifier, name);
      p.Next();
      std::vector<ExprP> args = Arguments(m->decl);
      ExprP call = MakeMethodCall(std::move(self), m, std::move(args), true, pos);
      call->tempSlot = Temp();
      return Selectors(std::move(call));
    }
    // Alone: the same method of the ancestor with this method's arguments.
    TProcedure* m = ancestor ? TIfPasScript::FindMethod(ancestor, proc_->name) : nullptr;
    if (!m) Fault(ecUnknownIdentifier, proc_->name.substr(1));
    if (m->decl.params.size() != proc_->decl.params.size()) Fault(ecParameterError);
    std::vector<ExprP> args;
    for (std::size_t k = 0; k < m->decl.params.size(); ++k) {
      const TParam& mine = proc_->decl.params[k];
      ExprP a = MakeLocal(static_cast<int>(k) + 1, mine.type, mine.mode != pmValue, pos);
      if (m->decl.params[k].mode == pmValue) a = MakeConvert(m->decl.params[k].type, std::move(a), pos);
      args.push_back(std::move(a));
    }
    ExprP call = MakeMethodCall(std::move(self), m, std::move(args), true, pos);
    call->tempSlot = Temp();
    return call;
  }

  // [( arguments )] for proc
  ExprP CallOf(TProcedure* proc, std::int32_t pos) {
    ExprP call = MakeCall(proc, Arguments(proc->decl), pos);
    call->tempSlot = Temp();
    return call;
  }

  std::vector<ExprP> Arguments(const TParamList& decl) {
    const auto& params = decl.params;
    std::vector<ExprP> args;
    if (p.CurrentKind() == tkOpenRound) {
      p.Next();
      if (params.empty()) {
        if (p.CurrentKind() != tkCloseRound) Fault(ecCloseRoundExpected);
        p.Next();
      } else {
        for (std::size_t k = 0; k < params.size(); ++k) {
          const TParam& prm = params[k];
          if (prm.mode == pmValue) {
            ExprP a = Expression(prm.type, prm.type == nullptr, false);
            args.push_back(MakeConvert(prm.type, std::move(a), p.CurrentPosition()));
          } else {
            const TokenKind kk = p.CurrentKind();
            if (kk != tkIdentifier && kk != tkOpenRound && kk != kwInherited) Fault(ecIdentifierExpected);
            ExprP d = Designator();
            if (d->isCall) Fault(ecVariableExpected);
            if (!d->isLValue) Fault(ecIdentifierExpected);
            if (!EndsExpression(p.CurrentKind())) Fault(ecErrorInExpression);
            args.push_back(std::move(d));
          }
          if (k + 1 < params.size()) {
            if (p.CurrentKind() != tkComma) Fault(ecCommaExpected);
            p.Next();
          }
        }
        if (p.CurrentKind() != tkCloseRound) Fault(ecRoundCloseExpected);
        p.Next();
      }
    } else if (!params.empty()) {
      Fault(ecRoundOpenExpected);
    }
    return args;
  }
};

}  // namespace

std::shared_ptr<CompiledBody> Impl::CompileBody(TProcedure* proc, std::int32_t bodyPos) {
  auto body = std::make_shared<CompiledBody>();
  const int saved = P().Cursor();
  P().Seek(bodyPos);
  Compiler c(*this, proc, *body);
  try {
    c.DeclareParams();
    c.LocalVars();
    body->body = c.Body();
    body->endPos = P().CurrentPosition();
  } catch (const CompileFault& f) {
    body->failed = true;
    body->fault = f;
  }
  P().SetCursor(saved);
  return body;
}

}  // namespace tamber::script

namespace tamber::script {

void Impl::EvalConstExpression(Value& out) {
  CompiledBody body;
  Compiler c(*this, nullptr, body);
  ExprP e;
  try {
    e = c.ConstExpression();
  } catch (const CompileFault& f) {
    Fail(f.code, f.position, f.text);
  }
  FrameScope frame(*this, body, P().CurrentPosition());
  e->Eval(*this, out);
}

}  // namespace tamber::script
