// The one scope guard: an action that runs when the scope it lives in ends, however it ends
// (return, exception), so that a clean-up stands beside the step it undoes.
#pragma once

#include <utility>

template <class F>
class TScopeExit {
public:
  explicit TScopeExit(F aAction) : FAction(std::move(aAction)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

private:
  F FAction;
};

// Raises aCounter for the life of the returned guard: `auto quiet = ScopedCount(FQuiet);`.
inline auto ScopedCount(int& aCounter) {
  ++aCounter;
  return TScopeExit([&aCounter] { --aCounter; });
}

// Sets aFlag to aValue for the life of the returned guard, then gives it back its old value.
inline auto ScopedFlag(bool& aFlag, bool aValue = true) {
  const bool old = aFlag;
  aFlag = aValue;
  return TScopeExit([&aFlag, old] { aFlag = old; });
}
