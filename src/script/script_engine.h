// The script engine: loads a Pascal-dialect script (tokenizing it once and
// checking its declarations), keeps its types, globals and procedures, and
// runs its main block.
//
// Statements are not executed by re-reading tokens each time: a procedure's
// body (and the main block) is turned into a tree of statement and expression
// nodes the first time it runs, with every name resolved to a fixed slot, a
// global or a procedure. A statement whose text has a fault becomes a node that
// raises that fault when it is executed, so a fault still surfaces only when
// its statement runs. The engine never throws: it records its first error.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/pascal_parser.h"
#include "script/script_error.h"
#include "script/script_value.h"

namespace tamber::script {

class TIfPasScript;
struct Stmt;
struct CompiledBody;

// An external function: gets the engine, the host data, the procedure record,
// the result (nullptr for a procedure) and the arguments (references for var
// and const parameters). Returns 0, 0x8005 (quiet end, success) or an error.
using TIFExternalCallback = std::function<std::uint16_t(TIfPasScript& engine, void* hostData, TProcedure& proc,
                                                        Value* result, std::span<Value> args)>;

enum ProcKind : std::uint8_t { pkScript = 0, pkExternal = 1, pkExternalMethod = 2 };

struct TProcedure {
  TIfPasScript* owner = nullptr;
  ProcKind kind = pkScript;
  std::uint8_t flags = 0;
  std::string name;
  std::uint32_t hash = 0;
  TParamList decl;
  void* hostData = nullptr;
  std::int32_t body = -1;  // script procedures: position after the heading's ';'
  std::int32_t headingPos = 0;
  TIFExternalCallback callback;
  std::shared_ptr<CompiledBody> compiled;  // built on the first call
  TTypeRec* classType = nullptr;  // methods: the class that declares them
};

struct TIFSError {
  std::uint16_t code = 0;
  std::int32_t position = -1;
  std::string text;
  std::string module;
};

class TIfPasScript {
 public:
  using UsesHook = std::function<std::uint16_t(TIfPasScript& engine, void* hostData, const std::string& name)>;
  using RunLineHook = std::function<std::uint16_t(TIfPasScript& engine, void* hostData, std::int32_t position)>;
  using ExternalHook = std::function<bool(TIfPasScript& engine, void* hostData, TProcedure& proc,
                                          const std::string& library, const std::string& entry)>;

  explicit TIfPasScript(void* hostData = nullptr);
  ~TIfPasScript();
  TIfPasScript(const TIfPasScript&) = delete;
  TIfPasScript& operator=(const TIfPasScript&) = delete;

  void LoadScript(std::string_view text);
  void RunMain();
  void ClearScript();

  std::uint16_t ErrorCode() const { return error_.code; }
  std::int32_t ErrorPosition() const { return error_.position; }
  const std::string& ErrorText() const { return error_.text; }
  const std::string& ErrorModule() const { return error_.module; }
  const TIFSError& Error() const { return error_; }
  const TIFSError& CaughtError() const { return caught_; }
  void SetError(std::uint16_t code, std::string_view text = {});
  void SetErrorAt(std::uint16_t code, std::int32_t position, std::string_view text = {});
  void ClearError() { error_ = {}; }
  const std::string& ModuleName() const { return module_; }
  bool IsUnit() const { return isUnit_; }

  // Registration for libraries (normally from the OnUses hook for "SYSTEM").
  TProcedure* RegisterFunction(TIFExternalCallback callback, std::string_view declaration, void* hostData = nullptr);
  TProcedure* RegisterInternal(std::string_view name, TParamList params, TIFExternalCallback callback);
  bool RegisterVariable(std::string_view name, std::string_view typeText, bool readOnly);
  // Declares a class from its text ("class(Ancestor) ... end") and binds every
  // method to the callback, which tells them apart by the method's name.
  TTypeRec* RegisterClassType(std::string_view name, std::string_view classText, TIFExternalCallback callback,
                              void* hostData = nullptr);
  // Declares a type from its text (an alias, a procedural type, ...).
  TTypeRec* RegisterType(std::string_view name, std::string_view typeText);
  // The instance a class value refers to (nullptr for nil or another value).
  static TIFInstance* InstanceOf(const Value& v);
  // A field of a class instance by its upper-case name, nullptr if none.
  static Value* InstanceField(const Value& object, std::string_view upperName);
  // Calls a script procedure (or method, with self) from the host with
  // ready values: value parameters are converted by the assignment rules,
  // var parameters refer to the values given. Returns false on an error,
  // which stays recorded (22 with the parameter's index for a misfit).
  bool CallPrepared(TProcedure* proc, const Value* self, std::span<Value> args, Value* result = nullptr);
  // Methods of a class by the rules of dispatch (nullptr if none).
  static TProcedure* FindMethod(const TTypeRec* cls, std::string_view upperName);
  static TProcedure* Dispatch(TProcedure* method, const TTypeRec* instanceClass);
  // Called first of all by ClearScript (windows disconnect from the engine).
  void AddClearListener(void* owner, std::function<void()> listener);
  bool Running() const;  // inside RunMain
  void RemoveClearListener(void* owner);
  Value* GetVariable(std::string_view name);
  TTypeRec* FindType(std::string_view upperName) const;
  TTypeRec* TypeByCode(std::uint16_t code);  // a standard type

  // Units: the other engine must hold a loaded unit.
  bool AttachUnit(TIfPasScript* unit, bool owned);

  // Resources released by ClearScript in reverse order of registration.
  void AddResource(void* object, std::function<void(void*)> release);
  void RemoveResource(void* object);
  bool ContainsResource(void* object) const;

  void SetOnUses(UsesHook h) { onUses_ = std::move(h); }
  void SetOnRunLine(RunLineHook h) { onRunLine_ = std::move(h); }
  void SetOnExternal(ExternalHook h) { onExternal_ = std::move(h); }
  const UsesHook& OnUses() const { return onUses_; }
  const RunLineHook& OnRunLine() const { return onRunLine_; }
  void* HostData() const { return hostData_; }

  // 0 means unlimited (the engine still stops nesting at kHardDepthLimit).
  void SetMaxDepth(int d) { maxDepth_ = d; }
  int MaxDepth() const { return maxDepth_; }
  void SetMaxArrayLength(std::int64_t n) { maxArrayLength_ = n; }
  std::int64_t MaxArrayLength() const { return maxArrayLength_; }

  // Limit on nesting that holds even when MaxDepth is unlimited, so that a
  // runaway recursion ends in error 0x800A instead of overflowing the stack.
  static constexpr int kHardDepthLimit = 3000;
  // Nesting of the text itself (blocks, expressions, types) that the engine
  // reads; deeper text is error 0x800A.
  static constexpr int kMaxTextNesting = 1000;
  // Longest string a script can build; going beyond is error 0x800A.
  static constexpr std::size_t kMaxStringLength = std::size_t{1} << 28;

  // Sets the length of an array value (new elements zero); false with error
  // 0x800A when n exceeds MaxArrayLength, 0x8002 when negative.
  bool SetArrayLength(Value& array, std::int64_t n);

  const TIfPascalParser& Parser() const { return parser_; }

  struct Impl;
  Impl* Internals() const { return impl_.get(); }

 private:
  friend struct Impl;
  std::unique_ptr<Impl> impl_;
  TIfPascalParser parser_;
  TIFSError error_;
  TIFSError caught_;
  std::string module_ = "MAIN";
  bool isUnit_ = false;
  void* hostData_ = nullptr;
  UsesHook onUses_;
  RunLineHook onRunLine_;
  ExternalHook onExternal_;
  int maxDepth_ = 0;
  std::int64_t maxArrayLength_ = 0;
};

}  // namespace tamber::script
