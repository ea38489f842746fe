#include "script/script_value.h"

#include <cmath>

namespace tamber::script {

std::uint32_t NameHash(std::string_view name) {
  std::uint32_t h = 0;
  for (unsigned char c : name) h = ((h << 7) | (h >> 25)) + c;
  return h;
}

int TTypeRec::FieldIndex(std::string_view upper) const {
  const std::uint32_t h = NameHash(upper);
  for (std::size_t k = 0; k < fields.size(); ++k)
    if (fields[k].hash == h && fields[k].name == upper) return static_cast<int>(k);
  return -1;
}

void Value::InitManaged(TTypeRec* t) {
  Release();
  type = t;
  code = t ? t->code : static_cast<std::uint16_t>(tcNone);
  flags = 0;
  std::memset(static_cast<void*>(&i), 0, sizeof(long double));
  if (code == tcArray) {
    a = new ArrRep;
  } else if (code == tcRecord) {
    rec = new RecRep;
    rec->fields.reserve(t->fields.size());
    for (const TRecordField& f : t->fields) rec->fields.emplace_back(f.type);
  }
}

void Value::ReleaseManaged() {
  switch (code) {
    case tcString:
      if (s && --s->refs == 0) delete s;
      break;
    case tcArray: delete a; break;
    case tcRecord: delete rec; break;
    case tcVariant: ReleaseBox(ref.keep); break;
    default: break;
  }
}

void Value::CopyFrom(const Value& o) {
  type = o.type;
  code = o.code;
  flags = o.flags;
  std::memcpy(static_cast<void*>(&i), &o.i, sizeof(long double));
  switch (code) {
    case tcString:
      if (s) ++s->refs;
      break;
    case tcArray: {
      a = new ArrRep;
      a->items.reserve(o.a->items.size());
      for (Box* b : o.a->items) a->items.push_back(new Box{1, b->v});
      break;
    }
    case tcRecord: rec = new RecRep{o.rec->fields}; break;
    case tcVariant: Retain(ref.keep); break;
    default: break;
  }
}

void Value::SetStr(std::string_view v) {
  if (s && s->refs == 1) {
    s->s.assign(v.data(), v.size());
    return;
  }
  if (s) --s->refs;
  s = v.empty() ? nullptr : new StrRep{1, std::string(v)};
}

std::string& Value::MutableStr() {
  if (!s) {
    s = new StrRep;
  } else if (s->refs > 1) {
    --s->refs;
    s = new StrRep{1, s->s};
  }
  return s->s;
}

std::int32_t ReadInteger(const Value& v) {
  return IsIntegerCode(v.code) ? static_cast<std::int32_t>(v.i) : 0;
}

long double ReadReal(const Value& v) {
  if (IsIntegerCode(v.code)) return static_cast<long double>(v.i);
  if (IsRealCode(v.code)) return v.r;
  return 0;
}

std::string ReadString(const Value& v) {
  if (v.code == tcString) return std::string(v.Str());
  if (v.code == tcChar) return std::string(1, static_cast<char>(v.i));
  return {};
}

bool ReadBoolean(const Value& v) { return v.code == tcBoolean && v.i != 0; }

std::int64_t WrapInteger(unsigned code, std::int64_t x) {
  switch (code) {
    case tcByte: return static_cast<std::uint8_t>(x);
    case tcShortInt: return static_cast<std::int8_t>(x);
    case tcWord: return static_cast<std::uint16_t>(x);
    case tcSmallInt: return static_cast<std::int16_t>(x);
    case tcCardinal: return static_cast<std::uint32_t>(x);
    case tcLongInt: return static_cast<std::int32_t>(x);
    default: return x;
  }
}

long double RoundReal(unsigned code, long double x) {
  switch (code) {
    case tcReal:
    case tcDouble: return static_cast<double>(x);
    case tcSingle: return static_cast<float>(x);
    case tcComp: {
      const long double rr = std::nearbyint(x);
      if (!(rr >= -9.2233720368547758e18L && rr < 9.2233720368547758e18L)) return 0;
      return rr;
    }
    default: return x;
  }
}

void WriteInteger(Value& v, std::int64_t x) {
  if (IsIntegerCode(v.code)) v.i = WrapInteger(v.code, x);
}

void WriteReal(Value& v, long double x) {
  if (IsRealCode(v.code)) v.r = RoundReal(v.code, x);
}

void WriteString(Value& v, std::string_view x) {
  if (v.code == tcString) v.SetStr(x);
}

void WriteBoolean(Value& v, bool x) {
  if (v.code == tcBoolean) v.i = x ? 1 : 0;
}

}  // namespace tamber::script
