// Internals shared by the loader, the compiler of bodies and the executor.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/script_engine.h"

namespace tamber::script {

// Thrown inside the engine after the error record was set; caught by try
// statements, procedure calls into units and RunMain. It never leaves the engine.
struct ScriptThrow {};

// A fault found while building nodes from tokens.
struct CompileFault {
  std::uint16_t code;
  std::int32_t position;
  std::string text;
};

constexpr std::uint8_t kReadOnly = 1;
constexpr std::uint8_t kHolder = 8;  // an untyped holder: takes the type of what is assigned

using Impl = TIfPasScript::Impl;

enum class Flow { Normal, Break, Continue, Exit };

struct Expr {
  std::int32_t pos = 0;
  TTypeRec* stype = nullptr;  // static type when known
  bool isLiteral = false;
  bool isCall = false;        // a function result
  bool isLValue = false;      // names a variable
  bool hasScriptCall = false; // evaluating it may run script code
  virtual ~Expr() = default;
  virtual void Eval(Impl& E, Value& out) = 0;
  // The value of an expression whose static type is an integer type.
  virtual std::int64_t EvalInt(Impl& E) {
    Value v;
    Eval(E, v);
    return v.i;
  }
  // The storage this expression names; for values that are no variables, a
  // temporary slot (forWrite then fails with 18). keep receives the box the
  // storage lives in, if any (not retained).
  virtual Value* Place(Impl& E, Box*& keep, bool forWrite);
  int tempSlot = -1;
};
using ExprP = std::unique_ptr<Expr>;

struct Stmt {
  std::int32_t pos = 0;
  virtual ~Stmt() = default;
  virtual Flow Exec(Impl& E) = 0;
};
using StmtP = std::unique_ptr<Stmt>;

struct CompiledBody {
  std::vector<TTypeRec*> slotTypes;  // zero values made at each call
  std::vector<std::uint8_t> slotIsHolder;
  int paramCount = 0;    // slots [0, paramCount) are the arguments
  int resultSlot = -1;
  StmtP body;
  std::int32_t endPos = 0;  // the token after the body
  bool failed = false;
  CompileFault fault{0, 0, {}};
};

struct Global {
  std::string name;
  std::uint32_t hash = 0;
  Value value;
  TIfPasScript* owner = nullptr;
};

// Frames live on a stack of fixed blocks, so a frame's slots never move.
class ValueStack {
 public:
  struct Mark {
    std::size_t block;
    std::size_t top;
  };
  Value* Push(std::size_t n, Mark* mark);
  void Pop(const Mark& m) { block_ = m.block; top_ = m.top; }
  ~ValueStack();

 private:
  static constexpr std::size_t kBlock = 8192;
  std::vector<Value*> blocks_;
  std::size_t block_ = 0;
  std::size_t top_ = 0;
};

struct TIfPasScript::Impl {
  explicit Impl(TIfPasScript& s) : self(s) {}
  TIfPasScript& self;
  std::vector<std::unique_ptr<TTypeRec>> types;
  std::unordered_map<std::string, TTypeRec*> typeNames;
  std::deque<Global> globals;
  std::unordered_map<std::string, Global*> globalNames;
  std::vector<std::unique_ptr<TProcedure>> procs;
  std::unordered_map<std::string, TProcedure*> procNames;
  std::vector<std::string> usedNames;
  struct Unit {
    TIfPasScript* engine;
    bool owned;
  };
  std::vector<Unit> units;
  std::vector<std::pair<void*, std::function<void(void*)>>> resources;
  std::int32_t mainPos = -1;
  std::int32_t unitEndPos = -1;
  std::shared_ptr<CompiledBody> mainBody;
  TTypeRec* stdTypes[32] = {};
  TTypeRec* holderType = nullptr;  // code tcNone placeholder for "untyped"

  // Running.
  int depth = 0;
  int depthLimit = TIfPasScript::kHardDepthLimit;
  Value* fp = nullptr;  // the current frame's slots
  std::int32_t flowPos = 0;  // position of the last break/continue
  ValueStack stack;
  bool running = false;

  // Errors: set and throw.
  [[noreturn]] void Fail(std::uint16_t code, std::int32_t pos, std::string_view text = {});
  void RunLine(std::int32_t pos) {
    if (self.onRunLine_) CallRunLine(pos);
  }
  void CallRunLine(std::int32_t pos);
  void Enter(std::int32_t pos) {
    if (++depth > depthLimit) Fail(ecOutOfMemory, pos);
  }

  // Tables.
  void Reset();
  void RegisterStandardTypes();
  TTypeRec* AddType(std::string name, std::uint16_t code, TTypeRec* ext = nullptr);
  TTypeRec* AnonymousType(std::uint16_t code, TTypeRec* ext);
  // The type of @proc: a procedural type with the procedure's parameters.
  TTypeRec* ProcValueType(TProcedure* proc);
  std::unordered_map<TProcedure*, TTypeRec*> procTypes;
  Global* AddGlobal(const std::string& name, TTypeRec* type);
  bool NameInUse(const std::string& upper) const;
  TProcedure* FindProc(const std::string& upper) const;
  Global* FindGlobal(const std::string& upper) const;

  // Loading (script_engine.cpp).
  TIfPascalParser& P() { return activeParser ? *activeParser : self.parser_; }
  TIfPascalParser* activeParser = nullptr;  // a registered text being read
  bool lenientNames = false;  // registered texts: parameter names may repeat global names
  std::string pendingTypeName;  // the type being declared (a class may name itself)
  void Load();
  void LoadUses();
  void LoadTypeSection();
  void LoadVarSection();
  void LoadConstSection();
  void LoadProcedure();
  TTypeRec* ParseType(bool inTypeSection);
  int typeNesting = 0;
  void ParseParams(TParamList& list, bool allowConst);
  // After a routine's name: the parameters, if any, and a function's result
  // type. Parameter names must differ from ownName when it is given.
  TParamList ParseSignature(bool isFunction, const std::string& ownName, bool allowConst);
  // name {, name} :  — each name checked by taken and against the others.
  std::vector<std::string> ParseNameList(const std::function<bool(const std::string&)>& taken);
  void SkipBody();  // begin ... end, checking block structure only
  void ReadBodyAfterHeading(TProcedure* proc);

  // Classes (script_class.cpp).
  TTypeRec* ParseClass(const std::string& name);
  void RegisterObjectClass();
  // procedure TFoo.Bar(...): the implementation of a declared method.
  void LoadMethod(TTypeRec* cls, int kind, std::int32_t headingPos);
  TTypeRec* ClassRefType(TTypeRec* cls);
  std::vector<std::unique_ptr<TIFInstance>> instances;
  std::vector<std::pair<void*, std::function<void()>>> clearListeners;
  TProcedure* objDestroy = nullptr;
  TProcedure* objFree = nullptr;
  TIFInstance* NewInstance(TTypeRec* cls);
  // The live instance a class value refers to: nil 0x8001, freed 0x8006.
  TIFInstance* Live(const Value& v, std::int32_t pos);
  void FreeInstance(TIFInstance* inst);
  // A call with ready values (see TIfPasScript::CallPrepared); throws.
  void CallWithValues(TProcedure* proc, const Value* self, std::span<Value> args, Value* result, std::int32_t pos);
  [[noreturn]] void LoadFault(std::uint16_t code, std::string_view text = {});
  std::string ExpectIdentifier();

  // Values.
  void Assign(Value& dst, const Value& src, std::int32_t pos);
  void Binary(int op, Value& l, const Value& r, std::int32_t pos);
  void Unary(int op, Value& v, std::int32_t pos);
  bool SetArrayLength(Value& arr, std::int64_t n, std::int32_t pos);

  // Bodies (script_compiler.cpp).
  std::shared_ptr<CompiledBody> CompileBody(TProcedure* proc, std::int32_t bodyPos);
  // Evaluates a const expression at load time into a holder.
  void EvalConstExpression(Value& out);

  // Calls (script_exec.cpp).
  void CallExternal(TProcedure* proc, Value* result, std::span<Value> args, std::int32_t pos);
  void InvokeFromUser(Impl& user, TProcedure* proc, std::span<Value> args, Value* result, std::int32_t pos);
  void CatchError();
  void RestoreCaught();
};

// Binary operator codes (the token kinds of the operators).
constexpr int opAdd = tkPlus, opSub = tkMinus, opMul = tkMultiply, opDivide = tkDivide, opDiv = kwDiv,
              opMod = kwMod, opAnd = kwAnd, opOr = kwOr, opXor = kwXor, opShl = kwShl, opShr = kwShr,
              opEq = tkEqual, opNe = tkNotEqual, opLt = tkLess, opGt = tkGreater, opLe = tkLessEqual,
              opGe = tkGreaterEqual, opNot = kwNot, opNeg = 100, opPos = 101;

// Node constructors used by the compiler (script_exec.cpp).
ExprP MakeConst(Value v, std::int32_t pos);
ExprP MakeLocal(int slot, TTypeRec* type, bool isRef, std::int32_t pos);
ExprP MakeGlobal(Global* g, std::int32_t pos);
ExprP MakeIndex(ExprP base, std::vector<ExprP> indices, std::int32_t pos);
ExprP MakeField(ExprP base, std::string name, std::int32_t pos);
ExprP MakeBinary(int op, ExprP l, ExprP r, std::int32_t pos, TTypeRec* boolean);
ExprP MakeUnary(int op, ExprP e, std::int32_t pos);
ExprP MakeCall(TProcedure* proc, std::vector<ExprP> args, std::int32_t pos);
// A call of the procedure a procedural value holds.
ExprP MakeIndirectCall(ExprP target, std::vector<ExprP> args, std::int32_t pos);
ExprP MakeArrayLiteral(TTypeRec* arrayType, std::vector<ExprP> elems, std::int32_t pos);
ExprP MakeConvert(TTypeRec* type, ExprP e, std::int32_t pos);  // assignment rules into a new value
ExprP MakeNested(ExprP e, std::int32_t pos);  // counts nesting when evaluated
// Classes: a field of the instance base refers to, a property, a method call
// (dispatched unless isStatic, as for inherited), a construction of cls or of
// the class a class-reference value holds, and the is and as operators.
ExprP MakeInstanceField(ExprP base, int index, TTypeRec* type, std::int32_t pos);
ExprP MakeProperty(ExprP base, const TPropertyDef* prop, std::int32_t pos);
ExprP MakeMethodCall(ExprP base, TProcedure* method, std::vector<ExprP> args, bool isStatic, std::int32_t pos);
ExprP MakeConstruct(TTypeRec* cls, ExprP classRef, TProcedure* ctor, std::vector<ExprP> args, std::int32_t pos);
ExprP MakeIsAs(bool isAs, ExprP l, TTypeRec* cls, std::int32_t pos, TTypeRec* boolean);
bool IsPropertyExpr(const Expr& e);

// s := s + a + b ...: when v is such a sum of target and parts that run no
// script code, moves the parts (and the operators' positions) out of v.
bool SplitAppend(ExprP& v, const Expr& target, std::vector<ExprP>* parts, std::vector<std::int32_t>* opPos);

// A frame of a body's slots on the value stack, zeroed for its types and
// released when the scope ends.
class FrameScope {
 public:
  FrameScope(Impl& e, const CompiledBody& body, std::int32_t pos);
  ~FrameScope();
  Value* Slots() const { return slots_; }

 private:
  Impl& e_;
  Value* slots_;
  std::size_t n_;
  Value* savedFp_;
  ValueStack::Mark mark_;
};

// n argument slots on the value stack for a call that does not run a body of
// this engine (a host routine, or a routine of an attached unit); released
// and popped when the call ends, also by a fault.
class ArgumentSlots {
 public:
  ArgumentSlots(Impl& e, std::size_t n, std::int32_t pos);
  ~ArgumentSlots();
  ArgumentSlots(const ArgumentSlots&) = delete;
  ArgumentSlots& operator=(const ArgumentSlots&) = delete;
  Value* Slots() const { return slots_; }
  std::span<Value> Span() const { return {slots_, n_}; }

 private:
  Impl& e_;
  Value* slots_;
  std::size_t n_;
  ValueStack::Mark mark_;
};

StmtP MakeErrorStmt(const CompileFault& f);
StmtP MakeAssign(ExprP target, ExprP value, std::int32_t pos, std::int32_t endPos);
StmtP MakePropertyAssign(ExprP property, ExprP value, std::int32_t pos, std::int32_t endPos);
StmtP MakeAppend(ExprP target, std::vector<ExprP> parts, std::vector<std::int32_t> opPos, std::int32_t pos);
StmtP MakeCallStmt(ExprP call, std::int32_t pos);
StmtP MakeCompound(std::vector<StmtP> list, std::int32_t pos);
StmtP MakeIf(ExprP cond, StmtP then, StmtP otherwise, std::int32_t pos, std::int32_t elsePos);
struct CaseBranch {
  std::vector<ExprP> labels;
  StmtP body;
  std::int32_t pos;
};
StmtP MakeCase(ExprP selector, std::vector<CaseBranch> branches, StmtP otherwise, std::int32_t pos);
StmtP MakeFor(ExprP var, ExprP start, ExprP stop, bool down, StmtP body, std::int32_t pos);
StmtP MakeWhile(ExprP cond, StmtP body, std::int32_t pos);
StmtP MakeRepeat(std::vector<StmtP> body, ExprP cond, std::int32_t pos);
struct WithTarget {
  ExprP designator;
  int slot;
};
StmtP MakeWith(std::vector<WithTarget> targets, StmtP body, std::int32_t pos);
StmtP MakeTry(std::vector<StmtP> block, std::vector<StmtP> handler, bool isFinally, std::int32_t pos,
              std::int32_t handlerPos);
StmtP MakeFlow(Flow f, std::int32_t pos);

}  // namespace tamber::script
