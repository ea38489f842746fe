// Types and values of the script engine.
//
// A value is a tagged union: numbers, chars and booleans live inline (no heap
// traffic), strings are shared copy-on-write representations that are appended
// to in place while unshared, arrays and records own their elements. Array
// elements live in reference-counted boxes so that a var parameter or a with
// target naming an element stays valid when the array is resized meanwhile.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamber::script {

enum TypeCode : std::uint16_t {
  tcNone = 0, tcByte = 1, tcShortInt = 2, tcWord = 3, tcSmallInt = 4, tcCardinal = 5,
  tcLongInt = 6, tcChar = 7, tcString = 8, tcReal = 9, tcSingle = 10, tcDouble = 11,
  tcExtended = 12, tcComp = 13, tcBoolean = 14, tcVariant = 15, tcArray = 16, tcRecord = 17,
  tcClass = 18, tcResourcePointer = 19, tcClassRef = 20, tcProperty = 21, tcAlias = 22,
  tcProcType = 23, tcNil = 24, tcEnum = 29,
};

inline bool IsIntegerCode(unsigned c) { return c >= tcByte && c <= tcLongInt; }
inline bool IsRealCode(unsigned c) { return c >= tcReal && c <= tcComp; }
inline bool IsNumberCode(unsigned c) { return IsIntegerCode(c) || IsRealCode(c); }

struct TTypeRec;
struct TProcedure;
struct TIFSClassType;

// The name hash: rotate left by 7 and add each byte.
std::uint32_t NameHash(std::string_view name);

struct TRecordField {
  std::string name;
  std::uint32_t hash = 0;
  TTypeRec* type = nullptr;
};

enum ParamMode : std::uint8_t { pmValue = 0, pmVar = 1, pmConst = 2 };

struct TParam {
  ParamMode mode = pmValue;
  std::string name;
  TTypeRec* type = nullptr;  // nullptr: untyped
};

struct TParamList {
  TTypeRec* result = nullptr;  // nullptr for procedures
  bool isFunction = false;
  std::vector<TParam> params;
};

struct TTypeRec {
  std::string name;  // upper case; empty for anonymous types
  std::uint32_t hash = 0;
  std::uint16_t code = tcNone;
  TTypeRec* ext = nullptr;  // array: element type (nullptr for array of const)
  std::vector<TRecordField> fields;  // records
  std::int32_t enumMax = 0;          // enumerations: highest ordinal
  std::shared_ptr<TParamList> procParams;  // procedural types
  bool ofObject = false;
  std::shared_ptr<TIFSClassType> cls;  // classes
  int FieldIndex(std::string_view upper) const;
};

// Visibility of class members (the low bits of a method's flags).
enum Visibility : std::uint8_t { visPrivate = 1, visPublic = 2, visProtected = 3 };

// Flags of a method record besides its visibility.
constexpr std::uint8_t kMethodVirtual = 0x10, kMethodOverride = 0x20, kMethodConstructor = 0x40,
                       kMethodDestructor = 0x80;

// Property flags: visibility in 16/32/48, then how it is read and written.
constexpr std::uint8_t kPropReadable = 1, kPropWritable = 2, kPropReadMethod = 4, kPropWriteMethod = 8;

struct TPropertyDef {
  std::string name;
  TTypeRec* type = nullptr;
  std::uint8_t flags = 0;
  std::uint8_t visibility = visPublic;
  int readField = -1;  // index into the instance's fields
  TProcedure* reader = nullptr;
  int writeField = -1;
  TProcedure* writer = nullptr;
};

struct TIFSClassField {
  std::string name;
  TTypeRec* type = nullptr;
  std::uint8_t visibility = visPublic;
  TTypeRec* owner = nullptr;  // the class that declares it
};

struct TIFSClassType {
  TTypeRec* ancestor = nullptr;  // nullptr only for TOBJECT
  std::vector<TIFSClassField> fields;  // inherited ones first
  int firstOwnField = 0;
  int propertyCountBase = 0;
  std::vector<TPropertyDef> properties;  // own
  std::vector<TProcedure*> methods;      // own; names carry a leading '!'
};

// True when cls is base or descends from it.
bool ClassDescends(const TTypeRec* cls, const TTypeRec* base);



struct StrRep {
  int refs = 1;
  std::string s;
};

struct Value;
struct Box;
struct ArrRep;
struct RecRep;

struct Value {
  // An untyped holder has no type and code tcNone; a reference has code
  // tcVariant and a target (and keeps the box the target lives in).
  TTypeRec* type = nullptr;
  std::uint16_t code = tcNone;
  std::uint8_t flags = 0;     // bit 0: read-only
  union {
    std::int64_t i;
    long double r;
    StrRep* s;
    ArrRep* a;
    RecRep* rec;
    struct {
      Value* target;
      Box* keep;
    } ref;
    struct {
      void* ptr;
      std::uint32_t word;
    } res;
    TProcedure* proc;  // procedural values (nullptr: nil)
  };

  Value() : i(0) {}
  explicit Value(TTypeRec* t) : i(0) { Init(t); }
  Value(const Value& o) : i(0) { CopyFrom(o); }
  Value(Value&& o) noexcept : type(o.type), code(o.code), flags(o.flags) {
    std::memcpy(static_cast<void*>(&i), &o.i, sizeof(long double));
    o.code = tcNone;
    o.type = nullptr;
    o.i = 0;
  }
  Value& operator=(const Value& o) {
    if (this != &o) {
      Value tmp(o);
      Release();
      MoveIn(tmp);
    }
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      Release();
      MoveIn(o);
    }
    return *this;
  }
  ~Value() { if (code == tcString || code == tcArray || code == tcRecord || code == tcVariant) Release(); }

  // Makes this a new zero value of t (nullptr: an untyped holder).
  void Init(TTypeRec* t) {
    if (t && (t->code < tcString || (t->code > tcString && t->code != tcArray && t->code != tcRecord &&
                                      t->code != tcVariant))) {
      Release();
      type = t;
      code = t->code;
      return;
    }
    InitManaged(t);
  }
  void Release() {
    if (code == tcString || code == tcArray || code == tcRecord || code == tcVariant) ReleaseManaged();
    code = tcNone;
    type = nullptr;
    flags = 0;
    std::memset(static_cast<void*>(&i), 0, sizeof(long double));
  }
  bool IsRef() const { return code == tcVariant && ref.target != nullptr; }
  bool ReadOnly() const { return flags & 1; }

  // Strings.
  std::string_view Str() const { return s ? std::string_view(s->s) : std::string_view(); }
  void SetStr(std::string_view v);
  std::string& MutableStr();  // unshares first

 private:
  void CopyFrom(const Value& o);
  void InitManaged(TTypeRec* t);
  void ReleaseManaged();
  void MoveIn(Value& o) {
    type = o.type;
    code = o.code;
    flags = o.flags;
    std::memcpy(static_cast<void*>(&i), &o.i, sizeof(long double));
    o.code = tcNone;
    o.type = nullptr;
    o.i = 0;
  }
};

struct Box {
  int refs = 1;
  Value v;
};
inline void Retain(Box* b) { if (b) ++b->refs; }
inline void ReleaseBox(Box* b) { if (b && --b->refs == 0) delete b; }

struct ArrRep {
  std::vector<Box*> items;
  ~ArrRep() { for (Box* b : items) ReleaseBox(b); }
};

struct RecRep {
  std::vector<Value> fields;
};

// A class instance: its field values and its class. Instances live in the
// engine's instance list until ClearScript; Destroy only frees the fields.
struct TIFInstance {
  TTypeRec* cls = nullptr;
  std::vector<Value> fields;
  bool freed = false;
};

// The value a reference chain ends at.
inline Value& Deref(Value& v) {
  Value* p = &v;
  while (p->code == tcVariant && p->ref.target) p = p->ref.target;
  return *p;
}

// Value accessors for libraries: reads answer 0, "" or false for a value of
// another type; writes into a value of another type do nothing.
std::int32_t ReadInteger(const Value& v);
long double ReadReal(const Value& v);
std::string ReadString(const Value& v);
bool ReadBoolean(const Value& v);
void WriteInteger(Value& v, std::int64_t x);
void WriteReal(Value& v, long double x);
void WriteString(Value& v, std::string_view x);
void WriteBoolean(Value& v, bool x);

// Wraps x to the width and signedness of the integer type code.
std::int64_t WrapInteger(unsigned code, std::int64_t x);
// Stores x in the precision of the real type code (COMP rounds).
long double RoundReal(unsigned code, long double x);

}  // namespace tamber::script
