// Assertions for broken internal preconditions. Expected failures are values
// or typed exceptions; a TAMBER_ASSERT states what cannot happen. Test,
// sanitizer and fuzzer builds check them (TAMBER_ASSERTIONS); release builds
// compile them away.
#pragma once

namespace tamber {

// Reports the failed condition on standard error and aborts.
[[noreturn]] void AssertionFailed(const char* condition, const char* file, int line);

}  // namespace tamber

#if defined(TAMBER_ASSERTIONS)
#define TAMBER_ASSERT(cond) \
  ((cond) ? static_cast<void>(0) : ::tamber::AssertionFailed(#cond, __FILE__, __LINE__))
#else
#define TAMBER_ASSERT(cond) static_cast<void>(sizeof(!(cond)))
#endif
